// Tempo and pitch: the stretched range's exact length and frame count, the
// bytes outside it kept (those after it moved), the pitch a sine comes out
// at, refused arguments, and undo and redo.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "store/byte_offset.h"
#include "store/free_space.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

namespace {

constexpr int kRate = 44100;

// Bytes of one 5-second data file.
size_t pieceBytes(int channels)
{
    return static_cast<size_t>(5 * kRate * 2 * channels);
}

size_t bytesAt(int64_t us, int channels)
{
    return static_cast<size_t>(ByteOffset(us, 2, kRate, channels));
}

// Frames the stretched range holds: its duration's, rounded up.
size_t framesOf(int64_t duration)
{
    return static_cast<size_t>((duration * kRate + 999'999) / 1'000'000);
}

// Rising crossings of channel 0 over [first, end) frames, with hysteresis so
// that the stretcher's low noise around zero counts no extra periods.
int periods(const std::vector<uint8_t>& pcm, int channels, size_t first, size_t end)
{
    int count = 0;
    bool low = false;
    for (size_t f = first; f < end; ++f) {
        const size_t at = f * 2 * static_cast<size_t>(channels);
        const auto s = static_cast<int16_t>(static_cast<uint16_t>(pcm[at] | pcm[at + 1] << 8));
        if (s < -2000)
            low = true;
        else if (s > 2000 && low) {
            low = false;
            ++count;
        }
    }
    return count;
}

bool sameBytes(const std::vector<uint8_t>& a, size_t atA, const std::vector<uint8_t>& b, size_t atB,
               size_t count)
{
    return atA + count <= a.size() && atB + count <= b.size() &&
           std::memcmp(a.data() + atA, b.data() + atB, count) == 0;
}

} // namespace

class TimeStretch : public KernelTest {
protected:
    void TearDown() override
    {
        SetFreeSpaceProbe(nullptr);
        KernelTest::TearDown();
    }

    /** 17 s of a 330 Hz sine: four data files, the last one of 2 s. */
    CTrack* seventeenSeconds(int channels)
    {
        return loadTrack(Sine(17LL * kRate, kRate, channels, 330.0), kRate, channels);
    }

    /** Checks that the track is head + frames stretched frames + tail of the
     *  bytes before, head and tail being the bytes before a and from b. */
    void expectReplaced(CTrack* track, const std::vector<uint8_t>& before, size_t a, size_t b,
                        size_t frames, int channels)
    {
        const auto after = pcm(track);
        const size_t middle = frames * 2 * static_cast<size_t>(channels);
        ASSERT_EQ(after.size(), a + middle + (before.size() - b));
        EXPECT_TRUE(sameBytes(after, 0, before, 0, a)) << "the audio before the range";
        EXPECT_TRUE(sameBytes(after, a + middle, before, b, before.size() - b))
            << "the audio after the range";
    }
};

TEST_F(TimeStretch, TempoPlusTenShortensTheRangeAndMovesWhatFollows)
{
    for (int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        CTrack* track = seventeenSeconds(channels);
        ASSERT_NE(track, nullptr);
        const auto before = pcm(track);
        const auto files = segments(track);
        const int64_t length = track->m_length;
        // From inside the first data file to inside the third.
        const int64_t from = 1'234'567, to = 11'100'003;
        ASSERT_EQ(Kestrum_ChangeTempo(m_session, track->m_trackId, from, to, 10), 1);

        const int64_t stretched = std::llround((to - from) / 1.1);
        EXPECT_EQ(track->m_length, length - (to - from) + stretched);
        EXPECT_NEAR(static_cast<double>(track->m_length - length + (to - from)), (to - from) / 1.1,
                    10'000.0);
        const size_t a = bytesAt(from, channels);
        const size_t b = 2 * pieceBytes(channels) + bytesAt(to - 10 * kSecond, channels);
        expectReplaced(track, before, a, b, framesOf(stretched), channels);

        ActionRecord action{};
        ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &action), 1);
        EXPECT_EQ(action.type, 22u);
        EXPECT_EQ(action.undoFrom, from);
        EXPECT_EQ(action.undoTo, to);
        EXPECT_EQ(action.redoTo, from + stretched);
        EXPECT_STREQ(action.name, "Change Tempo");

        // The last data file lies wholly after the range: kept, only moved.
        // The new ones carry their peak summaries.
        const auto after = segments(track);
        EXPECT_EQ(std::string(after.back().path), files.back().path);
        EXPECT_EQ(after.back().end, track->m_length);
        for (const TrackSegment& s : after)
            if (s.state & vorlain::kAudioSegment && std::string(s.path) != files.back().path) {
                EXPECT_EQ(CheckPeakSummary(s.path, channels), "") << s.path;
            }
        EXPECT_EQ(progress().back(), 100u);
    }
}

TEST_F(TimeStretch, TempoMinusFiftyDoublesTheRange)
{
    CTrack* track = seventeenSeconds(2);
    ASSERT_NE(track, nullptr);
    const auto before = pcm(track);
    const int64_t length = track->m_length;
    ASSERT_EQ(Kestrum_ChangeTempo(m_session, 1, 2 * kSecond, 4 * kSecond, -50), 1);
    EXPECT_EQ(track->m_length, length + 2 * kSecond);
    expectReplaced(track, before, bytesAt(2 * kSecond, 2), bytesAt(4 * kSecond, 2), 4 * kRate, 2);
    // Four seconds of new audio: a whole piece is at most five.
    for (const TrackSegment& s : segments(track))
        EXPECT_LE(s.end - s.start, 5 * kSecond);
}

TEST_F(TimeStretch, TempoOfTheWholeTrackWithZeroZero)
{
    CTrack* track = loadTrack(Sine(7LL * kRate, kRate, 2, 440.0), kRate, 2);
    ASSERT_NE(track, nullptr);
    const int64_t length = track->m_length;
    ASSERT_EQ(Kestrum_ChangeTempo(m_session, 1, 0, 0, 100), 1);
    EXPECT_EQ(track->m_length, std::llround(length / 2.0));
    EXPECT_EQ(pcm(track).size(), framesOf(track->m_length) * 4);
    // Faster, not higher: the sine keeps its 440 Hz.
    EXPECT_NEAR(periods(pcm(track), 2, kRate / 2, 3 * kRate), 440 * 2.5, 440 * 2.5 * 0.01);
}

TEST_F(TimeStretch, PitchKeepsTheLengthAndAnOctaveUpDoublesTheFrequency)
{
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        CTrack* track = loadTrack(Sine(6LL * kRate, kRate, channels, 440.0), kRate, channels);
        ASSERT_NE(track, nullptr);
        const auto before = pcm(track);
        const int64_t length = track->m_length;
        EXPECT_NEAR(periods(before, channels, kRate, 5 * kRate), 440 * 4, 2);

        ASSERT_EQ(Kestrum_ChangePitch(m_session, track->m_trackId, 0, 0, 1200), 1);
        EXPECT_EQ(track->m_length, length);
        const auto after = pcm(track);
        const auto frame = static_cast<int64_t>(2 * channels);
        EXPECT_LE(
            std::llabs(static_cast<int64_t>(after.size()) - static_cast<int64_t>(before.size())),
            frame);
        EXPECT_NEAR(periods(after, channels, kRate, 5 * kRate), 880 * 4, 880 * 4 * 0.01);
        if (channels == 2) {
            // Both channels were the same and stay the same.
            size_t differing = 0;
            for (size_t at = 0; at + 4 <= after.size(); at += 4)
                differing += std::memcmp(&after[at], &after[at + 2], 2) != 0;
            EXPECT_EQ(differing, 0u);
        }
        ActionRecord action{};
        ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &action), 1);
        EXPECT_EQ(action.type, 23u);
        EXPECT_EQ(action.redoTo, length);
        EXPECT_STREQ(action.name, "Change Pitch");
    }
}

