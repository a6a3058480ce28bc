// Insert silence and channel extraction.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "store/segment_files.h"

#include <gtest/gtest.h>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

class InsertSilence : public KernelTest {};

TEST_F(InsertSilence, TwelveAndAHalfSecondsAtTwoSeconds)
{
    CTrack* track = loadRamp(44100 * 12);
    ASSERT_EQ(Kestrum_AddSlience(m_session, 1, 2 * kSecond, 12'500'000), 1);
    EXPECT_EQ(Describe(segments(track)),
              "H [0,2000000)00000004.dat [2000000,7000000)00000005.dat [7000000,12000000)00000006.dat "
              "[12000000,14500000)00000007.dat [14500000,17500000)00000008.dat "
              "[17500000,22500000)00000002.dat [22500000,24500000)00000003.dat ");
    auto segs = segments(track);
    EXPECT_EQ(kernel::FileSize(segs[2].path), 882000);
    EXPECT_EQ(kernel::FileSize(segs[4].path), 441000);
    EXPECT_EQ(ReadBytes(segs[4].path), std::vector<uint8_t>(441000, 0));
    auto src = PcmBytes(Ramp(44100 * 12, 2));
    auto out = pcm(track);
    ASSERT_EQ(out.size(), src.size() + 12'500'000ULL * 176400 / 1'000'000);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 2 * 176400, src.begin()));
    EXPECT_TRUE(std::all_of(out.begin() + 2 * 176400, out.begin() + 2 * 176400 + 2205000,
                            [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(out.begin() + 2 * 176400 + 2205000, out.end(), src.begin() + 2 * 176400));
    ActionRecord a{};
    Kestrum_GetLastActionAttr(m_session, &a);
    EXPECT_EQ(a.type, 18u);
    EXPECT_EQ(a.redoFrom, 2 * kSecond);
    EXPECT_EQ(a.redoTo, 14'500'000);
    EXPECT_EQ(progress().back(), 100u);
}

TEST_F(InsertSilence, ExactlyFiveSecondsAtASegmentEndWritesOneFileAndSplitsNothing)
{
    CTrack* track = loadRamp(44100 * 12);
    ASSERT_EQ(Kestrum_AddSlience(m_session, 1, 5 * kSecond, 5 * kSecond), 1);
    EXPECT_EQ(Describe(segments(track)),
              "H [0,5000000)00000001.dat [5000000,10000000)00000004.dat "
              "[10000000,15000000)00000002.dat [15000000,17000000)00000003.dat ");
}

TEST_F(InsertSilence, IntoABlankTrackGivesAHeaderAndSilenceFromZero)
{
    CTrack* blank = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_EQ(Kestrum_AddSlience(m_session, 1, 0, 7 * kSecond), 1);
    auto segs = segments(blank);
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[0].state, 1u);
    EXPECT_EQ(Describe(segs), "H [0,5000000)00000000.dat [5000000,7000000)00000001.dat ");
    EXPECT_EQ(kernel::FileSize(segs[2].path), 352800);
    EXPECT_EQ(blank->m_length, 7 * kSecond);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_TRUE(blank->IsBlank());
}

TEST_F(InsertSilence, BadArgumentsFail)
{
    loadRamp(44100);
    EXPECT_EQ(Kestrum_AddSlience(m_session, 5, 0, kSecond), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0187B001u);
    EXPECT_EQ(Kestrum_AddSlience(m_session, 1, 0, 0), 0);
    EXPECT_EQ(Kestrum_AddSlience(m_session, 1, 0, -kSecond), 0);
    EXPECT_EQ(Kestrum_AddSlience(nullptr, 1, 0, kSecond), 0);
    // Past the end: nothing is inserted, like a paste there.
    EXPECT_EQ(Kestrum_AddSlience(m_session, 1, 10 * kSecond, kSecond), 1);
    EXPECT_EQ(Kestrum_GetTrackTime(m_session, 1), kSecond);
}

class Extraction : public KernelTest {};

TEST_F(Extraction, TheLeftChannelBecomesAMonoTrackWithTheSameSegments)
{
    CTrack* source = loadRamp(44100 * 8);
    source->m_name = "song.wav";
    CTrack* left = Kestrum_ExtractTrack(m_session, 1, 1);
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->m_name, "(Extract Left)song.wav");
    EXPECT_EQ(left->m_channels, 1u);
    EXPECT_EQ(left->m_trackId, 2u);
    EXPECT_NE(left->m_trackFolder, source->m_trackFolder);
    EXPECT_EQ(left->m_length, source->m_length);
    EXPECT_EQ(left->m_bytesLoaded, source->m_bytesLoaded / 2);
    auto segs = segments(left);
    EXPECT_EQ(Describe(segs), "H [0,5000000)00000000.dat [5000000,8000000)00000001.dat ");
    EXPECT_STREQ(segs[0].path, segments(source)[0].path); // the header copied unchanged
    EXPECT_EQ(kernel::FileSize(segs[1].path), 441000);
    EXPECT_EQ(kernel::FileSize(segs[2].path), 264600);
    Samples ramp = Ramp(44100 * 8, 2);
    Samples expectedLeft, expectedRight;
    for (size_t f = 0; f < ramp.size() / 2; ++f) {
        expectedLeft.push_back(ramp[2 * f]);
        expectedRight.push_back(ramp[2 * f + 1]);
    }
    EXPECT_EQ(pcm(left), PcmBytes(expectedLeft));
    CTrack* right = Kestrum_ExtractTrack(m_session, 1, 2);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->m_name, "(Extract Right)song.wav");
    EXPECT_EQ(pcm(right), PcmBytes(expectedRight));
    CTrack* other = Kestrum_ExtractTrack(m_session, 1, 7);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->m_name, "");
    EXPECT_EQ(pcm(other), PcmBytes(expectedRight));
}

TEST_F(Extraction, UndoHidesTheNewTrackAndKeepsTheSource)
{
    CTrack* source = loadRamp(44100 * 2);
    CTrack* left = Kestrum_ExtractTrack(m_session, 1, 1);
    ActionRecord a{};
    Kestrum_GetLastActionAttr(m_session, &a);
    EXPECT_EQ(a.type, 15u);
    EXPECT_EQ(a.trackId, 1u);
    EXPECT_EQ(a.redoTrackId, 2u);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(left->m_present, 0u);
    EXPECT_EQ(source->m_present, 1u);
}

TEST_F(Extraction, MonoSourcesUnknownIdsAndMissingFilesAreRefused)
{
    loadRamp(44100, 44100, 1);
    EXPECT_EQ(Kestrum_ExtractTrack(m_session, 1, 1), nullptr);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0170B002u);
    EXPECT_EQ(Kestrum_ExtractTrack(m_session, 4, 1), nullptr);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0166B001u);
    CTrack* stereo = loadRamp(44100 * 6);
    std::remove(segments(stereo)[2].path);
    size_t folders = ListDir(m_session->m_tempFolder).size();
    EXPECT_EQ(Kestrum_ExtractTrack(m_session, 2, 1), nullptr);
    EXPECT_EQ(Kestrum_GetLastError(), 0x016CB001u);
    EXPECT_EQ(m_session->TrackCount(), 2u);
    EXPECT_EQ(ListDir(m_session->m_tempFolder).size(), folders);
}
