// Mixing the clipboard, another track or a file onto a track: the sample
// arithmetic, which segments get new files, the destination's fixed length,
// channel conversion, history and the refusals.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "store/segment_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

namespace {

Samples constant(int64_t frames, int channels, int16_t value)
{
    return Samples(static_cast<size_t>(frames * channels), value);
}

Samples samplesOf(const std::vector<uint8_t>& bytes)
{
    Samples out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return out;
}

/** Repeats the frames of pattern until there are `frames` of them. */
Samples repeated(const Samples& pattern, int channels, int64_t frames)
{
    Samples out;
    for (int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            out.push_back(pattern[static_cast<size_t>(
                (f % (int64_t(pattern.size()) / channels)) * channels + c)]);
    return out;
}

int16_t clampedSum(int a, int b)
{
    return static_cast<int16_t>(std::clamp(a + b, -32768, 32767));
}

} // namespace

class Mixing : public KernelTest {
protected:
    ActionRecord last()
    {
        ActionRecord a{};
        Kestrum_GetLastActionAttr(m_session, &a);
        return a;
    }
    static std::vector<std::string> paths(const CTrack* t)
    {
        std::vector<std::string> out;
        for (const TrackSegment& s : segments(t))
            out.emplace_back(s.path);
        return out;
    }
};

TEST_F(Mixing, LevelsScaleTheSourceTruncateTowardZeroAndClamp)
{
    // Four frames, repeated over more than one 1024-byte block.
    const Samples d = {1000, -1000, 32767, -32768, 3, -3, 0, 100};
    const Samples s = {999, -3, 32767, -32768, 5, -5, -7, 7};
    const int64_t frames = 3000;
    const struct {
        float level;
        Samples expected;
    } cases[] = {
        {1.0f, {1999, -1003, 32767, -32768, 8, -8, -7, 107}},
        {0.5f, {1499, -1001, 32767, -32768, 5, -5, -3, 103}},
        {0.0f, d},
        {-1.0f, {1, -997, 0, 0, -2, 2, 7, 93}},
    };
    CTrack* source = loadTrack(repeated(s, 2, frames));
    ASSERT_NE(source, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        CTrack* dest = loadTrack(repeated(d, 2, frames));
        const auto before = paths(dest);
        ASSERT_EQ(Kestrum_MixTrackFromTrack(m_session, dest->m_trackId, 0, source->m_trackId,
                                            vorlain::FloatBits(c.level)),
                  1);
        EXPECT_EQ(samplesOf(pcm(dest)), repeated(c.expected, 2, frames));
        // Even level 0 writes the segment anew.
        const auto after = paths(dest);
        EXPECT_EQ(after[0], before[0]);
        EXPECT_NE(after[1], before[1]);
        EXPECT_EQ(dest->m_length, source->m_length);
    }
}

TEST_F(Mixing, APositionAtASegmentEndLeavesThatSegmentAndMixesFromTheNext)
{
    CTrack* dest = loadRamp(44100 * 12);
    ASSERT_NE(loadTrack(constant(44100, 2, 100)), nullptr);
    const auto before = paths(dest);
    const auto original = pcm(dest);
    m_window->clear();
    ASSERT_EQ(Kestrum_MixTrackFromTrack(m_session, 1, 5 * kSecond, 2, vorlain::FloatBits(1.0f)), 1);
    const auto p = progress();
    const auto after = paths(dest);
    EXPECT_EQ(Describe(segments(dest)), "H [0,5000000)00000001.dat [5000000,10000000)00000004.dat "
                                        "[10000000,12000000)00000003.dat ");
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[3], before[3]); // the source ended inside the segment before
    auto expected = samplesOf(original);
    for (size_t i = 5 * 88200; i < 6 * 88200; ++i)
        expected[i] = clampedSum(expected[i], 100);
    EXPECT_EQ(samplesOf(pcm(dest)), expected);
    // The new file holds the whole segment: the mixed second, then the rest as it was.
    EXPECT_EQ(kernel::FileSize(after[2]), 882000);

