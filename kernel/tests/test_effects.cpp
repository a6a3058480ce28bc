// The sample effects: exact sample values inside the range, untouched bytes
// outside it, refused parameters, the free-space check, undo and redo.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "effects/echo_effect.h"
#include "effects/fade_in_effect.h"
#include "effects/fade_out_effect.h"
#include "effects/volume_effect.h"
#include "store/byte_offset.h"
#include "store/free_space.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

namespace {

int16_t sampleOf(const std::vector<uint8_t>& pcm, size_t sampleIndex)
{
    return static_cast<int16_t>(
        static_cast<uint16_t>(pcm[2 * sampleIndex] | pcm[2 * sampleIndex + 1] << 8));
}

// Stereo test signal: a repeating set of values that exercises rounding and clamping.
Samples pattern(int64_t frames)
{
    static const int16_t values[] = {10000, -10000, 20000, -20000, 32767, -32768, 1,
                                     -1,    3,      -3,    129,    -129,  0,      12345};
    Samples s(static_cast<size_t>(frames * 2));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = values[i % std::size(values)];
    return s;
}

} // namespace

class Effects : public KernelTest {
protected:
    void SetUp() override
    {
        KernelTest::SetUp();
        m_samples = pattern(44100 * 8);
        m_track = loadTrack(m_samples, 44100, 2);
        ASSERT_NE(m_track, nullptr);
    }
    void TearDown() override
    {
        SetFreeSpaceProbe(nullptr);
        KernelTest::TearDown();
    }
    // The samples of the range [1 s, 2 s) and everything outside it compared.
    template <typename Expect> void expectRange(const Expect& expected)
    {
        auto out = pcm(m_track);
        ASSERT_EQ(out.size(), m_samples.size() * 2);
        const size_t first = 44100 * 2, last = 2 * 44100 * 2; // sample indexes of 1 s and 2 s
        for (size_t i = 0; i < m_samples.size(); ++i) {
            int16_t got = sampleOf(out, i);
            if (i < first || i >= last)
                ASSERT_EQ(got, m_samples[i]) << "outside the range at sample " << i;
            else
                ASSERT_EQ(got, expected(static_cast<int64_t>(i - first) * 2, m_samples[i]))
                    << "sample " << i;
        }
    }

    Samples m_samples;
    CTrack* m_track = nullptr;
};

TEST_F(Effects, VolumeScalesWithRoundingAndClamps)
{
    for (uint32_t factor : {512u, 128u, 0u, 256u}) {
        ASSERT_EQ(Kestrum_AdjustVolumn(m_session, 1, kSecond, 2 * kSecond, factor), 1) << factor;
        expectRange([factor](int64_t, int16_t s) {
            return static_cast<int16_t>(
                std::clamp((s * static_cast<int32_t>(factor) + 128) >> 8, -32768, 32767));
        });
        ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    }
}

TEST_F(Effects, VolumeKnownValues)
{
    CVolumeEffect e;
    ASSERT_TRUE(e.SetVolume(512));
    uint8_t block[8] = {0x10, 0x27, 0xF0, 0xD8,
                        0xFF, 0x7F, 0x00, 0x80}; // 10000, -10000, 32767, -32768
    ASSERT_TRUE(e.Process(block, 8));
    EXPECT_EQ(sampleOf({block, block + 8}, 0), 20000);
    EXPECT_EQ(sampleOf({block, block + 8}, 1), -20000);
    EXPECT_EQ(sampleOf({block, block + 8}, 2), 32767);
    EXPECT_EQ(sampleOf({block, block + 8}, 3), -32768);
    EXPECT_FALSE(e.SetVolume(1281));
    EXPECT_EQ(e.m_factor, 512u);
    EXPECT_FALSE(e.Process(nullptr, 8));
    EXPECT_FALSE(e.Process(block, 0));
    uint8_t odd[3] = {1, 0, 0x55};
    ASSERT_TRUE(e.Process(odd, 3));
    EXPECT_EQ(odd[2], 0x55); // the lone last byte is left alone
}

