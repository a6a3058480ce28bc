// A session in an isolated environment with a registered progress window,
// and helpers that turn synthetic audio into loaded tracks.
#pragma once

#include "common/paths.h"
#include "session/edit_session.h"
#include "track/track.h"
#include "vorlain/kestrum.h"
#include "vorlain/messages.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/message_queue.h"
#include "vorlain/test/temp_env.h"

#include <memory>
#include <string>
#include <vector>

namespace kernel::test {

inline constexpr int64_t kSecond = 1'000'000;

class KernelTest : public vorlain::test::IsolatedTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /** A track loaded from a wave file made of these samples. */
    CTrack* loadTrack(const vorlain::test::Samples& samples, int rate = 44100, int channels = 2,
                      const std::string& name = "track.wav");
    /** A track of Ramp() audio lasting `frames` frames. */
    CTrack* loadRamp(int64_t frames, int rate = 44100, int channels = 2);
    /** The progress percentages posted so far. */
    std::vector<WPARAM> progress() const { return m_window->params(vorlain::WM_PROGRESS_NOTIFY); }
    /** The segments of the track's current timeline. */
    static std::vector<TrackSegment> segments(const CTrack* track);
    /** The whole track exported as PCM bytes (without header). */
    std::vector<uint8_t> pcm(CTrack* track, int64_t from = 0, int64_t to = 0);

    CEditSession* m_session = nullptr;
    std::unique_ptr<vorlain::test::MessageQueueWindow> m_window;
    int m_files = 0;
};

/** "" when the data file has a peak summary that names its size and time
 *  and holds, per block and channel, the extremes computed here sample by
 *  sample; otherwise what is wrong with it. */
std::string CheckPeakSummary(const std::string& dataPath, int channels);

/** Compact description of a segment list: "H" for a header, "[s,e)name" per audio segment. */
std::string Describe(const std::vector<TrackSegment>& segments);

} // namespace kernel::test
