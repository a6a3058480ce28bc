// Cut, delete, trim, paste, copy to new and join: exact segment lists and the
// exported bytes after each edit.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "edits/range_edits.h"
#include "store/byte_offset.h"
#include "store/free_space.h"

#include <gtest/gtest.h>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

class RangeEdits : public KernelTest {
protected:
    void SetUp() override
    {
        KernelTest::SetUp();
        m_track = loadRamp(44100 * 12);
        ASSERT_NE(m_track, nullptr);
        m_source = PcmBytes(Ramp(44100 * 12, 2));
    }
    void TearDown() override
    {
        SetFreeSpaceProbe(nullptr);
        KernelTest::TearDown();
    }
    static size_t at(int64_t us) { return static_cast<size_t>(ByteOffset(us, 2, 44100, 2)); }
    std::vector<uint8_t> source(int64_t from, int64_t to) const
    {
        return std::vector<uint8_t>(m_source.begin() + at(from), m_source.begin() + at(to));
    }
    static std::vector<uint8_t> cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
    {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    CTrack* m_track = nullptr;
    std::vector<uint8_t> m_source;
};

TEST_F(RangeEdits, CutInsideTheFirstSegmentWritesAHeadAndATailAndMovesTheRest)
{
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 1 * kSecond, 2 * kSecond), 1);
    EXPECT_EQ(Describe(segments(m_track)),
              "H [0,1000000)00000004.dat [1000000,4000000)00000005.dat "
              "[4000000,9000000)00000002.dat [9000000,11000000)00000003.dat ");
    EXPECT_EQ(m_track->m_length, 11 * kSecond);
    EXPECT_EQ(Kestrum_GetTrackTime(m_session, 1), 11 * kSecond);
    EXPECT_EQ(pcm(m_track), cat(source(0, kSecond), source(2 * kSecond, 12 * kSecond)));
}

TEST_F(RangeEdits, CutAtASegmentStartWritesNoHeadFile)
{
    ASSERT_EQ(Kestrum_Delete(m_session, 1, 5 * kSecond, 6 * kSecond), 1);
    EXPECT_EQ(Describe(segments(m_track)),
              "H [0,5000000)00000001.dat [5000000,9000000)00000004.dat "
              "[9000000,11000000)00000003.dat ");
    EXPECT_EQ(m_track->m_nextFileNumber, 5u);
    EXPECT_EQ(pcm(m_track), cat(source(0, 5 * kSecond), source(6 * kSecond, 12 * kSecond)));
}

TEST_F(RangeEdits, EveryFileAnEditWritesGetsItsPeakSummary)
{
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 1 * kSecond, 2'500'000), 1);
    ASSERT_EQ(Kestrum_Paste(m_session, 1, 7'100'000), 1);
    ASSERT_EQ(Kestrum_AddSlience(m_session, 1, 3'300'000, 1'200'000), 1);
    ASSERT_EQ(Kestrum_AdjustVolumn(m_session, 1, 2 * kSecond, 9 * kSecond, 50), 1);
    auto segs = segments(m_track);
    ASSERT_GT(segs.size(), 6u);
    for (const TrackSegment& s : segs) {
        if (!(s.state & vorlain::kHeaderSegment)) {
            EXPECT_EQ(CheckPeakSummary(s.path, 2), "") << s.path;
        }
    }
}

TEST_F(RangeEdits, CutOfWholeSegmentsWritesNoDataFile)
{
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 5 * kSecond, 10 * kSecond), 1);
    EXPECT_EQ(Describe(segments(m_track)),
              "H [0,5000000)00000001.dat [5000000,7000000)00000003.dat ");
    EXPECT_EQ(m_track->m_nextFileNumber, 4u);
    EXPECT_EQ(ListDir(m_track->m_trackFolder).size(), 5u); // four data files and "peaks"
}

TEST_F(RangeEdits, CutAcrossASegmentBoundaryKeepsBothSides)
{
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 4 * kSecond, 7 * kSecond), 1);
    EXPECT_EQ(Describe(segments(m_track)),
              "H [0,4000000)00000004.dat [4000000,7000000)00000005.dat "
              "[7000000,9000000)00000003.dat ");
    EXPECT_EQ(pcm(m_track), cat(source(0, 4 * kSecond), source(7 * kSecond, 12 * kSecond)));
}