TEST_F(Effects, LinearFadeInStartsAtZeroAndHalvesAtTheMiddle)
{
    ASSERT_EQ(Kestrum_FadeIn(m_session, 1, kSecond, 2 * kSecond, 0), 1);
    const int64_t N = 176400;
    expectRange([N](int64_t q, int16_t s) { return static_cast<int16_t>(q * s / N); });
    auto out = pcm(m_track);
    EXPECT_EQ(sampleOf(out, 44100 * 2), 0);
    const size_t middle = 44100 * 2 + N / 2 / 2;
    EXPECT_EQ(sampleOf(out, middle), static_cast<int16_t>(m_samples[middle] / 2));
}

TEST_F(Effects, LogarithmicFadeInReachesHalfAtTheSquareRoot)
{
    CFadeInEffect e;
    e.SetChannels(2);
    e.SetSampleRate(44100);
    ASSERT_TRUE(e.SetRange(0, kSecond));
    ASSERT_TRUE(e.SetCurve(1));
    ASSERT_EQ(e.m_rangeBytes, 176400); // 420 squared
    std::vector<uint8_t> block(1024);
    for (size_t i = 0; i < block.size(); i += 2) {
        block[i] = 0x11; // 10001
        block[i + 1] = 0x27;
    }
    ASSERT_TRUE(e.Process(block.data(), static_cast<int64_t>(block.size())));
    EXPECT_EQ(sampleOf(block, 0), 0);      // q = 0
    EXPECT_EQ(sampleOf(block, 210), 5000); // q = 420 = sqrt(N): gain 0.5
    for (size_t i = 1; i < 512; ++i) {
        long double gain = std::log10(static_cast<long double>(2 * i)) / std::log10(176400.0L);
        EXPECT_EQ(sampleOf(block, i), static_cast<int16_t>(std::trunc(gain * 10001))) << i;
    }
}

TEST_F(Effects, FadesRefuseBadCurvesAndRunLinear)
{
    CFadeOutEffect e;
    EXPECT_FALSE(e.SetCurve(2));
    EXPECT_EQ(e.m_curve, 0u);
    ASSERT_EQ(Kestrum_FadeOut(m_session, 1, kSecond, 2 * kSecond, 7), 1);
    const int64_t N = 176400;
    expectRange([N](int64_t q, int16_t s) { return static_cast<int16_t>((N - q) * s / N); });
    EXPECT_EQ(sampleOf(pcm(m_track), 44100 * 2), m_samples[44100 * 2]); // starts at exactly 1
}

TEST_F(Effects, LogarithmicFadeOut)
{
    ASSERT_EQ(Kestrum_FadeOut(m_session, 1, kSecond, 2 * kSecond, 1), 1);
    const long double lnN = std::log(176400.0L);
    expectRange([lnN](int64_t q, int16_t s) {
        return static_cast<int16_t>(static_cast<uint16_t>(static_cast<int64_t>(
            std::trunc(std::log(static_cast<long double>(176400 - q)) * s / lnN))));
    });
}

TEST_F(Effects, SilenceZeroesTheRangeOnly)
{
    ASSERT_EQ(Kestrum_Silence(m_session, 1, kSecond, 2 * kSecond), 1);
    expectRange([](int64_t, int16_t) { return int16_t(0); });
}

TEST_F(Effects, EchoRepeatsAClickEverySecondScaledByDecay)
{
    Samples clicks = Clicks(44100 * 4, 2, {8820}); // a click at 0.2 s
    CTrack* track = loadTrack(clicks, 44100, 2);
    ASSERT_EQ(Kestrum_Echo(m_session, 2, 0, 3 * kSecond, 0, 0, vorlain::FloatBits(0.5f)), 1);
    auto out = pcm(track);
    auto at = [&](int64_t frame, int ch) {
        return sampleOf(out, static_cast<size_t>(frame * 2 + ch));
    };
    for (int ch = 0; ch < 2; ++ch) {
        EXPECT_EQ(at(8820, ch), 20000);         // the first second passes unchanged
        EXPECT_EQ(at(8820 + 44100, ch), 10000); // + 1 s, x decay
        EXPECT_EQ(at(8820 + 88200, ch), 5000);  // + 2 s, x decay squared
        EXPECT_EQ(at(8821 + 44100, ch), 0);
    }
    size_t nonZero = 0;
    for (size_t i = 0; i < out.size() / 2; ++i)
        nonZero += sampleOf(out, i) != 0;
    EXPECT_EQ(nonZero, 6u);
}

