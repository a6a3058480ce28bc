// Live peaks of a recording, sent to the record track's view.
#include "kernel_fixture.h"

#include "record/live_peaks.h"

#include <gtest/gtest.h>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

namespace {
struct Pair {
    RecordPeaks left;
    RecordPeaks right;
};
} // namespace

class LivePeaks : public KernelTest {
protected:
    void SetUp() override
    {
        KernelTest::SetUp();
        m_track = Kestrum_AddTrack(m_session, nullptr);
        m_view.onSend([this](const Message& m) {
            if (m.msg == vorlain::WM_RECORD_PEAKS)
                m_peaks.push_back({*reinterpret_cast<const RecordPeaks*>(m.wParam),
                                   *reinterpret_cast<const RecordPeaks*>(m.lParam)});
            return LRESULT(0);
        });
        m_track->m_displayHwnd = m_view.hwnd();
        m_track->m_zoomFactor = 100;
        m_peaks.clear();
    }
    CTrack* m_track = nullptr;
    MessageQueueWindow m_view;
    std::vector<Pair> m_peaks;
};

TEST_F(LivePeaks, OneSecondAtOneHundredFramesPerColumnGives441Messages)
{
    CLivePeaks peaks;
    auto bytes = PcmBytes(Sine(44100, 44100, 2, 441.0));
    // Buffers of about 100 ms that do not line up with the blocks.
    for (size_t at = 0; at < bytes.size(); at += 17640 + 4)
        peaks.Feed(*m_track, bytes.data() + at, std::min<size_t>(17644, bytes.size() - at));
    ASSERT_EQ(m_peaks.size(), 441u);
    for (size_t i = 0; i < m_peaks.size(); ++i) {
        EXPECT_EQ(m_peaks[i].left.minIndex, static_cast<int32_t>(i));
        EXPECT_EQ(m_peaks[i].right.maxIndex, static_cast<int32_t>(i));
    }
    EXPECT_EQ(m_track->m_length, kSecond);
    EXPECT_EQ(peaks.TotalBytes(), 176400);
    // Every message was sent, none posted.
    for (const Message& m : m_view.messages())
        EXPECT_TRUE(m.sent);
}

TEST_F(LivePeaks, OffsetValuesAndTheFullScaleNegativeSample)
{
    CLivePeaks peaks;
    Samples s(200, 0);
    s[0] = -32768; // left
    s[1] = 32767;  // right
    s[2] = -32767;
    s[3] = 5;
    peaks.Feed(*m_track, PcmBytes(s).data(), 400);
    ASSERT_EQ(m_peaks.size(), 1u);
    // Silence offsets to 32767; -32767 to 0; -32768 wraps to 65535, the top.
    EXPECT_EQ(m_peaks[0].left.minimum, 0);
    EXPECT_EQ(m_peaks[0].left.maximum, 65535);
    EXPECT_EQ(m_peaks[0].right.minimum, 32767);
    EXPECT_EQ(m_peaks[0].right.maximum, 65534);
}

TEST_F(LivePeaks, NoViewOrNoZoomIsNoCrash)
{
    CLivePeaks peaks;
    m_track->m_displayHwnd = nullptr;
    auto bytes = PcmBytes(Sine(1000, 44100, 2, 100));
    peaks.Feed(*m_track, bytes.data(), bytes.size());
    m_track->m_zoomFactor = 0;
    peaks.Feed(*m_track, bytes.data(), bytes.size());
    peaks.Feed(*m_track, nullptr, 100);
    EXPECT_TRUE(m_peaks.empty());
    EXPECT_EQ(peaks.TotalBytes(), 8000);
    peaks.Reset();
    EXPECT_EQ(peaks.TotalBytes(), 0);
    EXPECT_EQ(peaks.BlockIndex(), 0);
}
