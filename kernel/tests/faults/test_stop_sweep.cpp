// Stops at every step: each long operation asked to stop at points through
// its run; a stopped call returns 0 and leaves everything as it was, as a
// failed one does (the fixture's snapshot).

#include "fault_sweep_fixture.h"

using namespace kernel;
using namespace kernel::test;
using namespace kernel::test::faults;
using namespace vorlain::test;

// Every long operation stopped at points through its run: nothing changes.
TEST_F(FaultSweep, StoppedEditsEffectsAndMixes)
{
    const uint32_t half = std::bit_cast<uint32_t>(0.5f);
    stopSweep("paste", [&] { return Kestrum_Paste(m_session, 1, 300'000) == 1; });
    stopSweep("copy to new",
              [&] { return Kestrum_CopyToNew(m_session, 1, 200'000, 5'200'000) != nullptr; });
    stopSweep("fade in", [&] { return Kestrum_FadeIn(m_session, 1, 0, 6'000'000, 0) == 1; });
    stopSweep("echo", [&] {
        return Kestrum_Echo(m_session, 1, 0, 6'000'000, 0, 0, std::bit_cast<uint32_t>(0.5f)) == 1;
    });
    stopSweep("volume", [&] {
        return Kestrum_AdjustVolumn(m_session, 1, 0, 7'000'000, std::bit_cast<uint32_t>(0.5f)) == 1;
    });
    stopSweep("normalize", [&] { return Kestrum_Normalize(m_session, 1, 0, 0, -3000) == 1; });
    stopSweep("reverse", [&] { return Kestrum_Reverse(m_session, 1, 0, 0) == 1; });
    stopSweep("tempo", [&] { return Kestrum_ChangeTempo(m_session, 1, 0, 0, 10) == 1; });
    stopSweep("pitch", [&] { return Kestrum_ChangePitch(m_session, 1, 0, 0, 200) == 1; });
    stopSweep("loudness", [&] { return Kestrum_NormalizeLoudness(m_session, 1, 0, 0, -160) == 1; });
    stopSweep("plugin", [&] {
        return Kestrum_ApplyPlugin(m_session, 1, 0, 0, "http://lv2plug.in/plugins/eg-amp",
                                   "gain=-3") == 1;
    });
    stopSweep("insert file",
              [&] { return Kestrum_AddFile(m_session, 1, m_input.c_str(), 1'000'000) == 1; });
    stopSweep("extract", [&] { return Kestrum_ExtractTrack(m_session, 1, 1) != nullptr; });
    stopSweep("mix clipboard",
              [&] { return Kestrum_MixTrackFromPaste(m_session, 1, 500'000, half) == 1; });
    stopSweep("mix file", [&] {
        return Kestrum_MixTrackFromFile(m_session, 1, 0, m_input.c_str(), half) == 1;
    });
    // After all those stops an edit runs to its end.
    EXPECT_EQ(Kestrum_FadeOut(m_session, 1, 0, 1'000'000, 0), 1);
}

TEST_F(FaultSweep, StoppedConversionsBetweenRates)
{
    ASSERT_NE(loadTrack(Sine(48000 * 2, 48000, 2, 550.0), 48000, 2, "high.wav"), nullptr);
    stopSweep("paste into 48 kHz", [&] { return Kestrum_Paste(m_session, 3, 300'000) == 1; });
    stopSweep("mix onto 48 kHz", [&] {
        return Kestrum_MixTrackFromTrack(m_session, 3, 0, 2, std::bit_cast<uint32_t>(0.5f)) == 1;
    });
    const uint32_t ids[] = {3, 1};
    stopSweep(
        "join at 48 kHz",
        [&] { return Kestrum_JoinTrack(m_session, 2, ids, (m_user + "/joined.wav").c_str()) == 1; },
        false);
}

TEST_F(FaultSweep, StoppedImportsExportsJoinsAndSaves)
{
    stopSweep("import", [&] { return Kestrum_AddTrack(m_session, m_input.c_str()) != nullptr; });
    stopSweep(
        "export wav",
        [&] {
            return Kestrum_SaveTrackToFile(m_session, 1, 0, 0, (m_user + "/out.wav").c_str()) == 1;
        },
        false);
    // The encoder writes its file as it goes, a buffer at a time: a track of
    // 40 s gives it enough writes to be stopped while it encodes.
    const std::string forty = m_user + "/forty.wav";
    ASSERT_TRUE(WriteWave(forty, Sine(44100 * 40, 44100, 2, 330.0), 44100, 2));
    CTrack* longer = Kestrum_AddTrack(m_session, forty.c_str());
    ASSERT_NE(longer, nullptr);
    const uint32_t longerId = longer->m_trackId;
    stopSweep(
        "export mp3",
        [&] {
            return Kestrum_SaveTrackToFile(m_session, longerId, 0, 0,
                                           (m_user + "/out.mp3").c_str()) == 1;
        },
        false);
    const uint32_t ids[] = {1, 2};
    stopSweep(
        "join",
        [&] { return Kestrum_JoinTrack(m_session, 2, ids, (m_user + "/joined.wav").c_str()) == 1; },
        false);
    stopSweep(
        "save project",
        [&] { return Kestrum_SaveProject(m_session, (m_user + "/older.zvp").c_str(), 1) == 1; },
        false);
}
