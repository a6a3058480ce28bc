// The segment store: loading wave files into data files, track folders, the
// file routines and the clean-up when a track is destroyed.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "store/byte_offset.h"
#include "store/segment_files.h"
#include "vorlain/peak_summary.h"
#include "vorlain/test/debug_capture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

class SegmentStore : public KernelTest {};

TEST_F(SegmentStore, TwelveSecondsOfStereoBecomeFourDataFiles)
{
    DebugCapture capture;
    CTrack* track = loadRamp(44100 * 12);
    ASSERT_NE(track, nullptr);
    auto segs = segments(track);
    ASSERT_EQ(segs.size(), 4u);
    EXPECT_EQ(segs[0].state, 1u);
    EXPECT_EQ(segs[0].start, 0);
    EXPECT_EQ(segs[0].end, 0);
    EXPECT_EQ(Describe(segs), "H [0,5000000)00000001.dat [5000000,10000000)00000002.dat "
                              "[10000000,12000000)00000003.dat ");
    EXPECT_EQ(FileNamePart(track->m_trackFolder), "Track00");
    EXPECT_EQ(ListDir(track->m_trackFolder),
              (std::vector<std::string>{"00000000.dat", "00000001.dat", "00000002.dat", "00000003.dat",
                                        "peaks"}));
    // Every audio file has its peak summary; the header file has none.
    EXPECT_EQ(ListDir(track->m_trackFolder + "/peaks"),
              (std::vector<std::string>{"00000001.pks", "00000002.pks", "00000003.pks"}));
    EXPECT_EQ(kernel::FileSize(segs[0].path), 44);
    EXPECT_EQ(kernel::FileSize(segs[1].path), 882000);
    EXPECT_EQ(kernel::FileSize(segs[2].path), 882000);
    EXPECT_EQ(kernel::FileSize(segs[3].path), 352800);
    EXPECT_EQ(track->m_length, 12 * kSecond);
    EXPECT_EQ(track->m_nextFileNumber, 4u);
    EXPECT_EQ(track->m_loaded, 1u);
    // 80 + (20n - 20) / 3 for n = 1, 2, 3; Load itself never posts 100.
    EXPECT_EQ(progress(), (std::vector<WPARAM>{80, 86, 93}));
    auto lines = capture.linesStartingWith("Loading Path=");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "Loading Path=" + std::string(segs[1].path) + " from=0 to=5000000");
    // The data files hold the wave's bytes exactly, header first.
    auto all = ReadBytes(segs[1].path);
    auto expected = PcmBytes(Ramp(44100 * 12, 2));
    EXPECT_TRUE(std::equal(all.begin(), all.end(), expected.begin()));
    auto last = ReadBytes(segs[3].path);
    EXPECT_TRUE(std::equal(last.begin(), last.end(), expected.begin() + 2 * 882000));
    EXPECT_EQ(ReadBytes(segs[0].path), WaveHeader(44100, 2, 44100 * 12 * 4));
}

TEST_F(SegmentStore, EveryLoadedPieceHasThePeakSummaryOfItsSamples)
{
    for (int channels : {1, 2}) {
        // Every value, the extremes among them: -32768 must rank above 32767.
        Samples s = Ramp(44100 * 7 + 1001, channels);
        for (int ch = 0; ch < channels; ++ch) {
            s[300 * channels + ch] = -32768;
            s[301 * channels + ch] = 32767;
            s[(44100 * 5 + 4095) * channels + ch] = -32767;
        }
        CTrack* track = loadTrack(s, 44100, channels);
        ASSERT_NE(track, nullptr);
        auto segs = segments(track);
        ASSERT_EQ(segs.size(), 3u);
        EXPECT_FALSE(Exists(vorlain::PeakSummaryPath(segs[0].path))) << "the header has no audio";
        for (size_t i = 1; i < segs.size(); ++i)
            EXPECT_EQ(CheckPeakSummary(segs[i].path, channels), "") << channels << " " << i;
    }
}

TEST_F(SegmentStore, SilentPiecesTakeNoRoomOnDiskAndReadBackAsZeros)
{
    Samples s(44100 * 12 * 2, 0);
    s[44100 * 11 * 2] = 5; // one sample in the last piece
    CTrack* track = loadTrack(s, 44100, 2);
    ASSERT_NE(track, nullptr);
    auto segs = segments(track);
    ASSERT_EQ(segs.size(), 4u);
    struct stat st{};
    ASSERT_EQ(::stat(segs[1].path, &st), 0);
    EXPECT_EQ(st.st_size, 882000);
    EXPECT_LT(st.st_blocks * 512, 882000 / 8) << "a sparse file";
    EXPECT_EQ(CheckPeakSummary(segs[1].path, 2), "");
    EXPECT_EQ(pcm(track), PcmBytes(s));
}

