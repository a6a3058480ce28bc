// Channel extraction: a new mono track from the left or right channel of a
// stereo track, with the same segment times and one new data file per segment.
#pragma once

#include <cstdint>

class CEditSession;
class CTrack;

namespace kernel {

/** The new track (not yet in the session's list), or null. channel 1 = left,
 *  anything else = right. A mono source is refused: keeping every other
 *  sample of it would be a wrong result. */
CTrack* ExtractChannel(CEditSession& session, CTrack& source, uint32_t channel);

} // namespace kernel
