// Exporting a range of a track: wave files directly, anything else through a
// temporary wave that the converter encodes, with the track's tags written
// into the result.
#pragma once

#include <cstdint>
#include <string>

class CEditSession;
class CTrack;

namespace kernel {

/** Writes [from, to) of the track (0, 0 = all of it) to path in the format its
 *  extension names. 1/0 with the last error set where the failure has a code. */
bool ExportTrack(CEditSession& session, CTrack& track, int64_t from, int64_t to, const std::string& path);

} // namespace kernel