TEST_F(SegmentStore, AnExactMultipleOfFiveSecondsEndsWithoutAnEmptySegment)
{
    CTrack* track = loadRamp(44100 * 10);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(Describe(segments(track)), "H [0,5000000)00000001.dat [5000000,10000000)00000002.dat ");
    EXPECT_EQ(track->m_nextFileNumber, 3u);
}

TEST_F(SegmentStore, APartialPieceEndsAtItsTruncatedTime)
{
    // 1 s + 1 frame of mono at 8000 Hz: 8001 frames, 16002 bytes in a 80000-byte piece.
    CTrack* track = loadRamp(8001, 8000, 1);
    ASSERT_NE(track, nullptr);
    auto segs = segments(track);
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_EQ(segs[1].end, 16002LL * 5'000'000 / 80000);
    EXPECT_EQ(kernel::FileSize(segs[1].path), 16002);
}

TEST_F(SegmentStore, TheNextTrackFolderIsTheFirstFreeNumber)
{
    CTrack* first = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_NE(first, nullptr);
    std::filesystem::create_directory(m_session->m_tempFolder + "/Track00");
    std::filesystem::create_directory(m_session->m_tempFolder + "/Track01");
    std::string wav = env().path("a.wav");
    WriteWave(wav, Ramp(100, 2), 44100, 2);
    ASSERT_EQ(first->Load(wav.c_str()), 1);
    EXPECT_EQ(FileNamePart(first->m_trackFolder), "Track02");
}

TEST_F(SegmentStore, BadWaveFilesFailToLoadAndLeaveTheTrackBlank)
{
    CTrack* track = Kestrum_AddTrack(m_session, nullptr);
    std::string shortFile = env().path("short.wav");
    WriteBytes(shortFile, std::vector<uint8_t>(20, 0));
    EXPECT_EQ(track->Load(shortFile.c_str()), 0);
    auto header = WaveHeader(44100, 0, 8);
    header.resize(52, 0);
    std::string noChannels = env().path("nochannels.wav");
    WriteBytes(noChannels, header);
    EXPECT_EQ(track->Load(noChannels.c_str()), 0);
    header = WaveHeader(0, 2, 8);
    header.resize(52, 0);
    std::string noRate = env().path("norate.wav");
    WriteBytes(noRate, header);
    EXPECT_EQ(track->Load(noRate.c_str()), 0);
    EXPECT_EQ(track->Load(env().path("missing.wav").c_str()), 0);
    EXPECT_EQ(track->Load(nullptr), 0);
    EXPECT_TRUE(track->IsBlank());
    EXPECT_EQ(track->m_length, 0);
    EXPECT_EQ(track->m_loaded, 0u);
}

TEST_F(SegmentStore, AHeaderOnlyWaveLoadsAsAnEmptyTimeline)
{
    CTrack* track = loadTrack({}, 44100, 2);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(Describe(segments(track)), "H ");
    EXPECT_EQ(track->m_length, 0);
}

TEST_F(SegmentStore, DestructionKeepsOnlyTheProjectTimelinesFiles)
{
    CTrack* track = loadRamp(44100 * 12);
    ASSERT_NE(track, nullptr);
    track->m_projectTimeline = track->m_timeline;
    // Two newer files from later edits.
    for (int i = 0; i < 2; ++i) {
        std::string path = track->NextDataFilePath();
        track->TakeDataFileNumber();
        WriteBytes(path, {1, 2, 3, 4});
    }
    std::string folder = track->m_trackFolder;
    ASSERT_EQ(ListDir(folder).size(), 7u); // six data files and the summaries' folder
    // A summary whose data file goes with the track goes too.
    WriteBytes(folder + "/peaks/00000005.pks", {1});
    m_session->m_projectPath = env().path("p.zvp");
    Kestrum_Close(m_session);
    m_session = nullptr;
    EXPECT_EQ(ListDir(folder), (std::vector<std::string>{"00000000.dat", "00000001.dat", "00000002.dat",
                                                         "00000003.dat", "peaks"}));
    EXPECT_EQ(ListDir(folder + "/peaks"),
              (std::vector<std::string>{"00000001.pks", "00000002.pks", "00000003.pks"}));
}

