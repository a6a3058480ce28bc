// Decoding to canonical wave files: identity, sample formats, rates and
// channel mapping, lossless FLAC, and the container each output gets.
#include "MedrixTestFiles.h"
#include "vorlain/test/temp_env.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace medrix_test;
using vorlain::test::IsolatedTest;
using vorlain::test::ListDir;
using vorlain::test::Ramp;
using vorlain::test::ReadBytes;
using vorlain::test::Sine;
using vorlain::test::WriteWave;

namespace {

class MedrixConversion : public IsolatedTest {};

std::string text(const std::vector<uint8_t>& b, size_t at, size_t n)
{
    return at + n <= b.size() ? std::string(b.begin() + static_cast<long>(at),
                                            b.begin() + static_cast<long>(at + n))
                              : std::string();
}

} // namespace

TEST_F(MedrixConversion, WaveToWaveOfTheSameFormatIsBitIdentical)
{
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const std::string in = env().path("in" + std::to_string(channels) + ".wav");
        const std::string out = env().path("out" + std::to_string(channels) + ".wav");
        ASSERT_TRUE(WriteWave(in, Ramp(44100 * 2 + 17, channels), 44100, channels));
        ASSERT_TRUE(
            Convert(in, out, Target{"pcm_s16le", static_cast<uint32_t>(channels), 44100, 0}));
        EXPECT_EQ(ReadBytes(out), ReadBytes(in));
    }
}

TEST_F(MedrixConversion, OutputHeaderIsCanonicalWithSizesOfTheWholeFile)
{
    const std::string in = env().path("in.wav");
    const std::string out = env().path("out.wav");
    ASSERT_TRUE(WriteWave(in, Sine(12345, 22050, 2, 500), 22050, 2));
    ASSERT_TRUE(Convert(in, out, Target{"pcm_s16le", 2, 22050, 0}));
    std::vector<uint8_t> b = ReadBytes(out);
    ASSERT_EQ(b.size(), 44u + 12345u * 4);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 44),
              vorlain::test::WaveHeader(22050, 2, 12345 * 4));
}

TEST_F(MedrixConversion, Rate48000To44100GivesTheProportionalFrameCount)
{
    const std::string in = env().path("in.wav");
    const int64_t frames = 48000 * 3 + 480;
    ASSERT_TRUE(WriteWave(in, Sine(frames, 48000, 2, 440), 48000, 2));
    auto wave = Decode(in, env().path("out.wav"), 2, 44100);
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->rate, 44100);
    EXPECT_EQ(wave->channels, 2);
    EXPECT_NEAR(static_cast<double>(wave->frames()), frames * 44100.0 / 48000.0, 1.0);
    // The sine survives at its level (16000 peak: RMS about 11314).
    EXPECT_NEAR(Rms(*wave, 0, 4410, wave->frames() - 4410), 16000 / std::sqrt(2.0), 200.0);
}

TEST_F(MedrixConversion, SourceChannelsAreKeptWhenNoneAreRequested)
{
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const std::string in = env().path("in.wav");
        ASSERT_TRUE(WriteWave(in, Sine(8000, 16000, channels, 440), 16000, channels));
        auto wave = Decode(in, env().path("out.wav"));
        ASSERT_TRUE(wave);
        EXPECT_EQ(wave->channels, channels);
        EXPECT_EQ(wave->rate, 16000);
        EXPECT_EQ(wave->frames(), 8000);
    }
}

TEST_F(MedrixConversion, StereoToMonoAveragesAndMonoToStereoDuplicates)
{
    // Left +8000, right +4000: the mono mix lies between, nearer neither.
    vorlain::test::Samples stereo;
    for (int i = 0; i < 1000; ++i) {
        stereo.push_back(8000);
        stereo.push_back(4000);
    }
    const std::string in = env().path("stereo.wav");
    ASSERT_TRUE(WriteWave(in, stereo, 44100, 2));
    auto mono = Decode(in, env().path("mono.wav"), 1);
    ASSERT_TRUE(mono);
    ASSERT_EQ(mono->channels, 1);
    ASSERT_EQ(mono->frames(), 1000);
    EXPECT_GT(mono->samples[500], 4000);
    EXPECT_LT(mono->samples[500], 8000);

    const std::string monoIn = env().path("monoin.wav");
    ASSERT_TRUE(WriteWave(monoIn, Ramp(1000, 1), 44100, 1));
    auto both = Decode(monoIn, env().path("both.wav"), 2);
    ASSERT_TRUE(both);
    ASSERT_EQ(both->channels, 2);
    EXPECT_EQ(both->channel(0), both->channel(1));
    EXPECT_NE(both->channel(0), vorlain::test::Samples(1000, 0));
}