TEST_F(Effects, EchoWithoutDecayRewritesTheRangeUnchanged)
{
    CEchoEffect e;
    e.SetDecay(0.0f);
    uint8_t block[4] = {1, 2, 3, 4};
    EXPECT_FALSE(e.Process(block, 4));
    size_t before = ListDir(m_track->m_trackFolder).size();
    ASSERT_EQ(Kestrum_Echo(m_session, 1, kSecond, 3 * kSecond, 0, 0, vorlain::FloatBits(-1.0f)), 1);
    EXPECT_GT(ListDir(m_track->m_trackFolder).size(), before);
    EXPECT_EQ(pcm(m_track), PcmBytes(m_samples));
    ActionRecord a{};
    Kestrum_GetLastActionAttr(m_session, &a);
    EXPECT_EQ(a.type, 5u);
}

TEST_F(Effects, ARangeAcrossSegmentsRewritesOnlyTheOverlappingOnes)
{
    ASSERT_EQ(Kestrum_Silence(m_session, 1, 4 * kSecond, 6 * kSecond), 1);
    EXPECT_EQ(Describe(segments(m_track)),
              "H [0,5000000)00000003.dat [5000000,8000000)00000004.dat ");
    ASSERT_EQ(Kestrum_Silence(m_session, 1, 6 * kSecond, 7 * kSecond), 1);
    EXPECT_EQ(Describe(segments(m_track)),
              "H [0,5000000)00000003.dat [5000000,8000000)00000005.dat ");
    auto out = pcm(m_track);
    for (size_t i = 0; i < m_samples.size(); ++i) {
        bool silent = i >= 4 * 88200 && i < 7 * 88200;
        ASSERT_EQ(sampleOf(out, i), silent ? 0 : m_samples[i]) << i;
    }
}

