// Insert file: import into a hidden track, paste its whole audio, two
// history actions, and the failures that must not leave anything behind.
#include "kernel_fixture.h"

#include "common/last_error.h"

#include <gtest/gtest.h>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

class InsertFile : public KernelTest {
protected:
    ActionRecord last()
    {
        ActionRecord a{};
        Kestrum_GetLastActionAttr(m_session, &a);
        return a;
    }
    std::string wave(const std::string& name, const Samples& samples, int channels, int rate = 44100)
    {
        const std::string path = env().path(name);
        EXPECT_TRUE(WriteWave(path, samples, rate, channels));
        return path;
    }
};

TEST_F(InsertFile, AMonoFileIntoAStereoTrackDoublesEverySample)
{
    CTrack* track = loadRamp(44100 * 3);
    const auto original = pcm(track);
    const Samples mono = Clicks(22050, 1, {0, 100, 22049}, -12345);
    const std::string file = wave("mono.wav", mono, 1);
    m_window->clear();
    ASSERT_EQ(Kestrum_AddFile(m_session, 1, file.c_str(), kSecond), 1);
    const auto p = progress();
    EXPECT_EQ(track->m_length, 3'500'000);

    Samples stereo;
    for (int16_t s : mono) {
        stereo.push_back(s);
        stereo.push_back(s);
    }
    std::vector<uint8_t> expected(original.begin(), original.begin() + 176400);
    const auto inserted = PcmBytes(stereo);
    expected.insert(expected.end(), inserted.begin(), inserted.end());
    expected.insert(expected.end(), original.begin() + 176400, original.end());
    EXPECT_EQ(pcm(track), expected);

    // The hidden track: imported, mono, not present, named after the file.
    ASSERT_EQ(m_session->TrackCount(), 2u);
    CTrack* hidden = m_session->FindTrack(2);
    EXPECT_EQ(hidden->m_present, 0u);
    EXPECT_EQ(hidden->m_channels, 1u);
    EXPECT_EQ(hidden->m_name, "mono.wav");
    TrackBaseInfo info{};
    ASSERT_EQ(Kestrum_GetTrackBaseInfo(m_session, 2, &info), 1);
    EXPECT_EQ(info.deleted, 1u);

    const ActionRecord a = last();
    EXPECT_EQ(a.type, 17u);
    EXPECT_EQ(a.trackId, 1u);
    EXPECT_EQ(a.undoFrom, kSecond);
    EXPECT_EQ(a.undoTo, kSecond);
    EXPECT_EQ(a.redoTrackId, 1u);
    EXPECT_EQ(a.redoFrom, kSecond);
    EXPECT_EQ(a.redoTo, 1'500'000);
    ASSERT_NE(a.previous, nullptr);
    EXPECT_EQ(a.previous->type, 1u);
    EXPECT_EQ(a.previous->trackId, 2u);
    // Two phases: the import's 100, then the paste's.
    EXPECT_EQ(std::count(p.begin(), p.end(), WPARAM(100)), 2);
    EXPECT_EQ(p.back(), 100u);
}

TEST_F(InsertFile, TwoUndoStepsRemoveTheInsertionAndThenTheHiddenTrack)
{
    CTrack* track = loadRamp(44100 * 7);
    const auto original = pcm(track);
    const std::string file = wave("stereo.wav", Sine(44100, 44100, 2, 440), 2);
    ASSERT_EQ(Kestrum_AddFile(m_session, 1, file.c_str(), 6 * kSecond), 1);
    const auto inserted = pcm(track);
    EXPECT_EQ(track->m_length, 8 * kSecond);

    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(pcm(track), original);
    EXPECT_EQ(track->m_length, 7 * kSecond);
    EXPECT_EQ(last().type, 1u);
    EXPECT_EQ(last().trackId, 2u);

    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(m_session->FindTrack(2)->m_present, 0u);
    EXPECT_EQ(last().trackId, 1u); // the loaded track's own "Add Track"
    EXPECT_EQ(pcm(track), original);

    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(pcm(track), inserted);
    EXPECT_EQ(last().type, 17u);
}

TEST_F(InsertFile, AStereoFileIntoAMonoTrackOrABlankTrack)
{
    const Samples stereo = Ramp(4410, 2);
    const std::string file = wave("stereo.wav", stereo, 2);
    CTrack* mono = loadTrack(Samples(4410, 0), 44100, 1);
    ASSERT_EQ(Kestrum_AddFile(m_session, 1, file.c_str(), 0), 1);
    Samples left;
    for (size_t i = 0; i < stereo.size(); i += 2)
        left.push_back(stereo[i]);
    left.resize(left.size() + 4410, 0);
    EXPECT_EQ(pcm(mono), PcmBytes(left));

    CTrack* blank = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_EQ(Kestrum_AddFile(m_session, blank->m_trackId, file.c_str(), 0), 1);
    EXPECT_EQ(blank->m_channels, 2u);
    EXPECT_EQ(pcm(blank), PcmBytes(stereo));
}

TEST_F(InsertFile, FailuresLeaveNoHiddenTrackOrActionBehind)
{
    CTrack* track = loadRamp(44100);
    const std::string file = wave("one.wav", Ramp(441, 2), 2);
    const CTimeline* timeline = track->Timeline();

    m_window->clear();
    EXPECT_EQ(Kestrum_AddFile(m_session, 5, file.c_str(), 0), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0653B001u);
    EXPECT_EQ(m_session->TrackCount(), 1u);
    EXPECT_EQ(progress(), (std::vector<WPARAM>{100}));

    EXPECT_EQ(Kestrum_AddFile(m_session, 1, env().path("missing.mp3").c_str(), 0), 0);
    EXPECT_TRUE(Kestrum_GetLastError() == 0x035DB001u || Kestrum_GetLastError() == 0x0368B001u);
    EXPECT_EQ(Kestrum_AddFile(m_session, 1, nullptr, 0), 0);
    EXPECT_EQ(m_session->TrackCount(), 1u);
    EXPECT_EQ(track->Timeline(), timeline);
    EXPECT_EQ(last().type, 1u); // still the load's "Add Track"

    // A track at another rate gets the file converted to its own rate, so
    // the inserted audio keeps its duration and pitch.
    CTrack* slow = loadRamp(22050, 22050, 2);
    const int64_t before = slow->m_length;
    ASSERT_EQ(Kestrum_AddFile(m_session, slow->m_trackId, file.c_str(), 0), 1);
    CTrack* hidden = m_session->FindTrack(3);
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(hidden->m_sampleRate, 22050u);
    EXPECT_NEAR(static_cast<double>(slow->m_length - before), static_cast<double>(hidden->m_length), 100);
    EXPECT_EQ(m_session->TrackCount(), 3u);
    EXPECT_EQ(Kestrum_AddFile(nullptr, 1, file.c_str(), 0), 0);
}