TEST_F(MedrixConversion, SixChannelsAreDownmixedToStereoByPosition)
{
    // Plain PCM with six channels is read as 5.1: FL FR FC LFE BL BR.
    auto only = [](int channel, int16_t value) {
        vorlain::test::Samples s(6 * 2000, 0);
        for (size_t i = static_cast<size_t>(channel); i < s.size(); i += 6)
            s[i] = value;
        return s;
    };
    struct Case {
        int channel;
        bool left, right;
    };
    for (Case c : {Case{0, true, false}, Case{1, false, true}, Case{2, true, true},
                   Case{4, true, false}, Case{5, false, true}}) {
        SCOPED_TRACE(c.channel);
        const std::string in = env().path("six.wav");
        ASSERT_TRUE(WriteWaveAs(in, only(c.channel, 10000), 44100, 6, SampleFormat::Int16));
        auto wave = Decode(in, env().path("two.wav"));
        ASSERT_TRUE(wave);
        ASSERT_EQ(wave->channels, 2);
        ASSERT_EQ(wave->frames(), 2000);
        const int16_t l = wave->samples[2000], r = wave->samples[2001];
        EXPECT_EQ(l > 1000, c.left) << l;
        EXPECT_EQ(r > 1000, c.right) << r;
        if (c.left && c.right) {
            EXPECT_EQ(l, r);
        }
        EXPECT_LE(std::max(l, r), 10000); // never louder than the source
    }
}

TEST_F(MedrixConversion, WideAndFloatSamplesBecomeTheSame16BitValues)
{
    const vorlain::test::Samples source = Ramp(5000, 2);
    for (SampleFormat f : {SampleFormat::Int24, SampleFormat::Int32, SampleFormat::Float32}) {
        SCOPED_TRACE(static_cast<int>(f));
        const std::string in = env().path("wide.wav");
        ASSERT_TRUE(WriteWaveAs(in, source, 44100, 2, f));
        auto wave = Decode(in, env().path("out.wav"));
        ASSERT_TRUE(wave);
        EXPECT_EQ(wave->channels, 2);
        EXPECT_EQ(wave->samples, source);
    }
}

TEST_F(MedrixConversion, DeeperSamplesAreReducedWithTriangularDither)
{
    // A 1 kHz sine at -100 dBFS in a 24-bit mono file: a third of a 16-bit
    // step. Rounded, it would vanish into silence; dithered, it survives as
    // noise that carries the sine.
    constexpr int kRate = 44100, kFrames = kRate * 10;
    const double amplitude24 = 8388608.0 * std::pow(10.0, -100.0 / 20.0);
    const double w = 2 * M_PI * 1000.0 / kRate;
    std::vector<uint8_t> file;
    auto le = [&file](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto tag = [&file](const char* t) {
        for (int i = 0; i < 4; ++i)
            file.push_back(static_cast<uint8_t>(t[i]));
    };
    const uint32_t dataBytes = kFrames * 3;
    tag("RIFF");
    le(36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    le(16, 4);
    le(1, 2); // PCM
    le(1, 2); // mono
    le(kRate, 4);
    le(kRate * 3, 4);
    le(3, 2);
    le(24, 2);
    tag("data");
    le(dataBytes, 4);
    for (int i = 0; i < kFrames; ++i)
        le(static_cast<uint32_t>(static_cast<int32_t>(std::lround(amplitude24 * std::sin(w * i)))),
           3);
    const std::string in = env().path("quiet24.wav");
    ASSERT_TRUE(vorlain::test::WriteBytes(in, file));

    auto wave = Decode(in, env().path("out.wav"));
    ASSERT_TRUE(wave);
    ASSERT_EQ(wave->frames(), kFrames);
    double correlation = 0, mean = 0;
    int nonZero = 0, largest = 0;
    for (int i = 0; i < kFrames; ++i) {
        const int x = wave->samples[static_cast<size_t>(i)];
        correlation += x * std::sin(w * i);
        mean += x;
        nonZero += x != 0;
        largest = std::max(largest, std::abs(x));
    }
    correlation *= 2.0 / kFrames; // the sine's amplitude in 16-bit steps
    mean /= kFrames;
    EXPECT_GT(nonZero, kFrames / 4); // not silence
    EXPECT_LE(largest, 2);           // noise of a step or two, not a louder signal
    EXPECT_NEAR(correlation, amplitude24 / 256.0, 0.05) << "the sine is in the noise";
    EXPECT_NEAR(mean, 0.0, 0.02);
}

TEST_F(MedrixConversion, AiffBigEndianSamplesAreDecodedExactly)
{
    const vorlain::test::Samples source = Ramp(3000, 2);
    std::vector<uint8_t> b;
    auto be = [&b](uint32_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto tag = [&b](const char* t) { b.insert(b.end(), t, t + 4); };
    const uint32_t dataBytes = static_cast<uint32_t>(source.size() * 2);
    tag("FORM");
    be(4 + 26 + 16 + dataBytes, 4);
    tag("AIFF");
    tag("COMM");
    be(18, 4);
    be(2, 2);                                                    // channels
    be(3000, 4);                                                 // frames
    be(16, 2);                                                   // bits
    for (uint8_t x : {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}) // 44100 as an 80-bit float
        b.push_back(x);
    tag("SSND");
    be(8 + dataBytes, 4);
    be(0, 4);
    be(0, 4);
    for (int16_t v : source)
        be(static_cast<uint16_t>(v), 2);
    const std::string in = env().path("in.aiff");
    ASSERT_TRUE(vorlain::test::WriteBytes(in, b));
    auto wave = Decode(in, env().path("out.wav"));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->rate, 44100);
    EXPECT_EQ(wave->samples, source);
}

TEST_F(MedrixConversion, FlacByExtensionIsLossless)
{
    const std::string in = env().path("in.wav");
    const std::string flac = env().path("out.flac");
    const vorlain::test::Samples source = Sine(44100 * 2 + 333, 44100, 2, 1234);
    ASSERT_TRUE(WriteWave(in, source, 44100, 2));
    ASSERT_TRUE(Convert(in, flac, Target{"", 0, 0, 0}));
    EXPECT_EQ(text(ReadBytes(flac), 0, 4), "fLaC");
    auto wave = Decode(flac, env().path("back.wav"));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->rate, 44100);
    EXPECT_EQ(wave->samples, source);
}

TEST_F(MedrixConversion, EmptyCodecTakesTheExtensionsContainer)
{
    const std::string in = env().path("in.wav");
    ASSERT_TRUE(WriteWave(in, Sine(44100, 44100, 2, 440), 44100, 2));
    struct Case {
        const char* name;
        size_t at;
        const char* magic;
    };
    for (Case c :
         {Case{"a.wav", 0, "RIFF"}, Case{"a.mp3", 0, "ID3"}, Case{"a.m4a", 8, "M4A "},
          Case{"a.MP4", 4, "ftyp"}, Case{"a.ogg", 0, "OggS"}, Case{"a.opus", 28, "OpusHead"}}) {
        SCOPED_TRACE(c.name);
        const std::string out = env().path(c.name);
        ASSERT_TRUE(Convert(in, out, Target{"", 2, 44100, 0}));
        EXPECT_EQ(text(ReadBytes(out), c.at, std::strlen(c.magic)), c.magic);
        auto back = Decode(out, env().path("back.wav"), 0, 44100);
        ASSERT_TRUE(back);
        EXPECT_NEAR(static_cast<double>(back->frames()), 44100.0, 44100 * 0.03);
    }
    // A raw AAC stream starts with an ADTS sync word.
    const std::string aac = env().path("a.aac");
    ASSERT_TRUE(Convert(in, aac, Target{"", 2, 44100, 0}));
    std::vector<uint8_t> b = ReadBytes(aac);
    ASSERT_GE(b.size(), 2u);
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[1] & 0xF0, 0xF0);
}

