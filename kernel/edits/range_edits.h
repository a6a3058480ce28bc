// Range edits that move audio without touching sample values: cut (and
// delete), trim, paste, copy to a new track and join, and the replace walk
// a cut shares with the edits that put new audio in a range's place (tempo
// and pitch). Each builds a new timeline version with CTimelineBuilder and
// commits it; untouched segments keep their data files, only the segments a
// boundary splits are rewritten.
#pragma once

#include "edits/timeline_builder.h"

#include <cstdint>
#include <string>

class CEditSession;
class CTrack;

namespace kernel {

/** Removes [from, to) of the track. false (track unchanged) when a copy fails
 *  or the track is blank. */
bool CutRange(CTrack& track, int64_t from, int64_t to);

/** Replaces [from, to) of the track by what insert appends at the builder's
 *  running position where the range was (nothing for an empty inserter: a
 *  cut), and commits under label. Everything after the range moves with the
 *  replacement's end; segments outside the range keep their data files, a
 *  segment a boundary splits is sliced. false (track unchanged) when a copy
 *  or insert fails or the track is blank. */
bool ReplaceRange(CTrack& track, int64_t from, int64_t to, const char* label,
                  const Inserter& insert);

/** Keeps only [from, to) of the track. */
bool TrimRange(CTrack& track, int64_t from, int64_t to);

/** Inserts [from, to) of a clip timeline (in the given format) at time at.
 *  A blank track takes the clip's format; a clip of another rate is
 *  converted to the track's. Posts progress, and a final 100
 *  whether it succeeds or fails. */
bool PasteClip(CTrack& track, const CTimeline* clip, int64_t from, int64_t to,
               const AudioFormat& clipFormat, int64_t at);

/** The name copy to new gives [from, to) of a track called name: the name
 *  without its extension, then "(from ms-to ms)". */
std::string CopyToNewName(const std::string& name, int64_t from, int64_t to);

/** Writes the tracks one after another into one stereo wave file at rate
 *  (0: the first track's), each track of another rate converted to it. */
bool JoinTracks(CEditSession& session, const uint32_t* trackIds, uint32_t count,
                const std::string& path, uint32_t rate = 0);

} // namespace kernel