TEST_F(RangeEdits, AnEmptyCutRewritesItsSegmentAsHeadAndTail)
{
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 2 * kSecond, 2 * kSecond), 1);
    EXPECT_EQ(Describe(segments(m_track)),
              "H [0,2000000)00000004.dat [2000000,5000000)00000005.dat "
              "[5000000,10000000)00000002.dat [10000000,12000000)00000003.dat ");
    EXPECT_EQ(pcm(m_track), m_source);
}

TEST_F(RangeEdits, ReversedAndOutOfRangeCutsNeverCrash)
{
    EXPECT_EQ(Kestrum_Cut(m_session, 1, 20 * kSecond, 30 * kSecond), 1);
    EXPECT_EQ(m_track->m_length, 12 * kSecond);
    EXPECT_EQ(pcm(m_track), m_source);
    EXPECT_EQ(Kestrum_Delete(m_session, 1, 3 * kSecond, 1 * kSecond), 1);
    EXPECT_EQ(Kestrum_Trim(m_session, 1, 3 * kSecond, 1 * kSecond), 1);
    EXPECT_EQ(m_track->m_length, 0);
}

TEST_F(RangeEdits, TrimInsideOneSegmentLeavesOneSegment)
{
    ASSERT_EQ(Kestrum_Trim(m_session, 1, 1 * kSecond, 2 * kSecond), 1);
    EXPECT_EQ(Describe(segments(m_track)), "H [0,1000000)00000004.dat ");
    EXPECT_EQ(m_track->m_length, kSecond);
    EXPECT_EQ(pcm(m_track), source(kSecond, 2 * kSecond));
}

TEST_F(RangeEdits, TrimAcrossSegmentsReusesTheMiddle)
{
    ASSERT_EQ(Kestrum_Trim(m_session, 1, 3 * kSecond, 11 * kSecond), 1);
    EXPECT_EQ(
        Describe(segments(m_track)),
        "H [0,2000000)00000004.dat [2000000,7000000)00000002.dat [7000000,8000000)00000005.dat ");
    EXPECT_EQ(pcm(m_track), source(3 * kSecond, 11 * kSecond));
}

TEST_F(RangeEdits, PasteAtASegmentEndSplitsNothing)
{
    ASSERT_EQ(Kestrum_Copy(m_session, 1, 0, kSecond), 1);
    ASSERT_EQ(Kestrum_Paste(m_session, 1, 5 * kSecond), 1);
    EXPECT_EQ(Describe(segments(m_track)),
              "H [0,5000000)00000001.dat [5000000,6000000)00000004.dat "
              "[6000000,11000000)00000002.dat [11000000,13000000)00000003.dat ");
    EXPECT_EQ(pcm(m_track), cat(cat(source(0, 5 * kSecond), source(0, kSecond)),
                                source(5 * kSecond, 12 * kSecond)));
    EXPECT_EQ(progress().back(), 100u);
}

TEST_F(RangeEdits, PasteInsideASegmentSplitsIt)
{
    ASSERT_EQ(Kestrum_Copy(m_session, 1, 10 * kSecond, 12 * kSecond), 1);
    m_window->clear();
    ASSERT_EQ(Kestrum_Paste(m_session, 1, 2 * kSecond), 1);
    EXPECT_EQ(
        Describe(segments(m_track)),
        "H [0,2000000)00000004.dat [2000000,4000000)00000005.dat [4000000,7000000)00000006.dat "
        "[7000000,12000000)00000002.dat [12000000,14000000)00000003.dat ");
    auto posted = progress();
    EXPECT_EQ(posted.front(), 2u * 100 / 14);
    EXPECT_EQ(posted.back(), 100u);
    EXPECT_TRUE(std::is_sorted(posted.begin(), posted.end()));
    EXPECT_EQ(pcm(m_track), cat(cat(source(0, 2 * kSecond), source(10 * kSecond, 12 * kSecond)),
                                source(2 * kSecond, 12 * kSecond)));
}

