// Writing a time range of a track as a wave file: canonical up to 4 GiB of
// audio, RF64 beyond (the long-file tests write one past 4 GiB).
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "store/byte_offset.h"
#include "wave/wave_header.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

class WaveWriter : public KernelTest {
protected:
    std::vector<uint8_t> source(int64_t frames, int channels = 2)
    {
        return PcmBytes(Ramp(frames, channels));
    }
};

TEST_F(WaveWriter, AWholeTwelveSecondTrackIsByteExact)
{
    CTrack* track = loadRamp(44100 * 12);
    ASSERT_NE(track, nullptr);
    std::string out = env().path("whole.wav");
    m_window->clear();
    ASSERT_EQ(track->SaveRangeToWave(0, 0, out.c_str()), 1);
    auto bytes = ReadBytes(out);
    ASSERT_EQ(bytes.size(), 44u + 2116800u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 44), WaveHeader(44100, 2, 2116800));
    EXPECT_EQ(U32(bytes, 4), 2116836u);
    EXPECT_TRUE(std::equal(bytes.begin() + 44, bytes.end(), source(44100 * 12).begin()));
    auto posted = progress();
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back(), 100u);
    EXPECT_TRUE(std::is_sorted(posted.begin(), posted.end()));
    EXPECT_EQ(std::count(posted.begin(), posted.end(), 100u), 1);
}

TEST_F(WaveWriter, ARangeInsideOneSegmentWritesRuleBytes)
{
    CTrack* track = loadRamp(44100 * 12);
    const int64_t from = 1'234'567, to = 3'456'789;
    auto data = pcm(track, from, to);
    int64_t n = ByteOffset(to - from, 2, 44100, 2);
    ASSERT_EQ(static_cast<int64_t>(data.size()), n);
    EXPECT_EQ(n % 4, 0);
    auto src = source(44100 * 12);
    int64_t at = ByteOffset(from, 2, 44100, 2);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), src.begin() + at));
}

TEST_F(WaveWriter, ARangeAcrossASegmentBoundaryJoinsTailAndHead)
{
    CTrack* track = loadRamp(44100 * 12);
    auto data = pcm(track, 4 * kSecond, 7 * kSecond);
    auto src = source(44100 * 12);
    // rule(1 s) from the tail of the first file, rule(2 s) of the second.
    ASSERT_EQ(data.size(), 176400u + 352800u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), src.begin() + 4 * 176400));
}

TEST_F(WaveWriter, ARangeOverWholeSegmentsCopiesThemAll)
{
    CTrack* track = loadRamp(44100 * 12);
    auto data = pcm(track, 2 * kSecond, 11 * kSecond);
    auto src = source(44100 * 12);
    ASSERT_EQ(data.size(), 9u * 176400u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), src.begin() + 2 * 176400));
}

TEST_F(WaveWriter, AMonoTrackWritesAMonoHeader)
{
    CTrack* track = loadRamp(22050 * 3, 22050, 1);
    std::string out = env().path("mono.wav");
    ASSERT_EQ(track->SaveRangeToWave(0, 0, out.c_str()), 1);
    auto bytes = ReadBytes(out);
    EXPECT_EQ(U16(bytes, 22), 1);
    EXPECT_EQ(U32(bytes, 24), 22050u);
    EXPECT_EQ(U32(bytes, 28), 44100u);
    EXPECT_EQ(U16(bytes, 32), 2);
    EXPECT_EQ(U16(bytes, 34), 16);
    EXPECT_EQ(U32(bytes, 40), 22050u * 3 * 2);
}

TEST_F(WaveWriter, ARangePastTheEndWritesWhatTheTimelineHolds)
{
    CTrack* track = loadRamp(44100 * 6);
    std::string out = env().path("past.wav");
    ASSERT_EQ(track->SaveRangeToWave(5 * kSecond, 20 * kSecond, out.c_str()), 1);
    auto bytes = ReadBytes(out);
    EXPECT_EQ(U32(bytes, 40), 176400u);
    EXPECT_EQ(bytes.size(), 44u + 176400u);
    EXPECT_EQ(U32(bytes, 4), 176436u);
}

TEST_F(WaveWriter, ReversedAndEmptyRangesWriteAnEmptyWave)
{
    CTrack* track = loadRamp(44100 * 6);
    EXPECT_TRUE(pcm(track, 3 * kSecond, 3 * kSecond).empty());
    std::string out = env().path("rev.wav");
    ASSERT_EQ(track->SaveRangeToWave(4 * kSecond, 2 * kSecond, out.c_str()), 1);
    EXPECT_EQ(ReadBytes(out), WaveHeader(44100, 2, 0));
}

TEST_F(WaveWriter, FailuresKeepThePreviousFileAndLeaveNothingHalfWritten)
{
    CTrack* track = loadRamp(44100 * 12);
    std::string out = env().path("keep.wav");
    WriteBytes(out, {'o', 'l', 'd'});
    // A data file vanishes behind the kernel's back.
    std::remove(segments(track)[2].path);
    m_window->clear();
    EXPECT_EQ(track->SaveRangeToWave(0, 0, out.c_str()), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0A24B001u); // the whole second segment could not be read
    EXPECT_EQ(ReadBytes(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(ListDir(env().root()), (std::vector<std::string>{"home", "keep.wav", "source0.wav", "tmp"}));
    EXPECT_EQ(progress().back(), 100u); // the progress dialog is always released
}

TEST_F(WaveWriter, AMissingOrUnwritableOutputFails)
{
    CTrack* track = loadRamp(44100);
    EXPECT_EQ(track->SaveRangeToWave(0, 0, nullptr), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0953B002u);
    EXPECT_EQ(track->SaveRangeToWave(0, 0, env().path("no/such/dir/x.wav").c_str()), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0966B001u);
}

TEST_F(WaveWriter, ABlankTrackWritesAHeaderOnly)
{
    CTrack* track = Kestrum_AddTrack(m_session, nullptr);
    std::string out = env().path("blank.wav");
    ASSERT_EQ(track->SaveRangeToWave(0, 0, out.c_str()), 1);
    EXPECT_EQ(ReadBytes(out), WaveHeader(44100, 2, 0));
}

TEST_F(WaveWriter, TheRf64HeaderHoldsTheSizesInItsDs64Chunk)
{
    const int64_t data = 5'000'000'004; // past 4 GiB
    const Rf64HeaderBytes h = MakeRf64Header(2, 44100, data);
    const std::vector<uint8_t> bytes(h.begin(), h.end());
    EXPECT_EQ(bytes, Rf64Header(44100, 2, data));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RF64");
    EXPECT_EQ(U32(bytes, 4), 0xFFFFFFFFu);
    EXPECT_EQ(U32(bytes, 28) | uint64_t(U32(bytes, 32)) << 32, uint64_t(data));
    EXPECT_EQ(U32(bytes, 36) | uint64_t(U32(bytes, 40)) << 32, uint64_t(data / 4));
    // The fmt chunk is the canonical header's, mono included.
    const Rf64HeaderBytes mono = MakeRf64Header(1, 22050, 10);
    const WaveHeaderBytes canonical = MakeWaveHeader(1, 22050, 10);
    EXPECT_TRUE(std::equal(mono.begin() + 48, mono.begin() + 72, canonical.begin() + 12));
    // The largest canonical size is still canonical.
    EXPECT_EQ(kMaxCanonicalWaveData, 0xFFFFFFFFLL - 36);
}
