// Every live track of the process, so that a track handle coming from outside
// can be checked before it is used.
#pragma once

class CTrack;

namespace kernel {
void RegisterTrack(const CTrack* track);
void UnregisterTrack(const CTrack* track);
bool IsLiveTrack(const CTrack* track);
} // namespace kernel
