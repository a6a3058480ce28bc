// Mixing: the samples of a source (the clipboard, another track, or a file
// imported into a hidden track), scaled by a level, added onto a destination
// track from a time position on. The destination keeps its length and its
// segment times; the segments the mix touches get new data files.
#pragma once

#include "edits/timeline_builder.h"

#include <cstdint>
#include <string>

class CEditSession;
class CTrack;

namespace kernel {

/** Adds [from, to) of source (to <= 0: all of it, from its start) onto track
 *  from time at on: out = trunc(s * level + d), clamped to 16 bits. Source
 *  audio that would fall after the track's end is dropped. Posts progress and
 *  a final 100. false (the track keeps its timeline) when the arguments are
 *  refused (last error set) or a data file cannot be read or written. */
bool MixIntoTrack(CTrack& track, const CTimeline& source, const AudioFormat& sourceFormat,
                  int64_t from, int64_t to, int64_t at, float level);

/** The three mixes of the export table, each recording a "Mix" action. */
bool MixFromClipboard(CEditSession& session, uint32_t trackId, int64_t at, float level);
bool MixFromTrack(CEditSession& session, uint32_t trackId, int64_t at, uint32_t sourceTrackId,
                  float level);
bool MixFromFile(CEditSession& session, uint32_t trackId, int64_t at, const std::string& path,
                 float level);

} // namespace kernel
