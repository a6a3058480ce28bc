// Files past the 4 GiB mark, where 32-bit sizes and offsets give out: an
// import whose decoded audio passes it and an export that passes it. The
// sources take no room: the import reads a sparse RF64 file of silence with
// a few marked frames, the export a project whose data files are hard links
// to one file. Only the export's output is real, 4.3 GB, so that test needs
// that much free space and is skipped without it.
#include "kernel_fixture.h"

#include "store/free_space.h"
#include "vorlain/medrix.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

namespace {

constexpr int64_t kFourGiB = int64_t(1) << 32;
constexpr int64_t kPieceBytes = 882000; // 5 s of 44100 Hz stereo
constexpr int64_t kPieceFrames = kPieceBytes / 4;

int64_t freeBytes(const std::string& path)
{
    struct statvfs st {};
    return ::statvfs(path.c_str(), &st) == 0 ? int64_t(st.f_bavail) * int64_t(st.f_frsize) : 0;
}

/** The value of frame f, channel ch, of the pattern the export test uses. */
int16_t patternValue(int64_t f, int ch)
{
    return static_cast<int16_t>(static_cast<uint16_t>(f * 13 + ch * 7919));
}

class LongFiles : public KernelTest {
protected:
    void TearDown() override
    {
        SetFreeSpaceProbe(nullptr);
        KernelTest::TearDown();
    }
};

} // namespace

TEST_F(LongFiles, AnImportWhoseAudioPassesFourGiBIsExact)
{
    // 4 GiB of audio and three pieces and a bit more.
    const int64_t frames = kFourGiB / 4 + 3 * kPieceFrames + 777;
    const int64_t bytes = frames * 4;
    const std::string source = env().path("long.rf64.wav");
    ASSERT_TRUE(WriteSilentRf64(source, frames, 44100, 2));
    // Frames on both sides of the 4 GiB mark, at the start and at the end.
    const std::vector<int64_t> marked = {0, kFourGiB / 4 - 1, kFourGiB / 4, frames - 1};
    for (int64_t f : marked)
        ASSERT_TRUE(
            WriteFrameAt(source, f, 2, {int16_t(f % 30011 + 1), int16_t(-(f % 20011) - 1)}));
    // The data files of silence are sparse too: the disk needs no 4 GiB.
    SetFreeSpaceProbe([](const std::string&) { return int64_t(1) << 40; });

    CTrack* track = Kestrum_AddTrack(m_session, source.c_str());
    ASSERT_NE(track, nullptr) << std::hex << Kestrum_GetLastError();
    const int64_t whole = bytes / kPieceBytes, rest = bytes % kPieceBytes;
    EXPECT_EQ(track->m_length, whole * 5 * kSecond + rest * 5 * kSecond / kPieceBytes);
    EXPECT_EQ(track->m_bytesLoaded, 44 + bytes);

    auto segs = segments(track);
    ASSERT_EQ(int64_t(segs.size()), 1 + whole + 1);
    int64_t total = 0, used = 0;
    for (size_t i = 1; i < segs.size(); ++i) {
        struct stat st {};
        ASSERT_EQ(::stat(segs[i].path, &st), 0);
        total += st.st_size;
        used += st.st_blocks * 512;
        EXPECT_EQ(segs[i].start, int64_t(i - 1) * 5 * kSecond);
    }
    EXPECT_EQ(total, bytes);
    EXPECT_LT(used, int64_t(64) << 20);
    for (int64_t f : marked) {
        const int64_t at = f * 4;
        const std::string& file = segs[1 + at / kPieceBytes].path;
        std::ifstream in(file, std::ios::binary);
        in.seekg(at % kPieceBytes);
        int16_t s[2] = {0, 0};
        in.read(reinterpret_cast<char*>(s), sizeof s);
        EXPECT_EQ(s[0], int16_t(f % 30011 + 1)) << f;
        EXPECT_EQ(s[1], int16_t(-(f % 20011) - 1)) << f;
        EXPECT_EQ(CheckPeakSummary(file, 2), "") << f;
    }
}