TEST_F(RangeEdits, PasteBeyondTheEndInsertsNothingYetSucceeds)
{
    Kestrum_Copy(m_session, 1, 0, kSecond);
    ASSERT_EQ(Kestrum_Paste(m_session, 1, 30 * kSecond), 1);
    EXPECT_EQ(m_track->m_length, 12 * kSecond);
    ActionRecord action{};
    Kestrum_GetLastActionAttr(m_session, &action);
    EXPECT_EQ(action.type, 10u);
    EXPECT_EQ(action.redoTo, 31 * kSecond);
}

TEST_F(RangeEdits, PasteIntoABlankTrackGivesItTheSourceFormat)
{
    CTrack* mono = loadRamp(22050 * 3, 22050, 1);
    CTrack* blank = Kestrum_AddTrack(m_session, nullptr);
    Kestrum_Copy(m_session, 2, 0, 2 * kSecond);
    ASSERT_EQ(Kestrum_Paste(m_session, 3, 0), 1);
    EXPECT_EQ(blank->m_channels, 1u);
    EXPECT_EQ(blank->m_sampleRate, 22050u);
    EXPECT_FALSE(blank->m_trackFolder.empty());
    auto segs = segments(blank);
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_EQ(segs[0].state, 1u);
    EXPECT_STREQ(segs[0].path, "");
    EXPECT_EQ(segs[1].start, 0);
    EXPECT_EQ(segs[1].end, 2 * kSecond);
    EXPECT_EQ(pcm(blank), pcm(mono, 0, 2 * kSecond));
}

TEST_F(RangeEdits, AMonoClipIsDoubledIntoAStereoTrackAndAStereoClipKeepsItsLeftChannel)
{
    CTrack* mono = loadRamp(44100 * 2, 44100, 1);
    ASSERT_EQ(Kestrum_Copy(m_session, 2, 0, kSecond), 1);
    ASSERT_EQ(Kestrum_Paste(m_session, 1, 0), 1);
    auto stereo = pcm(m_track, 0, kSecond);
    auto monoBytes = PcmBytes(Ramp(44100, 1));
    ASSERT_EQ(stereo.size(), 2 * monoBytes.size());
    for (size_t i = 0; i < monoBytes.size(); i += 2)
        for (int ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(stereo[2 * i + 2 * ch], monoBytes[i]);
            EXPECT_EQ(stereo[2 * i + 2 * ch + 1], monoBytes[i + 1]);
        }

    ASSERT_EQ(Kestrum_Copy(m_session, 1, 5 * kSecond, 6 * kSecond), 1); // the original first second
    ASSERT_EQ(Kestrum_Paste(m_session, 2, 0), 1);
    auto left = pcm(mono, 0, kSecond);
    auto frames = source(4 * kSecond, 5 * kSecond); // the paste moved the original by 1 s
    ASSERT_EQ(left.size() * 2, frames.size());
    for (size_t f = 0; f < left.size() / 2; ++f) {
        EXPECT_EQ(left[2 * f], frames[4 * f]);
        EXPECT_EQ(left[2 * f + 1], frames[4 * f + 1]);
    }
}

TEST_F(RangeEdits, CopyEditPastePastesTheAudioOfTheCopyTime)
{
    CTrack* blank = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_EQ(Kestrum_Copy(m_session, 1, 0, 2 * kSecond), 1);
    ASSERT_EQ(Kestrum_Delete(m_session, 1, 0, 6 * kSecond), 1);
    ASSERT_EQ(Kestrum_Paste(m_session, 2, 0), 1);
    EXPECT_EQ(pcm(blank), source(0, 2 * kSecond));
}

