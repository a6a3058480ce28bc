// Write faults at every step: each mutating export runs again and again with
// its N-th write, create, rename or sync failing (ENOSPC, EIO), for every N
// up to the number of such calls it makes. Each failure must return 0 with
// a code and leave the session exactly as it was: every track's timeline,
// length, tags and presence, the history and the clipboard, every file on
// disk byte for byte (no half-written file, no file of the user touched),
// and a recovery document that still describes that state. Undo and redo
// must work right after. Peak summaries are left out of the count: they are
// an aid to drawing whose loss fails nothing (FailedSummaries checks that).
//
// VORLAIN_FAULT_SWEEP=full tries every N; by default the first twelve, a
// widening sample and the last four (each line of output gives the counts).
#include "fault_sweep_fixture.h"

using namespace kernel;
using namespace kernel::test;
using namespace kernel::test::faults;
using namespace vorlain::test;

TEST_F(FaultSweep, RangeEditsAndHistory)
{
    sweep("cut", [&] { return Kestrum_Cut(m_session, 1, 1'500'000, 2'500'000) == 1; });
    sweep("delete", [&] { return Kestrum_Delete(m_session, 1, 500'000, 700'000) == 1; });
    sweep("paste", [&] { return Kestrum_Paste(m_session, 1, 300'000) == 1; });
    sweep("trim", [&] { return Kestrum_Trim(m_session, 1, 100'000, 5'300'000) == 1; });
    sweep("copy to new",
          [&] { return Kestrum_CopyToNew(m_session, 1, 200'000, 1'200'000) != nullptr; });
    // Each of these records only what it changes: every call must change
    // something the recovery records.
    sweep("delete track", [&] { return Kestrum_DeleteTrack(m_session, 2) == 1; });
    for (int i = 0; i < 12; ++i)
        ASSERT_EQ(Kestrum_Delete(m_session, 1, 100'000 * i, 100'000 * i + 50'000), 1);
    sweep(
        "undo", [&] { return Kestrum_GoBack(m_session) == 1; }, false);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Kestrum_GoBack(m_session), 1); // steps left to redo
    sweep(
        "redo", [&] { return Kestrum_GoNext(m_session) == 1; }, false);
    sweep("blank track", [&] { return Kestrum_AddTrack(m_session, nullptr) != nullptr; });
    int round = 0;
    sweep(
        "tags",
        [&] {
            TagInfo tag{};
            std::snprintf(tag.title, sizeof tag.title, "Faulty %d", ++round);
            return Kestrum_SetTrackTagInfo(m_session, 1, tag) == 1;
        },
        false);
}

TEST_F(FaultSweep, EffectsAndInsertion)
{
    sweep("fade in", [&] { return Kestrum_FadeIn(m_session, 1, 0, 1'000'000, 0) == 1; });
    sweep("fade out", [&] { return Kestrum_FadeOut(m_session, 1, 5'000'000, 6'000'000, 1) == 1; });
    sweep("echo", [&] {
        return Kestrum_Echo(m_session, 1, 1'000'000, 2'000'000, 0, 0,
                            std::bit_cast<uint32_t>(0.5f)) == 1;
    });
    sweep("silence", [&] { return Kestrum_Silence(m_session, 1, 4'000'000, 5'500'000) == 1; });
    sweep("volume", [&] {
        return Kestrum_AdjustVolumn(m_session, 2, 0, 2'000'000, std::bit_cast<uint32_t>(0.5f)) == 1;
    });
    sweep("normalize",
          [&] { return Kestrum_Normalize(m_session, 1, 500'000, 5'500'000, -1000) == 1; });
    sweep("reverse", [&] { return Kestrum_Reverse(m_session, 1, 300'000, 5'300'000) == 1; });
    sweep("tempo", [&] { return Kestrum_ChangeTempo(m_session, 1, 300'000, 5'300'000, 10) == 1; });
    sweep("pitch", [&] { return Kestrum_ChangePitch(m_session, 1, 300'000, 5'300'000, 200) == 1; });
    sweep("loudness",
          [&] { return Kestrum_NormalizeLoudness(m_session, 1, 0, 5'000'000, -230) == 1; });
    sweep("plugin", [&] {
        return Kestrum_ApplyPlugin(m_session, 1, 700'000, 5'700'000,
                                   "http://lv2plug.in/plugins/eg-amp", "gain=-3") == 1;
    });
    sweep("insert silence",
          [&] { return Kestrum_AddSlience(m_session, 1, 2'000'000, 1'000'000) == 1; });
    sweep("insert file",
          [&] { return Kestrum_AddFile(m_session, 1, m_input.c_str(), 1'000'000) == 1; });
    sweep("extract", [&] { return Kestrum_ExtractTrack(m_session, 1, 1) != nullptr; });
}

TEST_F(FaultSweep, Mixing)
{
    const uint32_t half = std::bit_cast<uint32_t>(0.5f);
    sweep("mix clipboard",
          [&] { return Kestrum_MixTrackFromPaste(m_session, 1, 500'000, half) == 1; });
    sweep("mix track", [&] { return Kestrum_MixTrackFromTrack(m_session, 1, 0, 2, half) == 1; });
    sweep("mix file",
          [&] { return Kestrum_MixTrackFromFile(m_session, 2, 0, m_input.c_str(), half) == 1; });
}

// Where rates meet, the audio is converted into a temporary track first:
// its writes fail in turn too, and leave no file behind.
TEST_F(FaultSweep, ConversionsBetweenRates)
{
    ASSERT_NE(loadTrack(Sine(48000 * 2, 48000, 2, 550.0), 48000, 2, "high.wav"), nullptr);
    sweep("paste into 48 kHz", [&] { return Kestrum_Paste(m_session, 3, 300'000) == 1; });
    sweep("mix onto 48 kHz", [&] {
        return Kestrum_MixTrackFromTrack(m_session, 3, 0, 2, std::bit_cast<uint32_t>(0.5f)) == 1;
    });
    const uint32_t ids[] = {3, 1};
    sweep(
        "join at 48 kHz",
        [&] { return Kestrum_JoinTrack(m_session, 2, ids, (m_user + "/joined.wav").c_str()) == 1; },
        false);
}

TEST_F(FaultSweep, ImportExportJoinAndProjects)
{
    sweep("import", [&] { return Kestrum_AddTrack(m_session, m_input.c_str()) != nullptr; });
    sweep(
        "export wav",
        [&] {
            return Kestrum_SaveTrackToFile(m_session, 1, 0, 0, (m_user + "/out.wav").c_str()) == 1;
        },
        false);
    // The MP3 carries tags: the tagger's writes fail in turn too.
    TagInfo tag{};
    std::snprintf(tag.title, sizeof tag.title, "%s", "Faults");
    std::snprintf(tag.artist, sizeof tag.artist, "%s", "Vorlain");
    ASSERT_EQ(Kestrum_SetTrackTagInfo(m_session, 2, tag), 1);
    sweep(
        "export mp3",
        [&] {
            return Kestrum_SaveTrackToFile(m_session, 2, 0, 2 * kSecond,
                                           (m_user + "/out.mp3").c_str()) == 1;
        },
        false);
    const uint32_t ids[] = {1, 2};
    sweep(
        "join",
        [&] { return Kestrum_JoinTrack(m_session, 2, ids, (m_user + "/joined.wav").c_str()) == 1; },
        false);
    sweep(
        "save project",
        [&] { return Kestrum_SaveProject(m_session, (m_user + "/older.zvp").c_str(), 1) == 1; },
        false);
    sweep(
        "save new project",
        [&] { return Kestrum_SaveProject(m_session, (m_user + "/newer.zvp").c_str(), 1) == 1; },
        false);
}

TEST_F(FaultSweep, RecordingStop)
{
    CTrack* track = Kestrum_RecordInit(m_session, nullptr, 0, 0);
    ASSERT_NE(track, nullptr);
    CTrackRecorder& recorder = CTrackRecorder::Instance();
    ASSERT_TRUE(recorder.Prepare(*track));
    const std::vector<uint8_t> audio = PcmBytes(Sine(44100 * 6, 44100, 2, 220.0));
    for (size_t at = 0; at < audio.size(); at += 17640)
        recorder.OnData(audio.data() + at, std::min<size_t>(17640, audio.size() - at));
    const uint32_t id = track->m_trackId;
    m_keptFolder = track->m_trackFolder;
    ASSERT_FALSE(m_keptFolder.empty());
    sweep(
        "recording stop", [&] { return Kestrum_RecordStop(m_session, id) == 1; }, true, false);
    EXPECT_EQ(track->m_length, 6 * kSecond);
}

// A summary that cannot be written fails nothing and leaves no part behind.
TEST_F(FaultSweep, FailedSummariesFailNothing)
{
    FaultIoFailMatching("/peaks", ENOSPC);
    EXPECT_EQ(Kestrum_Cut(m_session, 1, 500'000, 1'500'000), 1);
    EXPECT_EQ(Kestrum_FadeIn(m_session, 1, 0, 2'000'000, 0), 1);
    FaultIoDisarm();
    EXPECT_TRUE(FaultIoFired());
    for (const auto& [path, st] : files(env().root()))
        EXPECT_EQ(path.find(".part"), std::string::npos) << path;
    expectDocumentMatches("summaries");
}
