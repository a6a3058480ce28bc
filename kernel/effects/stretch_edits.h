// Tempo and pitch as edits: the range replaced by its stretched audio through
// the replace walk a cut uses, committed as one new timeline version.
#pragma once

#include <cstdint>

class CTrack;

namespace kernel {

/** Plays [from, to) 1 + percent / 100 times as fast without changing its
 *  pitch: the range becomes 100 / (100 + percent) of its length and what
 *  follows moves with its end, which newTo receives. Posts progress and a
 *  final 100. false (track unchanged) when a file fails or a stop comes. */
bool ChangeTempo(CTrack& track, int64_t from, int64_t to, int32_t percent, int64_t& newTo);

/** Shifts the pitch of [from, to) by cents keeping its length. Posts progress
 *  and a final 100. false (track unchanged) when a file fails or a stop comes. */
bool ChangePitch(CTrack& track, int64_t from, int64_t to, int32_t cents);

} // namespace kernel