TEST_F(TimeStretch, PitchOfARangeKeepsTheBytesAroundIt)
{
    for (int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        CTrack* track = seventeenSeconds(channels);
        ASSERT_NE(track, nullptr);
        const auto before = pcm(track);
        const int64_t length = track->m_length;
        const int64_t from = 3'000'000, to = 8'500'000;
        ASSERT_EQ(Kestrum_ChangePitch(m_session, track->m_trackId, from, to, -200), 1);
        EXPECT_EQ(track->m_length, length);
        const size_t a = bytesAt(from, channels);
        const size_t b = pieceBytes(channels) + bytesAt(to - 5 * kSecond, channels);
        expectReplaced(track, before, a, b, framesOf(to - from), channels);
        // Two semitones down: 330 Hz becomes 294 Hz.
        const auto after = pcm(track);
        const size_t f0 = (a + b) / 4 / static_cast<size_t>(channels);
        EXPECT_NEAR(periods(after, channels, f0 - kRate, f0 + kRate),
                    2 * 330.0 * std::exp2(-200 / 1200.0), 5);
    }
}

TEST_F(TimeStretch, UndoAndRedoGiveBackTheExactBytes)
{
    CTrack* track = seventeenSeconds(2);
    ASSERT_NE(track, nullptr);
    const auto original = pcm(track);
    const int64_t length = track->m_length;
    ASSERT_EQ(Kestrum_ChangeTempo(m_session, 1, 4 * kSecond, 12 * kSecond, 25), 1);
    const auto faster = pcm(track);
    const int64_t fasterLength = track->m_length;
    ASSERT_EQ(Kestrum_ChangePitch(m_session, 1, kSecond, 9 * kSecond, 350), 1);
    const auto higher = pcm(track);
    EXPECT_EQ(track->m_length, fasterLength);

    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(pcm(track), faster);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(pcm(track), original);
    EXPECT_EQ(track->m_length, length);
    EXPECT_EQ(Kestrum_GetTrackTime(m_session, 1), length);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(pcm(track), faster);
    EXPECT_EQ(track->m_length, fasterLength);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(pcm(track), higher);
}

