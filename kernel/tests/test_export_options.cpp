// The format choices of exports (Kestrum_SetExportOptions): how the text is
// checked, and what each choice does to the file written, read back through
// FFmpeg or byte by byte.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "session/edit_session.h"
#include "vorlain/medrix.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace kernel::test;
using namespace vorlain::test;

namespace {

// The chunk of a RIFF wave file with this id: its data, empty when none.
std::vector<uint8_t> Chunk(const std::vector<uint8_t>& file, const char* id)
{
    for (size_t at = 12; at + 8 <= file.size();) {
        const uint32_t size = U32(file, at + 4);
        if (std::memcmp(file.data() + at, id, 4) == 0)
            return std::vector<uint8_t>(
                file.begin() + static_cast<long>(at + 8),
                file.begin() + static_cast<long>(std::min<size_t>(file.size(), at + 8 + size)));
        at += 8 + size + (size & 1);
    }
    return {};
}

// Bits per sample from a FLAC file's STREAMINFO block.
int FlacBits(const std::vector<uint8_t>& file)
{
    if (file.size() < 42 || std::memcmp(file.data(), "fLaC", 4) != 0)
        return 0;
    const uint8_t* info = file.data() + 8;
    return (((info[12] & 1) << 4) | (info[13] >> 4)) + 1;
}

uint32_t ProbedBitRate(const std::string& path)
{
    MedrixHandle h = AV_Open();
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    const bool ok = AV_SetInputpath(h, path.c_str()) && AV_GetInputFileAttr(h, &file, &audio, 0);
    AV_Close(h);
    return ok ? file.bitRate : 0;
}

} // namespace

class ExportOptionsTest : public KernelTest {
protected:
    bool Export(const std::string& options, const std::string& name, uint32_t trackId = 1)
    {
        return Kestrum_SetExportOptions(m_session, options.c_str()) == 1 &&
               Kestrum_SaveTrackToFile(m_session, trackId, 0, 0, env().path(name).c_str()) == 1;
    }
};

TEST_F(ExportOptionsTest, TheTextIsCheckedWholeAndARefusalChangesNothing)
{
    EXPECT_EQ(Kestrum_SetExportOptions(nullptr, ""), 0);
    ASSERT_EQ(Kestrum_SetExportOptions(m_session,
                                       "bits=24;rate=48000;bitrate=192;vbr=2;quality=-1;level=8;"),
              1);
    const kernel::ExportOptions set = m_session->m_exportOptions;
    EXPECT_EQ(set.bits, 24);
    EXPECT_EQ(set.rate, 48000);
    EXPECT_EQ(set.bitrate, 192);
    EXPECT_EQ(set.vbr, 2);
    EXPECT_EQ(set.quality, -1);
    EXPECT_EQ(set.level, 8);
    for (const char* bad :
         {"bits=20", "bits=", "bits", "bits=1e1", "bits=16.0", "rate=7999", "rate=192001",
          "rate=48 000", "bitrate=513", "bitrate=-128", "vbr=10", "quality=11", "quality=-2",
          "level=9", "colour=1", "BITS=16", "bits=16;volume=3", "bits=16,rate=0"}) {
        kernel::SetLastError(0);
        EXPECT_EQ(Kestrum_SetExportOptions(m_session, bad), 0) << bad;
        EXPECT_EQ(Kestrum_GetLastError(), 0x0DA1B002u) << bad;
        EXPECT_TRUE(m_session->m_exportOptions == set) << bad << ": a refusal changes nothing";
    }
    // A later key wins; an empty text restores the defaults.
    ASSERT_EQ(Kestrum_SetExportOptions(m_session, "rate=22050;rate=0"), 1);
    EXPECT_EQ(m_session->m_exportOptions.rate, 0);
    EXPECT_EQ(m_session->m_exportOptions.bits, 16) << "each call starts from the defaults";
    ASSERT_EQ(Kestrum_SetExportOptions(m_session, ""), 1);
    EXPECT_TRUE(m_session->m_exportOptions == kernel::ExportOptions{});
}

TEST_F(ExportOptionsTest, FlacIsLosslessAt16And24BitsAndItsLevelCounts)
{
    const Samples sine = Sine(44100 * 3, 44100, 2, 440, 9000);
    ASSERT_NE(loadTrack(sine, 44100, 2), nullptr);
    for (const char* options : {"", "bits=24", "level=0", "level=8"}) {
        const std::string name = std::string("out") + options + ".flac";
        ASSERT_TRUE(Export(options, name)) << options;
        const std::vector<uint8_t> flac = ReadBytes(env().path(name));
        EXPECT_EQ(FlacBits(flac), std::strcmp(options, "bits=24") == 0 ? 24 : 16) << options;
        // Read back, every sample is the track's.
        CTrack* back = Kestrum_AddTrack(m_session, env().path(name).c_str());
        ASSERT_NE(back, nullptr) << options;
        EXPECT_EQ(pcm(back), PcmBytes(sine)) << options;
    }
    EXPECT_LT(FileSize(env().path("outlevel=8.flac")), FileSize(env().path("outlevel=0.flac")));
}