// The block loops run a chunk of samples at a time and in doubles where the
// integer formula allows: over a range that starts and ends inside data
// files, spans three of them and many 64 KiB blocks, on samples that hit
// every rounding and both limits, each effect gives exactly the integer
// formula's samples, leaves the rest byte for byte, and writes the new
// files' peak summaries as it streams them.
TEST_F(Effects, EachEffectMatchesItsIntegerFormulaAcrossFilesAndBlocks)
{
    Samples noise(static_cast<size_t>(44100 * 14 * 2));
    uint32_t seed = 12345;
    for (size_t i = 0; i < noise.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise[i] = i % 97 == 0 ? (i % 2 ? int16_t(32767) : int16_t(-32768))
                               : static_cast<int16_t>(seed >> 16);
    }
    const int64_t F = 1'234'567, T = 11'100'003, fileTime = 5 * kSecond;
    const int64_t first = ByteOffset(F, 2, 44100, 2) / 2;
    const int64_t last =
        (2 * fileTime * 44100 / kSecond * 2 * 2 + ByteOffset(T - 2 * fileTime, 2, 44100, 2)) / 2;
    const int64_t N = ByteLength(T - F, 2, 44100, 2);
    const int64_t D = ByteOffset(kSecond, 2, 44100, 2);
    auto low16 = [](int64_t v) {
        return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v)));
    };
    auto clamp16 = [](int64_t v) { return std::clamp<int64_t>(v, -32768, 32767); };

    struct Case {
        const char* name;
        std::function<int(CEditSession*, uint32_t)> apply;
        std::function<void(std::vector<int16_t>&)> expect; // over the range's samples
    };
    const std::vector<Case> cases = {
        {"fade in", [&](CEditSession* s, uint32_t id) { return Kestrum_FadeIn(s, id, F, T, 0); },
         [&](std::vector<int16_t>& r) {
             const int64_t n = N / 4 * 4;
             for (size_t k = 0; k < r.size(); ++k)
                 r[k] = low16(int64_t(2 * k) * r[k] / n);
         }},
        {"fade out", [&](CEditSession* s, uint32_t id) { return Kestrum_FadeOut(s, id, F, T, 0); },
         [&](std::vector<int16_t>& r) {
             for (size_t k = 0; k < r.size(); ++k)
                 r[k] = low16((N - int64_t(2 * k)) * r[k] / N);
         }},
        {"volume",
         [&](CEditSession* s, uint32_t id) { return Kestrum_AdjustVolumn(s, id, F, T, 389); },
         [&](std::vector<int16_t>& r) {
             for (int16_t& v : r)
                 v = static_cast<int16_t>(clamp16((int64_t{v} * 389 + 128) >> 8));
         }},
        {"echo",
         [&](CEditSession* s, uint32_t id) {
             return Kestrum_Echo(s, id, F, T, 0, 0, vorlain::FloatBits(0.7f));
         },
         [&](std::vector<int16_t>& r) {
             for (size_t k = static_cast<size_t>(D / 2); k < r.size(); ++k)
                 r[k] = static_cast<int16_t>(clamp16(
                     r[k] + low16(static_cast<int64_t>(std::trunc(double(0.7f) * r[k - D / 2])))));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTrack* track = loadTrack(noise, 44100, 2);
        ASSERT_NE(track, nullptr);
        const auto before = segments(track);
        ASSERT_EQ(c.apply(m_session, track->m_trackId), 1);
        std::vector<int16_t> expected(noise.begin(), noise.end());
        std::vector<int16_t> range(expected.begin() + first, expected.begin() + last);
        c.expect(range);
        std::copy(range.begin(), range.end(), expected.begin() + first);
        const auto out = pcm(track);
        ASSERT_EQ(out.size(), noise.size() * 2);
        for (size_t i = 0; i < noise.size(); ++i)
            ASSERT_EQ(sampleOf(out, i), expected[i]) << "sample " << i;
        const auto after = segments(track);
        ASSERT_EQ(after.size(), before.size());
        int rewritten = 0;
        for (size_t i = 0; i < after.size(); ++i) {
            if (std::string(after[i].path) == before[i].path)
                continue;
            ++rewritten;
            EXPECT_EQ(CheckPeakSummary(after[i].path, 2), "") << after[i].path;
        }
        EXPECT_EQ(rewritten, 3);
    }
}

TEST_F(Effects, ProgressRisesTo100)
{
    m_window->clear();
    ASSERT_EQ(Kestrum_AdjustVolumn(m_session, 1, 0, 8 * kSecond, 300), 1);
    auto posted = progress();
    ASSERT_GT(posted.size(), 100u);
    EXPECT_TRUE(std::is_sorted(posted.begin(), posted.end()));
    EXPECT_EQ(posted[posted.size() - 2], 99u);
    EXPECT_EQ(posted.back(), 100u);
}

TEST_F(Effects, UndoAndRedoRestoreTheSameDataFiles)
{
    auto before = segments(m_track);
    ASSERT_EQ(Kestrum_FadeIn(m_session, 1, kSecond, 2 * kSecond, 0), 1);
    auto after = segments(m_track);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(Describe(segments(m_track)), Describe(before));
    EXPECT_EQ(pcm(m_track), PcmBytes(m_samples));
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(Describe(segments(m_track)), Describe(after));
    EXPECT_EQ(m_track->m_nextFileNumber, 4u); // redo wrote nothing new
}

TEST_F(Effects, BadRangesAndIdsNeverCrash)
{
    EXPECT_EQ(Kestrum_FadeIn(m_session, 9, 0, kSecond, 0), 0);
    EXPECT_EQ(Kestrum_FadeIn(nullptr, 1, 0, kSecond, 0), 0);
    Kestrum_AddTrack(m_session, nullptr);
    EXPECT_EQ(Kestrum_Silence(m_session, 2, 0, kSecond), 0); // blank
    // Reversed, empty and past-the-end ranges leave the audio as it was.
    EXPECT_EQ(Kestrum_FadeIn(m_session, 1, 2 * kSecond, kSecond, 0), 1);
    EXPECT_EQ(Kestrum_FadeOut(m_session, 1, 2 * kSecond, kSecond, 1), 1);
    EXPECT_EQ(Kestrum_Echo(m_session, 1, 2 * kSecond, 2 * kSecond, 0, 0, vorlain::FloatBits(0.5f)),
              1);
    EXPECT_EQ(Kestrum_AdjustVolumn(m_session, 1, 20 * kSecond, 30 * kSecond, 512), 1);
    EXPECT_EQ(Kestrum_Silence(m_session, 1, -5 * kSecond, 0), 1);
    EXPECT_EQ(pcm(m_track), PcmBytes(m_samples));
    // A refused volume runs with the default factor: unchanged audio.
    EXPECT_EQ(Kestrum_AdjustVolumn(m_session, 1, 0, 8 * kSecond, 5000), 1);
    EXPECT_EQ(pcm(m_track), PcmBytes(m_samples));
}

TEST_F(Effects, AFullDiskFailsBeforeAnythingIsWritten)
{
    SetFreeSpaceProbe([](const std::string&) { return int64_t(1000); });
    const uint32_t next = m_track->m_nextFileNumber;
    EXPECT_EQ(Kestrum_FadeIn(m_session, 1, 0, kSecond, 0), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0273B007u);
    EXPECT_EQ(Kestrum_FadeOut(m_session, 1, 0, kSecond, 0), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x028AB007u);
    EXPECT_EQ(Kestrum_Echo(m_session, 1, 0, kSecond, 0, 0, vorlain::FloatBits(0.5f)), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x029FB007u);
    EXPECT_EQ(Kestrum_Silence(m_session, 1, 0, kSecond), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02B5B007u);
    EXPECT_EQ(Kestrum_AdjustVolumn(m_session, 1, 0, kSecond, 300), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x02CCB007u);
    EXPECT_EQ(m_track->m_nextFileNumber, next);
    EXPECT_EQ(progress().back(), 100u);
}

TEST_F(Effects, AVanishedDataFileFailsAndKeepsTheTimeline)
{
    const CTimeline* before = m_track->Timeline();
    std::remove(segments(m_track)[1].path);
    EXPECT_EQ(Kestrum_AdjustVolumn(m_session, 1, kSecond, 2 * kSecond, 300), 0);
    EXPECT_EQ(m_track->Timeline(), before);
}

// ---- normalize and reverse ---------------------------------------------------

namespace {

int32_t peakOf(const std::vector<uint8_t>& pcm, size_t firstSample, size_t endSample)
{
    int32_t peak = 0;
    for (size_t i = firstSample; i < endSample; ++i)
        peak = std::max(peak, std::abs(int32_t{sampleOf(pcm, i)}));
    return peak;
}

} // namespace

TEST_F(Effects, NormalizeBringsTheRangePeakToTheTargetAndLeavesTheRest)
{
    // A 12 s sine of amplitude 9000 across three data files; 2 s to 9.5 s
    // normalized to -1 dBFS, then the whole track to -6 dBFS.
    CTrack* track = loadTrack(Sine(44100 * 12, 44100, 2, 441.0, 9000), 44100, 2);
    const auto before = pcm(track);
    ASSERT_EQ(Kestrum_Normalize(m_session, track->m_trackId, 2 * kSecond, 9'500'000, -1000), 1);
    const auto after = pcm(track);
    const size_t a = 2 * 88200, b = static_cast<size_t>(9.5 * 88200);
    const double peakDb = 20 * std::log10(peakOf(after, a, b) / 32768.0);
    EXPECT_NEAR(peakDb, -1.0, 0.1);
    const double gain = std::pow(10.0, -1.0 / 20) * 32768 / peakOf(before, a, b);
    for (size_t i = 0; i < after.size() / 2; ++i) {
        if (i < a || i >= b)
            ASSERT_EQ(sampleOf(after, i), sampleOf(before, i)) << "outside, sample " << i;
        else
            ASSERT_EQ(sampleOf(after, i),
                      static_cast<int16_t>(std::lround(sampleOf(before, i) * gain)))
                << "inside, sample " << i;
    }
    ActionRecord action{};
    ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &action), 1);
    EXPECT_EQ(action.type, 19u);

    // 0, 0: the whole track; undo and redo step between the versions.
    ASSERT_EQ(Kestrum_Normalize(m_session, track->m_trackId, 0, 0, -6000), 1);
    const auto whole = pcm(track);
    EXPECT_NEAR(20 * std::log10(peakOf(whole, 0, whole.size() / 2) / 32768.0), -6.0, 0.1);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(pcm(track), after);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(pcm(track), before);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(pcm(track), whole);
}

