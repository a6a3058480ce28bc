#include "record/live_peaks.h"

#include "track/track.h"
#include "vorlain/messages.h"
#include "vorlain/platform.h"

#include <algorithm>

namespace kernel {

CLivePeaks& CLivePeaks::Instance()
{
    static CLivePeaks peaks;
    return peaks;
}

void CLivePeaks::Reset() { *this = CLivePeaks(); }

void CLivePeaks::Feed(CTrack& track, const uint8_t* buffer, size_t byteCount)
{
    if (!buffer)
        return;
    m_total += static_cast<int64_t>(byteCount);
    const int64_t bytesPerSecond = int64_t(track.m_bytesPerSample) * track.m_sampleRate * track.m_channels;
    if (bytesPerSecond > 0)
        track.PublishLength(m_total * 1'000'000 / bytesPerSecond);
    const uint32_t N = track.m_zoomFactor;
    if (N == 0)
        return; // no display columns to feed
    for (size_t i = 0; i + 3 < byteCount; i += 4) {
        // Offset to unsigned in 16-bit arithmetic: -32767..32767 -> 0..65534, -32768 -> 65535.
        auto offset = [](const uint8_t* p) {
            auto s = static_cast<uint16_t>(p[0] | p[1] << 8);
            return static_cast<int32_t>(static_cast<uint16_t>(s + 32767));
        };
        const int32_t l = offset(buffer + i);
        const int32_t r = offset(buffer + i + 2);
        if (m_frames == 0) {
            m_left = {m_block, l, m_block, l};
            m_right = {m_block, r, m_block, r};
        } else {
            m_left.minimum = std::min(m_left.minimum, l);
            m_left.maximum = std::max(m_left.maximum, l);
            m_right.minimum = std::min(m_right.minimum, r);
            m_right.maximum = std::max(m_right.maximum, r);
        }
        if (++m_frames == N) {
            m_block += 1;
            m_frames = 0;
            VorlainOutputDebugString("Left: High:(%d:%d) Low:(%d:%d) Right: High:(%d:%d) Low:(%d:%d)",
                                     m_left.minIndex, m_left.minimum, m_left.maxIndex, m_left.maximum,
                                     m_right.minIndex, m_right.minimum, m_right.maxIndex,
                                     m_right.maximum);
            // Sent, not posted: the pointers are valid only during the call.
            SendMessage(track.m_displayHwnd, vorlain::WM_RECORD_PEAKS,
                        reinterpret_cast<WPARAM>(&m_left), reinterpret_cast<LPARAM>(&m_right));
        }
    }
}

} // namespace kernel