TEST_F(TimeStretch, RefusedArgumentsLeaveTheTrackAsItWas)
{
    CTrack* track = seventeenSeconds(2);
    ASSERT_NE(track, nullptr);
    const auto before = pcm(track);
    const std::string files = Describe(segments(track));
    const auto folder = ListDir(track->m_trackFolder).size();
    ActionRecord last{};
    ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &last), 1);
    const int64_t end = track->m_length;
    for (int32_t percent : {-91, 901, -1000, INT32_MAX}) {
        EXPECT_EQ(Kestrum_ChangeTempo(m_session, 1, 0, kSecond, percent), 0);
        EXPECT_EQ(Kestrum_GetLastError(), 0x0E51B002u) << percent;
    }
    for (int32_t cents : {-2401, 2401, INT32_MIN}) {
        EXPECT_EQ(Kestrum_ChangePitch(m_session, 1, 0, kSecond, cents), 0);
        EXPECT_EQ(Kestrum_GetLastError(), 0x0E61B002u) << cents;
    }
    struct Range {
        int64_t from, to;
    };
    for (const Range& bad : {Range{2 * kSecond, kSecond}, Range{kSecond, kSecond},
                             Range{-1, kSecond}, Range{0, end + 1}, Range{0, -1}}) {
        EXPECT_EQ(Kestrum_ChangeTempo(m_session, 1, bad.from, bad.to, 10), 0);
        EXPECT_EQ(Kestrum_GetLastError(), 0x0E52B002u) << bad.from << " " << bad.to;
        EXPECT_EQ(Kestrum_ChangePitch(m_session, 1, bad.from, bad.to, 100), 0);
        EXPECT_EQ(Kestrum_GetLastError(), 0x0E62B002u) << bad.from << " " << bad.to;
    }
    // The limits themselves are taken: with a range past the end, the range
    // is what fails.
    for (int32_t percent : {-90, 900}) {
        EXPECT_EQ(Kestrum_ChangeTempo(m_session, 1, 0, end + 1, percent), 0);
        EXPECT_EQ(Kestrum_GetLastError(), 0x0E52B002u) << percent;
    }
    for (int32_t cents : {-2400, 2400}) {
        EXPECT_EQ(Kestrum_ChangePitch(m_session, 1, 0, end + 1, cents), 0);
        EXPECT_EQ(Kestrum_GetLastError(), 0x0E62B002u) << cents;
    }

    // An unknown track or session fails as the other effects do.
    EXPECT_EQ(Kestrum_ChangeTempo(m_session, 99, 0, 0, 10), 0);
    EXPECT_EQ(Kestrum_ChangePitch(m_session, 99, 0, 0, 100), 0);
    EXPECT_EQ(Kestrum_ChangeTempo(nullptr, 1, 0, 0, 10), 0);
    EXPECT_EQ(Kestrum_ChangePitch(nullptr, 1, 0, 0, 100), 0);

    // A full disk is said before anything is written.
    SetFreeSpaceProbe([](const std::string&) { return int64_t(1000); });
    EXPECT_EQ(Kestrum_ChangeTempo(m_session, 1, 0, 0, 10), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E50B007u);
    EXPECT_EQ(Kestrum_ChangePitch(m_session, 1, 0, 0, 100), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E60B007u);
    // Room for a copy of the track but not for the range ten times as long:
    // the slowest tempo asks for what it will write.
    const int64_t trackKiB = end * kRate * 2 * 2 / 1'000'000 / 1024;
    SetFreeSpaceProbe([trackKiB](const std::string&) { return trackKiB * 3 + 20480; });
    EXPECT_EQ(Kestrum_ChangeTempo(m_session, 1, 0, 0, -90), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E50B007u);
    SetFreeSpaceProbe(nullptr);

    EXPECT_EQ(pcm(track), before);
    EXPECT_EQ(Describe(segments(track)), files);
    EXPECT_EQ(ListDir(track->m_trackFolder).size(), folder);
    EXPECT_EQ(track->m_length, end);
    ActionRecord now{};
    ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &now), 1);
    EXPECT_EQ(now.type, last.type);
}