TEST_F(Effects, NormalizeRefusesTargetsAndRangesItCannotKeep)
{
    const auto before = pcm(m_track);
    const auto files = ListDir(m_track->m_trackFolder).size();
    struct Bad {
        int64_t from, to;
        int32_t target;
        uint32_t code;
    };
    for (const Bad& bad :
         {Bad{0, kSecond, 1, 0x0E11B002u}, Bad{0, kSecond, -96001, 0x0E11B002u},
          Bad{2 * kSecond, kSecond, -1000, 0x0E12B002u}, Bad{0, 9 * kSecond, -1000, 0x0E12B002u},
          Bad{-1, kSecond, -1000, 0x0E12B002u}}) {
        EXPECT_EQ(Kestrum_Normalize(m_session, 1, bad.from, bad.to, bad.target), 0);
        EXPECT_EQ(Kestrum_GetLastError(), bad.code)
            << bad.from << " " << bad.to << " " << bad.target;
    }
    EXPECT_EQ(Kestrum_Normalize(nullptr, 1, 0, 0, -1000), 0);
    EXPECT_EQ(Kestrum_Normalize(m_session, 99, 0, 0, -1000), 0);
    EXPECT_EQ(pcm(m_track), before);
    EXPECT_EQ(ListDir(m_track->m_trackFolder).size(), files);

    // A silent range keeps its zeros (no gain from nothing).
    ASSERT_EQ(Kestrum_Silence(m_session, 1, kSecond, 2 * kSecond), 1);
    const auto silent = pcm(m_track);
    ASSERT_EQ(Kestrum_Normalize(m_session, 1, kSecond, 2 * kSecond, 0), 1);
    EXPECT_EQ(pcm(m_track), silent);
}

