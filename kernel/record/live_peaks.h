// Live peaks of a recording: one minimum/maximum pair per channel for every
// block of N frames (N = the record track's zoom factor), sent to the record
// track's view as WM_RECORD_PEAKS while the audio arrives.
#pragma once

#include "vorlain/records.h"

#include <cstddef>
#include <cstdint>

class CTrack;

namespace kernel {

class CLivePeaks {
public:
    /** The peak state of the process (one recording at a time). */
    static CLivePeaks& Instance();

    /** Back to zero: called when a recording starts. */
    void Reset();

    /** Feeds one buffer of 16-bit stereo frames recorded into track: updates
     *  the track's length and sends a WM_RECORD_PEAKS to its display window
     *  for every completed block. A block left incomplete at the end of the
     *  buffer continues with the next one. */
    void Feed(CTrack& track, const uint8_t* buffer, size_t byteCount);

    int64_t TotalBytes() const { return m_total; }
    int32_t BlockIndex() const { return m_block; }

private:
    int64_t m_total = 0;
    uint32_t m_frames = 0; // frames of the current block
    int32_t m_block = 0;
    RecordPeaks m_left{};
    RecordPeaks m_right{};
};

} // namespace kernel
