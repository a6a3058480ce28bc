// The data files a project names, kept by their track when the session
// closes: the track's project timeline.
#pragma once

#include <memory>

class CTimeline;
class CTrack;

namespace kernel {

/** Makes files (a timeline of its own, never one of the track's versions)
 *  the track's project timeline; null keeps no file. The copy an earlier
 *  open or save made is freed. A copy rather than a version, so that the
 *  kept files are exactly those the document names (a loaded track's header
 *  file is in its versions but in no document) and so that the track's
 *  versions come and go as undo and redo need, whatever was saved. */
void SetProjectFiles(CTrack& track, std::unique_ptr<CTimeline> files);

/** A copy of the audio segments of timeline (null: none); null when empty. */
std::unique_ptr<CTimeline> NamedSegments(const CTimeline* timeline);

} // namespace kernel