TEST_F(MedrixConversion, CodecNameDecidesOverTheExtension)
{
    const std::string in = env().path("in.wav");
    ASSERT_TRUE(WriteWave(in, Sine(22050, 44100, 1, 440), 44100, 1));
    const std::string out = env().path("track.m4a");
    ASSERT_TRUE(Convert(in, out, Target{"mpeg4aac", 1, 44100, 128000}));
    std::vector<uint8_t> b = ReadBytes(out);
    EXPECT_EQ(text(b, 4, 8), "ftypM4A ");
    const std::string wavNamedMp3 = env().path("pcm.mp3");
    ASSERT_TRUE(Convert(in, wavNamedMp3, Target{"pcm_s16le", 1, 44100, 0}));
    EXPECT_TRUE(ReadCanonicalWave(wavNamedMp3));
}

TEST_F(MedrixConversion, AudioOfAVideoFileIsDecodedFromItsSecondStream)
{
    const vorlain::test::Samples source = Ramp(44100, 2);
    const std::string movie = env().path("clip.mov");
    ASSERT_TRUE(WriteMovie(movie, &source, 44100, 2));
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    ASSERT_TRUE(InputAttributes(movie, file, audio));
    EXPECT_EQ(file.streamIndex, 1u);
    EXPECT_EQ(file.streamCount, 2u);
    auto wave = Decode(movie, env().path("out.wav"));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->samples, source);
}

TEST_F(MedrixConversion, ExistingOutputIsReplacedAndNoHelperFileRemains)
{
    const std::string in = env().path("in.wav");
    const std::string out = env().path("out.wav");
    ASSERT_TRUE(WriteWave(in, Ramp(1000, 2), 44100, 2));
    ASSERT_TRUE(vorlain::test::WriteBytes(out, std::vector<uint8_t>(100000, 7)));
    ASSERT_TRUE(Convert(in, out, Target{"pcm_s16le", 2, 44100, 0}));
    EXPECT_EQ(ReadBytes(out), ReadBytes(in));
    EXPECT_EQ(ListDir(env().root()),
              (std::vector<std::string>{"home", "in.wav", "out.wav", "tmp"}));
}
