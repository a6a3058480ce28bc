// Importing audio files: the converter decodes any input into a 16-bit PCM
// wave file in the session temp folder, the track cuts it into data files,
// and the source file's tags are copied into the track.
#pragma once

#include <cstdint>
#include <string>

class CEditSession;
class CTrack;

namespace kernel {

/** Imports path as a new track appended to the session (with an "Add Track"
 *  action when recordAction), converted to sampleRate (44100 for a new track;
 *  insert file and mix from file ask for their destination's rate). Posts progress 0..80 while converting and
 *  80..99 while loading, then a final 100. A stop request (Kestrum_Stop)
 *  ends it without a final 100. Returns the track, or null with the last
 *  error set where the failure has a code; no track is added on failure. */
CTrack* ImportTrack(CEditSession& session, const std::string& path, bool recordAction,
                    uint32_t sampleRate = 44100);

} // namespace kernel
