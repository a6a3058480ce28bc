// The free-space check before an edit writes new data files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class CTrack;

namespace kernel {

/** Whether the drive of folder has room for a copy of the track's audio plus
 *  20 MiB: needed KiB = bytes(length) / 1024 + 20480 < free KiB. */
bool HasRoomFor(const CTrack& track, const std::string& folder);
/** The same for duration microseconds of the track's format: an edit whose
 *  new audio is longer than the track (a slower tempo) asks for that. */
bool HasRoomFor(const CTrack& track, int64_t duration, const std::string& folder);

/** Replaces the free-space query (tests simulate a full disk); null restores it. */
void SetFreeSpaceProbe(std::function<int64_t(const std::string&)> probe);
/** Free KiB of the drive holding path, through the probe. */
int64_t QueryFreeSpaceKiB(const std::string& path);

} // namespace kernel