TEST_F(Effects, ReverseTurnsTheFramesAroundAndTwiceGivesTheOriginalBytes)
{
    for (int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        Samples ramp(static_cast<size_t>(44100 * 17 * channels));
        for (size_t i = 0; i < ramp.size(); ++i)
            ramp[i] = static_cast<int16_t>(i * 7 + (i % channels) * 1000);
        CTrack* track = loadTrack(ramp, 44100, channels);
        const auto before = pcm(track);
        const auto files = segments(track);
        // From inside the first file to inside the third.
        const int64_t from = 1'234'567, to = 11'100'003;
        ASSERT_EQ(Kestrum_Reverse(m_session, track->m_trackId, from, to), 1);
        const auto once = pcm(track);
        ASSERT_EQ(once.size(), before.size());
        const size_t frame = 2 * static_cast<size_t>(channels);
        const size_t a = static_cast<size_t>(ByteOffset(from, 2, 44100, channels));
        const size_t b = 2 * 882000 / (3 - channels) +
                         static_cast<size_t>(ByteOffset(to - 10 * kSecond, 2, 44100, channels));
        for (size_t at = 0; at < before.size(); at += frame) {
            const size_t source = at < a || at >= b ? at : a + (b - frame - at);
            ASSERT_EQ(std::memcmp(once.data() + at, before.data() + source, frame), 0)
                << "byte " << at;
        }
        ActionRecord action{};
        ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &action), 1);
        EXPECT_EQ(action.type, 20u);
        // Only the files the range touches are new.
        const auto after = segments(track);
        ASSERT_EQ(after.size(), files.size());
        EXPECT_EQ(std::string(after.back().path), files.back().path);
        for (const TrackSegment& s : after) {
            if (s.state & vorlain::kAudioSegment && std::string(s.path) != files.back().path) {
                EXPECT_EQ(CheckPeakSummary(s.path, channels), "") << s.path;
            }
        }

        ASSERT_EQ(Kestrum_Reverse(m_session, track->m_trackId, from, to), 1);
        EXPECT_EQ(pcm(track), before);
        ASSERT_EQ(Kestrum_GoBack(m_session), 1);
        EXPECT_EQ(pcm(track), once);
        ASSERT_EQ(Kestrum_Reverse(m_session, track->m_trackId, 0, 0), 1); // the whole track
        EXPECT_NE(pcm(track), once);
        ASSERT_EQ(Kestrum_Reverse(m_session, track->m_trackId, 0, 0), 1);
        EXPECT_EQ(pcm(track), once);
    }
}