    const ActionRecord a = last();
    EXPECT_EQ(a.type, 14u);
    EXPECT_EQ(a.trackId, 1u);
    EXPECT_EQ(a.redoTrackId, 0u);
    EXPECT_EQ(a.undoFrom | a.undoTo | a.redoFrom | a.redoTo, 0);
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.back(), 100u);
    EXPECT_TRUE(std::all_of(p.begin(), p.end() - 1, [](WPARAM v) { return v <= 99; }));
    EXPECT_GE(p.size(), 100u); // one per 1024-byte block of the mixed second

    // Undo brings back the previous data files; redo the mixed ones.
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(paths(dest), before);
    EXPECT_EQ(pcm(dest), original);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(paths(dest), after);
}

TEST_F(Mixing, ATenSecondSourceIntoASixSecondTrackAtTwoSecondsMixesFourSeconds)
{
    CTrack* dest = loadRamp(44100 * 6);
    loadTrack(constant(44100 * 10, 2, -20));
    const auto original = samplesOf(pcm(dest));
    ASSERT_EQ(Kestrum_MixTrackFromTrack(m_session, 1, 2 * kSecond, 2, vorlain::FloatBits(1.0f)), 1);
    EXPECT_EQ(dest->m_length, 6 * kSecond);
    EXPECT_EQ(Kestrum_GetTrackTime(m_session, 1), 6 * kSecond);
    const auto mixed = samplesOf(pcm(dest));
    ASSERT_EQ(mixed.size(), original.size());
    for (size_t i = 0; i < mixed.size(); ++i) {
        const int16_t want = i < 2 * 88200 ? original[i] : clampedSum(original[i], -20);
        if (mixed[i] != want) {
            ADD_FAILURE() << "sample " << i << ": " << mixed[i] << " != " << want;
            break;
        }
    }
    EXPECT_EQ(Describe(segments(dest)), "H [0,5000000)00000003.dat [5000000,6000000)00000004.dat ");
}

