// Insert file: the file is imported into a hidden track (with its own "Add
// Track" action) whose whole audio is then pasted into the destination.
#pragma once

#include <cstdint>
#include <string>

class CEditSession;

namespace kernel {

/** Inserts the audio file at path into the track at time at and records
 *  "Insert File". The hidden imported track stays in the session, not
 *  present. Mono and stereo are converted to the track's channel count. false
 *  with the last error set where the failure has a code. */
bool InsertFile(CEditSession& session, uint32_t trackId, const std::string& path, int64_t at);

} // namespace kernel