TEST_F(Effects, ReverseOfAVanishedDataFileFailsAndKeepsTheTrack)
{
    const auto before = segments(m_track);
    // The second file, which only the mirrored read needs.
    ASSERT_EQ(std::remove(before[2].path), 0);
    EXPECT_EQ(Kestrum_Reverse(m_session, 1, 0, 0), 0);
    EXPECT_NE(Kestrum_GetLastError(), 0u);
    EXPECT_EQ(Describe(segments(m_track)), Describe(before));
}

namespace {

/** Integrated loudness and true peak (dBTP) of interleaved samples, measured
 *  here with libebur128 on its own. */
std::pair<double, double> loudnessOf(const std::vector<uint8_t>& pcm, size_t firstSample,
                                     size_t endSample, unsigned channels)
{
    ebur128_state* meter = ebur128_init(channels, 44100, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    std::vector<int16_t> samples(endSample - firstSample);
    for (size_t i = firstSample; i < endSample; ++i)
        samples[i - firstSample] = sampleOf(pcm, i);
    ebur128_add_frames_short(meter, samples.data(), samples.size() / channels);
    double loudness = 0, peak = 0;
    ebur128_loudness_global(meter, &loudness);
    for (unsigned ch = 0; ch < channels; ++ch) {
        double p = 0;
        ebur128_true_peak(meter, ch, &p);
        peak = std::max(peak, p);
    }
    ebur128_destroy(&meter);
    return {loudness, 20 * std::log10(peak)};
}

} // namespace

TEST_F(Effects, LoudnessReachesItsTargetAndTheTruePeakStaysBelowOneDecibel)
{
    // Noise under a slow swell, quiet enough that -16 LUFS needs gain: 14 s
    // across three files, 2 s to 12.5 s normalized.
    Samples quiet(static_cast<size_t>(44100 * 14 * 2));
    uint32_t seed = 99;
    for (size_t i = 0; i < quiet.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double swell = 0.3 + 0.7 * std::abs(std::sin(static_cast<double>(i / 2) / 44100));
        quiet[i] = static_cast<int16_t>(static_cast<int16_t>(seed >> 16) / 16 * swell);
    }
    CTrack* track = loadTrack(quiet, 44100, 2);
    const auto before = pcm(track);
    const size_t a = 2 * 88200, b = static_cast<size_t>(12.5 * 88200);
    const double measured = loudnessOf(before, a, b, 2).first;
    ASSERT_LT(measured, -20.0);
    ASSERT_EQ(Kestrum_NormalizeLoudness(m_session, track->m_trackId, 2 * kSecond, 12'500'000, -160),
              1);
    const auto after = pcm(track);
    const auto [loudness, peak] = loudnessOf(after, a, b, 2);
    EXPECT_NEAR(loudness, -16.0, 0.5);
    EXPECT_LE(peak, -1.0 + 0.05);
    for (size_t i = 0; i < after.size() / 2; ++i) {
        if (i < a || i >= b) {
            ASSERT_EQ(sampleOf(after, i), sampleOf(before, i)) << "outside, sample " << i;
        }
    }
    ActionRecord action{};
    ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &action), 1);
    EXPECT_EQ(action.type, 21u);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(pcm(track), before);

    // -5 LUFS would push the peaks past full scale: the gain stops at -1 dBTP.
    ASSERT_EQ(Kestrum_NormalizeLoudness(m_session, track->m_trackId, 0, 0, -50), 1);
    const auto loud = pcm(track);
    const auto [wholeLoudness, wholePeak] = loudnessOf(loud, 0, loud.size() / 2, 2);
    EXPECT_NEAR(wholePeak, -1.0, 0.1);
    EXPECT_LT(wholeLoudness, -5.0);

    // Targets out of range and ranges outside the track change nothing.
    EXPECT_EQ(Kestrum_NormalizeLoudness(m_session, track->m_trackId, 0, 0, 1), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E31B002u);
    EXPECT_EQ(Kestrum_NormalizeLoudness(m_session, track->m_trackId, 0, 99 * kSecond, -160), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E32B002u);
    EXPECT_EQ(pcm(track), loud);
}