namespace {

// The samples FFmpeg decodes, checked against the pattern as they come.
struct ReadBack {
    int64_t frames = 0;
    int64_t wrong = 0;
    int64_t firstWrong = -1;
};

int checkSamples(void* context, const int16_t* samples, uint32_t frames)
{
    auto* r = static_cast<ReadBack*>(context);
    for (uint32_t i = 0; i < frames; ++i, ++r->frames) {
        const int64_t f = r->frames % kPieceFrames;
        if (samples[2 * i] != patternValue(f, 0) || samples[2 * i + 1] != patternValue(f, 1)) {
            if (r->firstWrong < 0)
                r->firstWrong = r->frames;
            ++r->wrong;
        }
    }
    return 1;
}

} // namespace

TEST_F(LongFiles, AWaveExportPastFourGiBIsRf64AndReadsBackThroughFfmpeg)
{
    const int64_t pieces = kFourGiB / kPieceBytes + 2;
    const int64_t bytes = pieces * kPieceBytes;
    if (freeBytes(env().root()) < bytes + (int64_t(1) << 30))
        GTEST_SKIP() << "needs " << (bytes >> 20) << " MiB free for the exported file";

    // A project of `pieces` data files, all one file under many names.
    const std::string folder = env().makeDir("long.zvp.data") + "/Track00";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    Samples piece(kPieceFrames * 2);
    for (int64_t f = 0; f < kPieceFrames; ++f)
        for (int ch = 0; ch < 2; ++ch)
            piece[f * 2 + ch] = patternValue(f, ch);
    const std::string original = env().path("piece.raw");
    ASSERT_TRUE(WriteBytes(original, PcmBytes(piece)));
    std::string doc =
        "<?xml version='1.0'?>\n<AudioProject><TmpPath>long.zvp.data</TmpPath>"
        "<Track id=\"0\"><Folder>Track00</Folder><BaseInfo><Name>long</Name><Time>" +
        std::to_string(pieces * 5 * kSecond) +
        "</Time><Sample>44100</Sample><Channel>2</Channel><BitPerSample>2</BitPerSample>"
        "</BaseInfo><TAG><Title/><Artist/><Album/><Genre/><Year/><Comment/></TAG><TimeLine>";
    for (int64_t i = 0; i < pieces; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%.8lld.dat", static_cast<long long>(i + 1));
        ASSERT_EQ(::link(original.c_str(), (folder + "/" + name).c_str()), 0);
        doc += "<Segment><TimeFrom>" + std::to_string(i * 5 * kSecond) + "</TimeFrom><TimeTo>" +
               std::to_string((i + 1) * 5 * kSecond) + "</TimeTo><Path>" + name +
               "</Path></Segment>";
    }
    doc += "</TimeLine></Track></AudioProject>\n";
    const std::string project = env().path("long.zvp");
    ASSERT_TRUE(WriteBytes(project, std::vector<uint8_t>(doc.begin(), doc.end())));
    ASSERT_EQ(Kestrum_OpenProject(m_session, project.c_str()), 1)
        << std::hex << Kestrum_GetLastError();

    const std::string out = env().path("long.wav");
    ASSERT_EQ(Kestrum_SaveTrackToFile(m_session, 1, 0, 0, out.c_str()), 1)
        << std::hex << Kestrum_GetLastError();
    EXPECT_EQ(FileSize(out), 80 + bytes);
    std::vector<uint8_t> header(80);
    std::ifstream(out, std::ios::binary).read(reinterpret_cast<char*>(header.data()), 80);
    EXPECT_EQ(header, Rf64Header(44100, 2, uint64_t(bytes)));

    // FFmpeg, through the converter, reads every sample back.
    MedrixHandle h = AV_Open();
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    ReadBack back;
    ASSERT_TRUE(AV_SetInputpath(h, out.c_str()));
    ASSERT_TRUE(AV_GetInputFileAttr(h, &file, &audio, 0));
    EXPECT_EQ(audio.channels, 2u);
    EXPECT_EQ(audio.sampleRate, 44100u);
    EXPECT_NEAR(double(file.duration), double(pieces) * 5e6, 1);
    ASSERT_TRUE(AV_SetOutputSink(h, &checkSamples, &back));
    std::snprintf(audio.codecName, sizeof audio.codecName, "pcm_s16le");
    ASSERT_TRUE(AV_SetAudioAttr(h, audio));
    EXPECT_TRUE(AV_Convert(h));
    AV_Close(h);
    EXPECT_EQ(back.frames, bytes / 4);
    EXPECT_EQ(back.wrong, 0) << "first at frame " << back.firstWrong;
    std::remove(out.c_str());
}