TEST_F(RangeEdits, CutThenPastePastesTheCutAudio)
{
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 3 * kSecond, 4 * kSecond), 1);
    ClipboardEntry entry{};
    ASSERT_EQ(Kestrum_GetCopyAttr(m_session, &entry), 1);
    EXPECT_EQ(entry.trackId, 1u);
    EXPECT_EQ(entry.from, 3 * kSecond);
    EXPECT_EQ(entry.to, 4 * kSecond);
    EXPECT_NE(entry.timeline, m_track->Timeline()); // the version before the cut
    ASSERT_EQ(Kestrum_Paste(m_session, 1, 0), 1);
    EXPECT_EQ(pcm(m_track, 0, kSecond), source(3 * kSecond, 4 * kSecond));
    EXPECT_EQ(m_track->m_length, 12 * kSecond);
}

TEST_F(RangeEdits, PasteNeedsAClipboardEntryAndRoomOnTheDisk)
{
    EXPECT_EQ(Kestrum_IsPasteAble(m_session), 0);
    ClipboardEntry entry{};
    ASSERT_EQ(Kestrum_GetCopyAttr(m_session, &entry), 1);
    EXPECT_EQ(entry.trackId, 0u);
    EXPECT_EQ(entry.timeline, nullptr);
    EXPECT_EQ(Kestrum_GetCopyAttr(m_session, nullptr), 0);
    EXPECT_EQ(Kestrum_Paste(m_session, 1, 0), 0);
    Kestrum_Copy(m_session, 1, 0, kSecond);
    EXPECT_EQ(Kestrum_IsPasteAble(m_session), 1);
    const CTimeline* before = m_track->Timeline();
    SetFreeSpaceProbe([](const std::string&) { return int64_t(20480 + 2000); }); // < 12 s + 20 MiB
    EXPECT_EQ(Kestrum_Paste(m_session, 1, 0), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0605B007u);
    EXPECT_EQ(m_track->Timeline(), before);
    SetFreeSpaceProbe([](const std::string&) { return int64_t(0); }); // the query failed
    EXPECT_EQ(Kestrum_Paste(m_session, 1, 0), 0);
    EXPECT_EQ(Kestrum_Paste(m_session, 9, 0), 0);
}

TEST_F(RangeEdits, AFailingFileCopyLeavesTheTrackOnItsTimeline)
{
    std::remove(segments(m_track)[1].path);
    SetLastError(0x11110000);
    const CTimeline* before = m_track->Timeline();
    EXPECT_EQ(Kestrum_Cut(m_session, 1, 1 * kSecond, 2 * kSecond), 0);
    EXPECT_EQ(Kestrum_Trim(m_session, 1, 1 * kSecond, 2 * kSecond), 0);
    Kestrum_Copy(m_session, 1, 0, 2 * kSecond);
    EXPECT_EQ(Kestrum_Paste(m_session, 1, 7 * kSecond), 0);
    EXPECT_EQ(m_track->Timeline(), before);
    EXPECT_EQ(m_track->m_length, 12 * kSecond);
    // Each failure says why: a data file it reads is gone.
    EXPECT_EQ(Kestrum_GetLastError(), 0x0D86B004u);
    ActionRecord action{};
    Kestrum_GetLastActionAttr(m_session, &action);
    EXPECT_EQ(action.type, 9u); // only the Copy was recorded
}

TEST_F(RangeEdits, EditsOnUnknownIdsOrBlankTracksFail)
{
    EXPECT_EQ(Kestrum_Copy(m_session, 5, 0, 1), 0);
    EXPECT_EQ(Kestrum_Cut(m_session, 5, 0, 1), 0);
    EXPECT_EQ(Kestrum_Delete(m_session, 0, 0, 1), 0);
    EXPECT_EQ(Kestrum_Trim(m_session, 5, 0, 1), 0);
    Kestrum_AddTrack(m_session, nullptr);
    EXPECT_EQ(Kestrum_Cut(m_session, 2, 0, kSecond), 0);
    EXPECT_EQ(Kestrum_Trim(m_session, 2, 0, kSecond), 0);
    EXPECT_EQ(Kestrum_Copy(nullptr, 1, 0, 1), 0);
    EXPECT_EQ(Kestrum_IsPasteAble(nullptr), 0);
}

