// Insertions that lengthen a track at a time position: silence, and the
// whole audio of another track (insert file imports into a hidden track first).
#pragma once

#include <cstdint>

class CTrack;
class CEditSession;

namespace kernel {

/** Inserts duration of silence at time at, in zero-filled data files of at
 *  most one piece each. A blank track gets a header and the silence. Posts
 *  progress and a final 100. false (track unchanged) when a file fails. */
bool InsertSilence(CTrack& track, int64_t at, int64_t duration);

} // namespace kernel
