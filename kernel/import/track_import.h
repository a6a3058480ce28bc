// Importing audio files: the converter decodes any input to 16-bit PCM and
// hands it straight to the new track, which cuts it into its data files (one
// pass, no wave file in between); the source file's tags are copied into
// the track.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CEditSession;
class CTrack;

namespace kernel {

/** Imports path as a new track appended to the session (with an "Add Track"
 *  action when recordAction), at sampleRate, or at the source's own rate
 *  (kept within 8000..192000 Hz) when it is 0; insert file and mix from file
 *  ask for their destination's rate. Posts
 *  progress 0..99 while converting, then a final 100. A stop request
 *  (Kestrum_Stop) ends it without a final 100 and with the last error
 *  unchanged. Returns the track, or null with the last error set; no track
 *  is added and no data file is left behind on failure. */
CTrack* ImportTrack(CEditSession& session, const std::string& path, bool recordAction,
                    uint32_t sampleRate = 0);

/** The import without its last steps: the track, not yet in the session
 *  (its id is the session's next), or null with the last error set and the
 *  final 100 posted. The caller appends it, or lets it go with its files. */
std::unique_ptr<CTrack> ImportDetached(CEditSession& session, const std::string& path,
                                       uint32_t sampleRate);

/** A file imported for another track's sake (insert file, mix from file):
 *  detached and hidden, the import's final 100 posted. Null with the last
 *  error set on failure. */
std::unique_ptr<CTrack> ImportHidden(CEditSession& session, const std::string& path,
                                     uint32_t sampleRate);

/** Once the change that used it is in: the hidden track joins the session
 *  with its "Add Track" action, then the change's own action on trackId
 *  over [at, at + length) is recorded. */
void AdoptHidden(CEditSession& session, std::unique_ptr<CTrack> hidden, uint32_t trackId,
                 uint32_t action, int64_t at, int64_t length);

} // namespace kernel