TEST_F(SegmentStore, ByteOffsetsRoundDownToWholeFrames)
{
    EXPECT_EQ(ByteOffset(1'000'000, 2, 44100, 2), 176400);
    EXPECT_EQ(ByteOffset(1, 2, 44100, 2), 0);
    EXPECT_EQ(ByteOffset(30, 2, 44100, 2), 4);    // 5.292 bytes
    EXPECT_EQ(ByteOffset(1'000'000, 2, 44100, 1), 88200);
    EXPECT_EQ(ByteOffset(34, 2, 44100, 1), 0);    // 2.99 bytes: a whole mono sample lost
    EXPECT_EQ(ByteOffset(3600LL * 1'000'000 * 10, 2, 48000, 2), 6'912'000'000LL); // no overflow
    EXPECT_EQ(ByteLength(30, 2, 44100, 2), 5);
}

TEST_F(SegmentStore, CopyRangeTakesExactBytesInEveryLayout)
{
    std::vector<uint8_t> src;
    for (int i = 0; i < 3000; ++i)
        src.push_back(static_cast<uint8_t>(i * 13));
    std::string in = env().path("in.dat");
    WriteBytes(in, src);
    std::string out = env().path("out.dat");

    ASSERT_TRUE(CopyRange(in, out, 1000, 2500));
    EXPECT_EQ(ReadBytes(out), std::vector<uint8_t>(src.begin() + 1000, src.begin() + 2500));
    ASSERT_TRUE(CopyRange(in, out, 1024, kToEnd));
    EXPECT_EQ(ReadBytes(out), std::vector<uint8_t>(src.begin() + 1024, src.end()));
    ASSERT_TRUE(CopyRange(in, out, 2000, 99999)); // end beyond the file
    EXPECT_EQ(ReadBytes(out), std::vector<uint8_t>(src.begin() + 2000, src.end()));
    ASSERT_TRUE(CopyRange(in, out, 3000, kToEnd)); // begin at the end: empty file
    EXPECT_TRUE(ReadBytes(out).empty());
    EXPECT_FALSE(CopyRange(in, out, 3001, kToEnd));
    ASSERT_TRUE(CopyRange(in, out, 0, 0)); // an empty range at the start stays empty
    EXPECT_TRUE(ReadBytes(out).empty());
    EXPECT_FALSE(CopyRange(env().path("missing"), out, 0, kToEnd));
    EXPECT_FALSE(CopyRange(in, env().path("no/such/dir/out"), 0, kToEnd));

    ASSERT_TRUE(CopyRange(in, out, 4, 2052, CopyLayout::LeftChannel));
    auto left = ReadBytes(out);
    ASSERT_EQ(left.size(), 1024u);
    for (size_t f = 0; f < 512; ++f) {
        EXPECT_EQ(left[2 * f], src[4 + 4 * f]);
        EXPECT_EQ(left[2 * f + 1], src[4 + 4 * f + 1]);
    }
    ASSERT_TRUE(CopyRange(in, out, 2, 2050, CopyLayout::MonoToStereo));
    auto wide = ReadBytes(out);
    ASSERT_EQ(wide.size(), 4096u);
    for (size_t s = 0; s < 1024; ++s)
        for (int copy = 0; copy < 2; ++copy) {
            EXPECT_EQ(wide[4 * s + 2 * copy], src[2 + 2 * s]);
            EXPECT_EQ(wide[4 * s + 2 * copy + 1], src[2 + 2 * s + 1]);
        }
}

TEST_F(SegmentStore, WriteFileAndFileSize)
{
    std::string path = env().path("w.dat");
    uint8_t data[3] = {1, 2, 3};
    EXPECT_TRUE(WriteWholeFile(path, data, 3));
    EXPECT_EQ(kernel::FileSize(path), 3);
    EXPECT_TRUE(WriteWholeFile(path, data, 1)); // truncates
    EXPECT_EQ(kernel::FileSize(path), 1);
    EXPECT_FALSE(WriteWholeFile("", data, 3));
    EXPECT_FALSE(WriteWholeFile(path, nullptr, 3));
    EXPECT_FALSE(WriteWholeFile(path, data, 0));
    EXPECT_FALSE(WriteWholeFile(env().path("no/dir/x"), data, 3));
    EXPECT_EQ(kernel::FileSize(env().path("missing")), -1);
    EXPECT_EQ(kernel::FileSize(env().root()), -1); // a folder is not a file
    EXPECT_GT(FreeSpaceKiB(env().root()), 0);
    EXPECT_EQ(FreeSpaceKiB(""), 0);
}