TEST_F(ExportOptionsTest, A24BitWaveHoldsEachSampleInItsTopSixteenBits)
{
    const Samples ramp = Ramp(44100, 2);
    ASSERT_NE(loadTrack(ramp, 44100, 2), nullptr);
    ASSERT_TRUE(Export("bits=24", "deep.wav"));
    const std::vector<uint8_t> file = ReadBytes(env().path("deep.wav"));
    const std::vector<uint8_t> fmt = Chunk(file, "fmt ");
    ASSERT_GE(fmt.size(), 16u);
    EXPECT_EQ(U16(fmt, 2), 2u);
    EXPECT_EQ(U32(fmt, 4), 44100u);
    EXPECT_EQ(U16(fmt, 14), 24u);
    const std::vector<uint8_t> data = Chunk(file, "data");
    ASSERT_EQ(data.size(), ramp.size() * 3);
    for (size_t i = 0; i < ramp.size(); ++i) {
        ASSERT_EQ(data[3 * i], 0) << i;
        ASSERT_EQ(int16_t(data[3 * i + 1] | data[3 * i + 2] << 8), ramp[i]) << i;
    }
    // Back to the defaults: the same track is a 16-bit copy again.
    ASSERT_TRUE(Export("", "plain.wav"));
    EXPECT_EQ(U16(ReadBytes(env().path("plain.wav")), 34), 16u);
}

TEST_F(ExportOptionsTest, ARateResamplesAndBitRatesAndQualitiesReachTheEncoder)
{
    const Samples sine = Sine(44100 * 4, 44100, 2, 440, 9000);
    ASSERT_NE(loadTrack(sine, 44100, 2), nullptr);
    ASSERT_TRUE(Export("rate=48000", "48k.wav"));
    const std::vector<uint8_t> wav = ReadBytes(env().path("48k.wav"));
    EXPECT_EQ(U32(Chunk(wav, "fmt "), 4), 48000u);
    EXPECT_NEAR(static_cast<double>(Chunk(wav, "data").size()), 4.0 * 48000 * 4, 48 * 4);

    ASSERT_TRUE(Export("bitrate=192", "cbr.mp3"));
    EXPECT_EQ(ProbedBitRate(env().path("cbr.mp3")), 192000u);
    ASSERT_TRUE(Export("", "default.mp3"));
    EXPECT_EQ(ProbedBitRate(env().path("default.mp3")), 128000u);
    // Variable quality: LAME's header says "Xing" for VBR ("Info" for CBR).
    ASSERT_TRUE(Export("vbr=0", "vbr.mp3"));
    const std::vector<uint8_t> vbr = ReadBytes(env().path("vbr.mp3"));
    const std::string head(vbr.begin(), vbr.begin() + std::min<size_t>(vbr.size(), 4096));
    EXPECT_NE(head.find("Xing"), std::string::npos);
    const std::vector<uint8_t> cbr = ReadBytes(env().path("cbr.mp3"));
    EXPECT_NE(
        std::string(cbr.begin(), cbr.begin() + std::min<size_t>(cbr.size(), 4096)).find("Info"),
        std::string::npos);

    ASSERT_TRUE(Export("quality=0", "low.ogg"));
    ASSERT_TRUE(Export("quality=9", "high.ogg"));
    EXPECT_LT(FileSize(env().path("low.ogg")) * 3 / 2, FileSize(env().path("high.ogg")));
    ASSERT_TRUE(Export("bitrate=32", "low.opus"));
    ASSERT_TRUE(Export("bitrate=128", "high.opus"));
    EXPECT_LT(FileSize(env().path("low.opus")) * 2, FileSize(env().path("high.opus")));
    ASSERT_TRUE(Export("bitrate=96", "low.m4a"));
    ASSERT_TRUE(Export("bitrate=256", "high.m4a"));
    EXPECT_LT(FileSize(env().path("low.m4a")) * 2, FileSize(env().path("high.m4a")));
    // Every one decodes to the track's length.
    for (const char* name : {"vbr.mp3", "high.ogg", "low.opus", "high.m4a"}) {
        CTrack* back = Kestrum_AddTrack(m_session, env().path(name).c_str());
        ASSERT_NE(back, nullptr) << name;
        EXPECT_NEAR(static_cast<double>(back->m_length), 4e6, 60'000) << name;
    }
}
