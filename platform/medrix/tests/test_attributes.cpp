// What AV_GetInputFileAttr reports about a source.
#include "MedrixTestFiles.h"
#include "vorlain/test/temp_env.h"

#include <cstring>

using namespace medrix_test;
using vorlain::test::IsolatedTest;
using vorlain::test::Sine;

namespace {

class MedrixAttributes : public IsolatedTest {};

int64_t durationAtOffset2592(const MedrixFileAttr& file)
{
    // The kernel reads the duration straight from the record's bytes.
    int64_t d = 0;
    std::memcpy(&d, reinterpret_cast<const char*>(&file) + 2592, sizeof d);
    return d;
}

} // namespace

TEST_F(MedrixAttributes, StereoWaveReportsFormatRateBitRateAndExactDuration)
{
    const std::string wav = env().path("in.wav");
    ASSERT_TRUE(vorlain::test::WriteWave(wav, Sine(96000, 48000, 2, 440), 48000, 2));
    MedrixFileAttr file;
    MedrixAudioAttr audio;
    std::memset(&file, 0xAB, sizeof file);
    std::memset(&audio, 0xAB, sizeof audio);
    ASSERT_TRUE(InputAttributes(wav, file, audio));
    EXPECT_STREQ(audio.codecName, "pcm_s16le");
    EXPECT_EQ(audio.channels, 2u);
    EXPECT_EQ(audio.sampleRate, 48000u);
    EXPECT_EQ(audio.bitRate, 48000u * 2 * 16);
    EXPECT_EQ(durationAtOffset2592(file), 2'000'000);
    EXPECT_STREQ(file.formatName, "wav");
    EXPECT_STREQ(file.codecName, "pcm_s16le");
    EXPECT_EQ(file.channels, 2u);
    EXPECT_EQ(file.sampleRate, 48000u);
    EXPECT_EQ(file.bitsPerSample, 16u);
    EXPECT_EQ(file.streamIndex, 0u);
    EXPECT_EQ(file.streamCount, 1u);
    // Text fields are zero-padded, and the unused space is zero.
    EXPECT_EQ(audio.codecName[sizeof audio.codecName - 1], 0);
    for (char c : file.reserved)
        ASSERT_EQ(c, 0);
    EXPECT_EQ(file.reserved2, 0u);
}

TEST_F(MedrixAttributes, SurroundSourceIsReportedAsStereo)
{
    const std::string wav = env().path("six.wav");
    ASSERT_TRUE(WriteWaveAs(wav, Sine(4410, 44100, 6, 300), 44100, 6, SampleFormat::Int16));
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    ASSERT_TRUE(InputAttributes(wav, file, audio));
    EXPECT_EQ(audio.channels, 2u); // what the output will hold
    EXPECT_EQ(file.channels, 6u);  // what the source holds
    EXPECT_EQ(file.duration, 100'000);
}

TEST_F(MedrixAttributes, Mp3ReportsCodecBitRateAndDuration)
{
    const std::string wav = env().path("in.wav");
    const std::string mp3 = env().path("out.mp3");
    ASSERT_TRUE(vorlain::test::WriteWave(wav, Sine(44100 * 3, 44100, 1, 1000), 44100, 1));
    ASSERT_TRUE(Convert(wav, mp3, Target{"libmp3lame", 1, 44100, 128000}));
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    ASSERT_TRUE(InputAttributes(mp3, file, audio));
    EXPECT_STREQ(audio.codecName, "mp3");
    EXPECT_STREQ(file.formatName, "mp3");
    EXPECT_EQ(audio.channels, 1u);
    EXPECT_EQ(audio.sampleRate, 44100u);
    EXPECT_NEAR(static_cast<double>(audio.bitRate), 128000.0, 2000.0);
    // The container counts whole MPEG frames (1152 samples), priming and
    // padding included: within two frames of the audio's length.
    EXPECT_NEAR(static_cast<double>(file.duration), 3'000'000.0, 2 * 1152 * 1e6 / 44100);
}

TEST_F(MedrixAttributes, AttributesNeedAnAcceptedInputAndBothRecords)
{
    const std::string wav = env().path("in.wav");
    ASSERT_TRUE(vorlain::test::WriteWave(wav, Sine(100, 8000, 1, 100), 8000, 1));
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    MedrixHandle h = AV_Open();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(AV_GetInputFileAttr(h, &file, &audio, 0), 0); // no input yet
    ASSERT_NE(AV_SetInputpath(h, wav.c_str()), 0);
    EXPECT_EQ(AV_GetInputFileAttr(h, nullptr, &audio, 0), 0);
    EXPECT_EQ(AV_GetInputFileAttr(h, &file, nullptr, 0), 0);
    EXPECT_NE(AV_GetInputFileAttr(h, &file, &audio, 0), 0);
    // A refused input forgets the earlier one.
    EXPECT_EQ(AV_SetInputpath(h, env().path("missing.wav").c_str()), 0);
    EXPECT_EQ(AV_GetInputFileAttr(h, &file, &audio, 0), 0);
    AV_Close(h);
}