TEST_F(Mixing, FromTheClipboardOnlyTheCopiedRangeIsMixed)
{
    CTrack* source = loadRamp(44100 * 3);
    CTrack* dest = loadTrack(constant(44100 * 2, 2, 0));
    ASSERT_EQ(Kestrum_Copy(m_session, source->m_trackId, kSecond, 1'500'000), 1);
    ASSERT_EQ(
        Kestrum_MixTrackFromPaste(m_session, dest->m_trackId, 250'000, vorlain::FloatBits(1.0f)),
        1);
    const auto src = samplesOf(pcm(source));
    auto expected = Samples(static_cast<size_t>(44100 * 2 * 2), 0);
    // [0.25 s, 0.75 s) of the destination gets [1 s, 1.5 s) of the source.
    std::copy(src.begin() + 88200, src.begin() + 88200 + 44100, expected.begin() + 22050);
    EXPECT_EQ(samplesOf(pcm(dest)), expected);
    const ActionRecord a = last();
    EXPECT_EQ(a.type, 14u);
    EXPECT_EQ(a.trackId, dest->m_trackId);
    EXPECT_EQ(a.undoFrom, 250'000);
    EXPECT_EQ(a.undoTo, 250'000);
    EXPECT_EQ(a.redoTrackId, dest->m_trackId);
    EXPECT_EQ(a.redoFrom, 250'000);
    EXPECT_EQ(a.redoTo, 750'000);
}

TEST_F(Mixing, SourcesOfAnotherChannelCountAreConverted)
{
    const Samples mono = Ramp(22050, 1);
    CTrack* monoSource = loadTrack(mono, 44100, 1);
    CTrack* stereoDest = loadTrack(constant(44100, 2, 0));
    ASSERT_EQ(Kestrum_MixTrackFromTrack(m_session, stereoDest->m_trackId, 0, monoSource->m_trackId,
                                        vorlain::FloatBits(1.0f)),
              1);
    Samples expected(44100 * 2, 0);
    for (size_t i = 0; i < mono.size(); ++i)
        expected[2 * i] = expected[2 * i + 1] = mono[i];
    EXPECT_EQ(samplesOf(pcm(stereoDest)), expected);

    const Samples stereo = Ramp(22050, 2);
    CTrack* stereoSource = loadTrack(stereo);
    CTrack* monoDest = loadTrack(constant(44100, 1, 0), 44100, 1);
    ASSERT_EQ(Kestrum_MixTrackFromTrack(m_session, monoDest->m_trackId, 0, stereoSource->m_trackId,
                                        vorlain::FloatBits(1.0f)),
              1);
    Samples left(44100, 0);
    for (size_t i = 0; i < 22050; ++i)
        left[i] = stereo[2 * i];
    EXPECT_EQ(samplesOf(pcm(monoDest)), left);
}

TEST_F(Mixing, RefusedMixesChangeNothing)
{
    CTrack* dest = loadRamp(44100);
    CTrack* blank = Kestrum_AddTrack(m_session, nullptr);
    const CTimeline* timeline = dest->Timeline();
    const ActionRecord before = last();
    auto unchanged = [&] {
        EXPECT_EQ(dest->Timeline(), timeline);
        EXPECT_EQ(last().type, before.type);
        EXPECT_EQ(last().trackId, before.trackId);
    };

    m_window->clear();
    EXPECT_EQ(Kestrum_MixTrackFromTrack(
                  m_session, 1, 0, 1, vorlain::FloatBits(std::numeric_limits<float>::quiet_NaN())),
              0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x06E5B002u);
    EXPECT_EQ(Kestrum_MixTrackFromTrack(m_session, 1, 0, 1,
                                        vorlain::FloatBits(std::numeric_limits<float>::infinity())),
              0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x06E5B002u);
    EXPECT_EQ(Kestrum_MixTrackFromTrack(m_session, 1, -1, 1, vorlain::FloatBits(1.0f)), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x06E5B002u);
    EXPECT_EQ(
        Kestrum_MixTrackFromTrack(m_session, blank->m_trackId, 0, 1, vorlain::FloatBits(1.0f)), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x06E4B001u);
    unchanged();

    // Unknown ids and an empty clipboard leave the last error alone.
    SetLastError(0x12345678);
    EXPECT_EQ(Kestrum_MixTrackFromTrack(m_session, 9, 0, 1, vorlain::FloatBits(1.0f)), 0);
    EXPECT_EQ(Kestrum_MixTrackFromTrack(m_session, 1, 0, 9, vorlain::FloatBits(1.0f)), 0);
    EXPECT_EQ(Kestrum_MixTrackFromPaste(m_session, 1, 0, vorlain::FloatBits(1.0f)), 0);
    ASSERT_EQ(Kestrum_Copy(m_session, 1, 0, 1000), 1);
    EXPECT_EQ(Kestrum_MixTrackFromPaste(m_session, 9, 0, vorlain::FloatBits(1.0f)), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x12345678u);
    EXPECT_EQ(Kestrum_MixTrackFromPaste(nullptr, 1, 0, vorlain::FloatBits(1.0f)), 0);
    EXPECT_EQ(Kestrum_MixTrackFromTrack(nullptr, 1, 0, 1, vorlain::FloatBits(1.0f)), 0);
    EXPECT_EQ(Kestrum_MixTrackFromFile(nullptr, 1, 0, "x.wav", vorlain::FloatBits(1.0f)), 0);
    EXPECT_EQ(dest->Timeline(), timeline);

    // A position past the end mixes nothing and still makes an undoable version.
    ASSERT_EQ(Kestrum_MixTrackFromTrack(m_session, 1, 5 * kSecond, 1, vorlain::FloatBits(1.0f)), 1);
    EXPECT_EQ(paths(dest),
              std::vector<std::string>({timeline->Lookup(0)->path, timeline->Lookup(1)->path}));
    EXPECT_NE(dest->Timeline(), timeline);
}

TEST_F(Mixing, AMissingSourceFileFailsAndTheTrackKeepsItsVersion)
{
    CTrack* dest = loadRamp(44100 * 7);
    CTrack* source = loadRamp(44100 * 7);
    const CTimeline* timeline = dest->Timeline();
    RemoveFile(segments(source)[2].path); // the source's second audio file
    m_window->clear();
    EXPECT_EQ(Kestrum_MixTrackFromTrack(m_session, 1, 0, 2, vorlain::FloatBits(1.0f)), 0);
    EXPECT_EQ(dest->Timeline(), timeline);
    EXPECT_EQ(progress().back(), 100u);
}

TEST_F(Mixing, FromAFileImportsAHiddenTrackThenMixes)
{
    CTrack* dest = loadRamp(44100 * 2);
    const auto original = samplesOf(pcm(dest));
    const std::string file = env().path("add.wav");
    ASSERT_TRUE(WriteWave(file, Ramp(44100, 1), 44100, 1)); // mono into stereo
    ASSERT_EQ(
        Kestrum_MixTrackFromFile(m_session, 1, 500'000, file.c_str(), vorlain::FloatBits(0.5f)), 1);
    ASSERT_EQ(m_session->TrackCount(), 2u);
    CTrack* hidden = m_session->FindTrack(2);
    EXPECT_EQ(hidden->m_present, 0u);
    EXPECT_EQ(hidden->m_channels, 1u);

    const auto mono = Ramp(44100, 1);
    auto expected = original;
    for (size_t f = 0; f < 44100; ++f)
        for (size_t c = 0; c < 2; ++c) {
            const size_t i = (22050 + f) * 2 + c;
            expected[i] = static_cast<int16_t>(std::clamp(
                std::trunc(original[i] + double(float(mono[f]) * 0.5f)), -32768.0, 32767.0));
        }
    EXPECT_EQ(samplesOf(pcm(dest)), expected);

    ActionRecord a = last();
    EXPECT_EQ(a.type, 14u);
    EXPECT_EQ(a.undoFrom, 500'000);
    EXPECT_EQ(a.undoTo, 500'000);
    EXPECT_EQ(a.redoFrom, 500'000);
    EXPECT_EQ(a.redoTo, 1'500'000);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(samplesOf(pcm(dest)), original);
    a = last();
    EXPECT_EQ(a.type, 1u); // the hidden track's "Add Track"
    EXPECT_EQ(a.trackId, 2u);

    // Refused before importing: nothing is added.
    EXPECT_EQ(Kestrum_MixTrackFromFile(m_session, 7, 0, file.c_str(), vorlain::FloatBits(1.0f)), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x06E3B001u);
    // A destination at another rate gets the file converted to its rate.
    CTrack* slow = loadTrack(Samples(22050 * 2 * 2, 0), 22050, 2);
    ASSERT_EQ(Kestrum_MixTrackFromFile(m_session, 3, 0, file.c_str(), vorlain::FloatBits(1.0f)), 1);
    EXPECT_EQ(slow->m_length, 2 * kSecond); // the destination never grows
    CTrack* hiddenSlow = m_session->FindTrack(4);
    ASSERT_NE(hiddenSlow, nullptr);
    EXPECT_EQ(hiddenSlow->m_sampleRate, 22050u);
    EXPECT_NEAR(static_cast<double>(hiddenSlow->m_length), 1e6, 1000);
    auto slowSamples = samplesOf(pcm(slow));
    size_t nonZero = 0;
    for (size_t i = 0; i < slowSamples.size(); ++i)
        nonZero += slowSamples[i] != 0;
    EXPECT_GT(nonZero, 22050u); // about one second of the file, at the destination's rate
    EXPECT_LT(nonZero, 2u * 22050u * 2u);
    EXPECT_EQ(m_session->TrackCount(), 4u);
    // A file the converter cannot read keeps the import's code.
    EXPECT_EQ(Kestrum_MixTrackFromFile(m_session, 1, 0, env().path("none.wav").c_str(),
                                       vorlain::FloatBits(1.0f)),
              0);
    EXPECT_TRUE(Kestrum_GetLastError() == 0x035DB001u || Kestrum_GetLastError() == 0x0368B001u);
    EXPECT_EQ(m_session->TrackCount(), 4u);
}
