// Lossy round trips: a wave file encoded to MP3 or AAC and decoded again keeps
// its length (encoder delay and padding are recorded and honoured) and its
// signal.
#include "MedrixTestFiles.h"
#include "vorlain/test/temp_env.h"

#include <cmath>

using namespace medrix_test;
using vorlain::test::IsolatedTest;
using vorlain::test::Sine;

namespace {

struct RoundTrip {
    const char* codec;
    const char* extension;
    int rate;
    int channels;
};

class MedrixLossyRoundTrip : public IsolatedTest,
                             public ::testing::WithParamInterface<RoundTrip> {};

std::string name(const ::testing::TestParamInfo<RoundTrip>& info)
{
    return std::string(info.param.extension) + "_" + std::to_string(info.param.rate) + "_" +
           std::to_string(info.param.channels) + "ch";
}

} // namespace

TEST_P(MedrixLossyRoundTrip, KeepsLengthWithin30msAndTheSignal)
{
    const RoundTrip p = GetParam();
    const std::string in = env().path("in.wav");
    const std::string encoded = env().path(std::string("enc.") + p.extension);
    // An odd length, so the last frame is a short one and needs padding.
    const int64_t frames = p.rate * 3 + 777;
    ASSERT_TRUE(
        vorlain::test::WriteWave(in, Sine(frames, p.rate, p.channels, 1000), p.rate, p.channels));
    ASSERT_TRUE(Convert(
        in, encoded,
        Target{p.codec, static_cast<uint32_t>(p.channels), static_cast<uint32_t>(p.rate), 128000}));

    auto wave = Decode(encoded, env().path("back.wav"));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->rate, p.rate);
    EXPECT_EQ(wave->channels, p.channels);
    const double lengthMs = 1000.0 * static_cast<double>(wave->frames()) / p.rate;
    const double sourceMs = 1000.0 * static_cast<double>(frames) / p.rate;
    EXPECT_NEAR(lengthMs, sourceMs, 30.0);

    // The tone is where it was: full level in the middle, and it starts at the
    // start (no priming silence) and ends at the end (no padding silence).
    const double level = 16000 / std::sqrt(2.0);
    for (int c = 0; c < p.channels; ++c) {
        EXPECT_NEAR(Rms(*wave, c, p.rate, 2 * p.rate), level, level * 0.1);
        EXPECT_GT(Rms(*wave, c, 0, p.rate / 100), level * 0.5);
        EXPECT_GT(Rms(*wave, c, wave->frames() - p.rate / 100, wave->frames()), level * 0.5);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, MedrixLossyRoundTrip,
                         ::testing::Values(RoundTrip{"libmp3lame", "mp3", 44100, 2},
                                           RoundTrip{"libmp3lame", "mp3", 44100, 1},
                                           RoundTrip{"libmp3lame", "mp3", 48000, 2},
                                           RoundTrip{"mpeg4aac", "m4a", 44100, 2},
                                           RoundTrip{"mpeg4aac", "m4a", 44100, 1},
                                           RoundTrip{"mpeg4aac", "m4a", 48000, 2},
                                           RoundTrip{"", "mp4", 44100, 2}),
                         name);

TEST(MedrixLossy, Mp3AndM4aMadeHereDecodeToTheSampleCountOfTheirSource)
{
    // The LAME header and the MP4 edit list (written at the sample rate's time
    // scale) record delay and padding exactly; decoding honours both.
    vorlain::test::TempEnvironment env;
    const std::string in = env.path("in.wav");
    for (int64_t frames : {1000LL, 44100LL + 1, 96000LL - 1}) {
        ASSERT_TRUE(vorlain::test::WriteWave(in, Sine(frames, 44100, 2, 440), 44100, 2));
        for (const char* ext : {"m4a", "mp3"}) {
            SCOPED_TRACE(std::string(ext) + " " + std::to_string(frames));
            const std::string out = env.path(std::string("out.") + ext);
            ASSERT_TRUE(Convert(in, out, Target{"", 2, 44100, 128000}));
            auto wave = Decode(out, env.path("back.wav"));
            ASSERT_TRUE(wave);
            EXPECT_EQ(wave->frames(), frames);
        }
    }
}

TEST(MedrixLossy, Mp3MadeFrom48kAtRequested44100IsResampledOnTheWay)
{
    vorlain::test::TempEnvironment env;
    const std::string in = env.path("in.wav");
    const std::string mp3 = env.path("out.mp3");
    ASSERT_TRUE(vorlain::test::WriteWave(in, Sine(48000 * 2, 48000, 2, 500), 48000, 2));
    ASSERT_TRUE(Convert(in, mp3, Target{"libmp3lame", 2, 44100, 128000}));
    auto wave = Decode(mp3, env.path("back.wav"));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->rate, 44100);
    EXPECT_NEAR(static_cast<double>(wave->frames()), 88200.0, 44.1 * 30);
}
