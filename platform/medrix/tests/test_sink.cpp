// Converted samples handed to a sink function instead of a file, and wave
// output past the 4 GiB of a canonical header, which becomes RF64.
#include "../src/WaveFileSink.h"
#include "MedrixTestFiles.h"
#include "vorlain/test/temp_env.h"

#include <atomic>
#include <thread>

using namespace medrix_test;
using vorlain::test::IsolatedTest;
using vorlain::test::PcmBytes;
using vorlain::test::Ramp;
using vorlain::test::ReadBytes;
using vorlain::test::Rf64Header;
using vorlain::test::Samples;
using vorlain::test::WriteRampWave;
using vorlain::test::WriteWave;

namespace {

class MedrixSink : public IsolatedTest {};

struct Collected {
    Samples samples;
    int64_t calls = 0;
    int64_t failAfter = -1; // refuse the call after this many
};

int collect(void* context, const int16_t* samples, uint32_t frames)
{
    auto* c = static_cast<Collected*>(context);
    if (c->failAfter >= 0 && c->calls >= c->failAfter)
        return 0;
    ++c->calls;
    c->samples.insert(c->samples.end(), samples, samples + frames * 2);
    return 1;
}

/** Converts in to 16-bit stereo at 44100 Hz into a sink; AV_Convert's result. */
int toSink(const std::string& in, Collected& out, const char* codec = "pcm_s16le")
{
    MedrixHandle h = AV_Open();
    MedrixFileAttr file{};
    MedrixAudioAttr attr{};
    int ok = AV_SetInputpath(h, in.c_str()) && AV_GetInputFileAttr(h, &file, &attr, 0) &&
             AV_SetOutputSink(h, &collect, &out);
    std::snprintf(attr.codecName, sizeof attr.codecName, "%s", codec);
    attr.channels = 2;
    attr.sampleRate = 44100;
    ok = ok && AV_SetAudioAttr(h, attr) && AV_Convert(h);
    AV_Close(h);
    return ok;
}

} // namespace

TEST_F(MedrixSink, TheSinkGetsTheSamplesAWaveFileWouldHold)
{
    const std::string in = env().path("in.wav");
    const Samples ramp = Ramp(44100 * 3 + 77, 2);
    ASSERT_TRUE(WriteWave(in, ramp, 44100, 2));
    Collected got;
    ASSERT_TRUE(toSink(in, got));
    EXPECT_EQ(got.samples, ramp);
    // A 22050 Hz mono source comes out as the same conversion to a file gives.
    const std::string mono = env().path("mono.wav");
    ASSERT_TRUE(WriteWave(mono, Ramp(22050 * 2, 1), 22050, 1));
    Collected converted;
    ASSERT_TRUE(toSink(mono, converted));
    const auto wave = Decode(mono, env().path("scratch.wav"), 2, 44100);
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(converted.samples, wave->samples);
}

TEST_F(MedrixSink, ASinkThatRefusesEndsTheConversionWithFailureAndOnlyPcmGoesToASink)
{
    const std::string in = env().path("in.wav");
    ASSERT_TRUE(WriteRampWave(in, 44100 * 10, 44100, 2));
    Collected refusing;
    refusing.failAfter = 3;
    EXPECT_FALSE(toSink(in, refusing));
    EXPECT_EQ(refusing.calls, 3);
    Collected encoded;
    EXPECT_FALSE(toSink(in, encoded, "libmp3lame"));
    EXPECT_EQ(AV_SetOutputSink(nullptr, &collect, &encoded), 0);
    MedrixHandle h = AV_Open();
    EXPECT_EQ(AV_SetOutputSink(h, nullptr, nullptr), 0);
    AV_Close(h);
}

TEST_F(MedrixSink, AWaveThatOutgrowsTheCanonicalHeaderIsRewrittenAsRf64)
{
    const Samples ramp = Ramp(3000, 2); // 12000 bytes
    const std::vector<uint8_t> bytes = PcmBytes(ramp);
    for (const int64_t expected : {int64_t(0), int64_t(1) << 40}) {
        SCOPED_TRACE(expected);
        const std::string out = env().path("grown" + std::to_string(expected) + ".wav");
        {
            // A canonical header takes at most 5000 bytes here.
            medrix::WaveFileSink sink(44100, 2, 5000);
            ASSERT_TRUE(sink.open(out, expected));
            for (size_t at = 0; at < bytes.size(); at += 4000) {
                const uint8_t* planes[1] = {bytes.data() + at};
                ASSERT_TRUE(sink.write(planes, 1000));
            }
            EXPECT_TRUE(sink.isRf64());
            ASSERT_TRUE(sink.finish());
        }
        const std::vector<uint8_t> file = ReadBytes(out);
        ASSERT_EQ(file.size(), 80 + bytes.size());
        EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 80),
                  Rf64Header(44100, 2, bytes.size()));
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + 80, file.end()), bytes);
        // FFmpeg reads it back.
        const auto wave = Decode(out, env().path("back.wav"));
        ASSERT_TRUE(wave.has_value());
        EXPECT_EQ(wave->samples, ramp);
    }
}