TEST_F(RangeEdits, CopyToNewNamesTheTrackAfterTheSourceAndTheRange)
{
    m_track->m_name = "song.mp3";
    CTrack* copy = Kestrum_CopyToNew(m_session, 1, 1500 * 1000, 4000 * 1000);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_name, "song(1500-4000)");
    EXPECT_EQ(copy->m_trackId, 2u);
    EXPECT_EQ(pcm(copy), source(1'500'000, 4'000'000));
    EXPECT_EQ(CopyToNewName(".hidden", 0, 1000), ".hidden(0-1)");
    EXPECT_EQ(CopyToNewName("a.b.wav", 0, 1000), "a.b(0-1)");
    EXPECT_EQ(CopyToNewName("noext", 2000, 1000), "noext(2-1)");
    ActionRecord action{};
    Kestrum_GetLastActionAttr(m_session, &action);
    EXPECT_EQ(action.type, 16u);
    EXPECT_EQ(action.trackId, 1u);
    EXPECT_EQ(action.redoTrackId, 2u);
    EXPECT_EQ(action.redoTo, copy->m_length);
    EXPECT_EQ(Kestrum_CopyToNew(m_session, 7, 0, 1), nullptr);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0623B001u);
}

TEST_F(RangeEdits, AFailedCopyToNewAddsNoTrackAndLeavesNoFiles)
{
    std::remove(segments(m_track)[1].path);
    size_t folders = ListDir(m_session->m_tempFolder).size();
    EXPECT_EQ(Kestrum_CopyToNew(m_session, 1, 0, kSecond), nullptr);
    EXPECT_EQ(m_session->TrackCount(), 1u);
    EXPECT_EQ(ListDir(m_session->m_tempFolder).size(), folders);
}

TEST_F(RangeEdits, JoinWritesMonoTracksIntoBothChannels)
{
    CTrack* mono = loadRamp(44100, 44100, 1);
    ASSERT_NE(mono, nullptr);
    ASSERT_EQ(Kestrum_Trim(m_session, 1, 0, kSecond), 1);
    uint32_t ids[] = {2, 1};
    std::string out = env().path("joined.wav");
    WriteBytes(out, std::vector<uint8_t>(2'000'000, 0xAA)); // a longer old file
    m_window->clear();
    ASSERT_EQ(Kestrum_JoinTrack(m_session, 2, ids, out.c_str()), 1);
    auto bytes = ReadBytes(out);
    const size_t data = 176400 * 2;
    ASSERT_EQ(bytes.size(), 44 + data);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 44), WaveHeader(44100, 2, data));
    auto monoBytes = PcmBytes(Ramp(44100, 1));
    for (size_t i = 0; i < monoBytes.size(); i += 2) {
        EXPECT_EQ(bytes[44 + 2 * i], monoBytes[i]);
        EXPECT_EQ(bytes[44 + 2 * i + 2], monoBytes[i]);
        EXPECT_EQ(bytes[44 + 2 * i + 3], monoBytes[i + 1]);
    }
    EXPECT_TRUE(std::equal(bytes.begin() + 44 + 176400, bytes.end(), m_source.begin()));
    EXPECT_EQ(Kestrum_GetProgress(m_session), 100u);
    EXPECT_EQ(progress().back(), 100u);
}

TEST_F(RangeEdits, JoinRefusesBadArgumentsBeforeWriting)
{
    uint32_t ids[] = {1};
    std::string out = env().path("j.wav");
    EXPECT_EQ(Kestrum_JoinTrack(m_session, 0, ids, out.c_str()), 0);
    EXPECT_EQ(Kestrum_JoinTrack(m_session, 1, ids, nullptr), 0);
    EXPECT_EQ(Kestrum_JoinTrack(m_session, 1, nullptr, out.c_str()), 0);
    uint32_t unknown[] = {1, 9};
    EXPECT_EQ(Kestrum_JoinTrack(m_session, 2, unknown, out.c_str()), 0);
    EXPECT_FALSE(Exists(out));
    std::remove(segments(m_track)[2].path);
    EXPECT_EQ(Kestrum_JoinTrack(m_session, 1, ids, out.c_str()), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0727B001u);
    EXPECT_FALSE(Exists(out));
}
