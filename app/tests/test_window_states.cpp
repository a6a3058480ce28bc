// The enable rules in each state of the window, and the play buttons.
#include "window_fixture.h"

#include "window/command_ids.h"
#include "window/command_set.h"

#include "vorlain/platform.h"

#include <QAction>

using namespace cmd;

namespace app::test {
namespace {

class WindowStates : public WindowTest {
protected:
    void ExpectEnabled(std::initializer_list<int> ids, bool on)
    {
        for (int id : ids)
            EXPECT_EQ(Enabled(id), on) << "command " << id;
    }
};

TEST_F(WindowStates, WithoutASessionOnlyWhatNeedsNoTrackIsOn)
{
    Start();
    EXPECT_EQ(Window().Editor(), nullptr);
    ExpectEnabled({kAddFile, kOpenProject, kExit, kAddBlankTrack, kStartRecord, kRecordOption,
                   kOptions, kHelp, kAbout},
                  true);
    ExpectEnabled({kSaveProject,    kSaveProjectAs, kCloseProject, kUndo,
                   kRedo,           kCut,           kCopy,         kCopyToNew,
                   kTrim,           kDelete,        kPaste,        kPasteToEnd,
                   kSelectAll,      kTag,           kZoomIn,       kScrollToEnd,
                   kDeleteTrack,    kSplit,         kExportTrack,  kJoinAllTrack,
                   kFadeIn,         kEcho,          kStopRecord,   kRecordPause,
                   kRecordContinue, kTbPlay,        kTbPause,      kTbStop,
                   kTbScrollToBegin},
                  false);
    EXPECT_EQ(Window().Action(kUndo)->text(), "Undo");
    EXPECT_EQ(Window().Action(kRedo)->text(), "Redo");
    EXPECT_EQ(Window().PlayButtonState(), CVorlainDlg::kNoTrack);
}

TEST_F(WindowStates, ABlankTrackOffersInsertionButNoRangeOrAudioCommands)
{
    Start();
    ASSERT_TRUE(Window().RunCommand(kAddBlankTrack));
    Pump();
    ASSERT_NE(Window().Editor(), nullptr);
    EXPECT_TRUE(Window().IsModified());
    ExpectEnabled({kSaveProject, kSaveProjectAs, kCloseProject, kUndo}, true);
    EXPECT_EQ(Window().Action(kUndo)->text(), "Undo (Add Track)        Ctrl+Z");
    // A new row makes itself current.
    ASSERT_EQ(Window().CurrentTrack(), 1);
    ExpectEnabled({kSelectAll, kSelectNone, kSelectToStart, kSelectToEnd, kInsertSilenceBegin,
                   kInsertSilenceCurrent, kInsertSilenceEnd, kInsertFileBegin, kTag, kMixWithFile,
                   kZoomIn, kScrollToBegin, kScrollToEnd, kDeleteTrack},
                  true);
    // An empty track fits the view at any zoom: nothing to zoom out to.
    ExpectEnabled({kCut, kCopy, kPaste, kMixWithCopy, kSplit, kExportTrack, kExportSelection,
                   kToMonoLeft, kJoinAllTrack, kFadeIn, kSilence, kZoomOut},
                  false);
    EXPECT_TRUE(Window().Commands().InsertSilenceMenu()->menuAction()->isEnabled());
}

TEST_F(WindowStates, ASelectionTurnsOnTheRangeEditsAndEffects)
{
    Start();
    const int id = AddFile(MakeWave("stereo.wav", 10, 2));
    ASSERT_EQ(id, 1);
    WaitForPeaks();
    ClickRow(id, 3 * kSecond);
    ExpectEnabled({kCut, kCopy, kCopyToNew, kTrim, kDelete, kExportSelection}, false);
    ExpectEnabled({kSplit, kExportTrack, kToMonoLeft, kToMonoRight, kTbPlay, kFadeIn, kEcho}, true);

    DragRow(id, 2 * kSecond, 5 * kSecond);
    ASSERT_GT(Window().SelectionEnd(), Window().SelectionStart());
    ExpectEnabled({kCut, kCopy, kCopyToNew, kTrim, kDelete, kFadeIn, kFadeOut, kEcho, kAdjustVolume,
                   kSilence, kExportSelection},
                  true);
    ExpectEnabled({kPaste, kMixWithCopy, kJoinAllTrack}, false);

    ASSERT_TRUE(Window().RunCommand(kCopy));
    ExpectEnabled({kPaste, kPasteToEnd, kMixWithCopy}, true);

    // A mono track has no channel to extract; two rows can be joined.
    const int mono = AddFile(MakeWave("mono.wav", 2, 1));
    ASSERT_EQ(mono, 2);
    ClickRow(mono, 0);
    ExpectEnabled({kToMonoLeft, kToMonoRight}, false);
    ExpectEnabled({kJoinAllTrack}, true);
}

TEST_F(WindowStates, WhilePlayingOnlyPauseStopAndWhatDoesNotTouchTheTrackRun)
{
    AlsaTap tap(env().path("played.raw"));
    Start();
    const int id = AddFile(MakeWave("long.wav", 30, 2));
    ClickRow(id, 0);
    ASSERT_TRUE(Window().RunCommand(kTbPlay));
    ASSERT_NE(Window().Player(), nullptr);
    EXPECT_EQ(Window().PlayButtonState(), CVorlainDlg::kPlaying);
    ExpectEnabled({kTbPause, kTbStop}, true);
    ExpectEnabled({kTbPlay, kTbScrollToBegin, kTbScrollToEnd}, false);
    ExpectEnabled({kUndo, kSaveProject, kSaveProjectAs, kCloseProject, kSelectAll, kZoomIn,
                   kDeleteTrack, kSplit, kFadeIn},
                  false);

    ASSERT_TRUE(Window().RunCommand(kTbPause));
    EXPECT_EQ(Window().PlayButtonState(), CVorlainDlg::kPaused);
    ExpectEnabled({kTbPlay, kTbStop, kDeleteTrack}, true);
    ExpectEnabled({kTbPause, kUndo}, false);

    ASSERT_TRUE(Window().RunCommand(kTbStop));
    EXPECT_EQ(Window().PlayButtonState(), CVorlainDlg::kStopped);
    ExpectEnabled({kTbPlay, kUndo, kSaveProject, kDeleteTrack}, true);
    ExpectEnabled({kTbPause, kTbStop}, false);
}

class RecordingWindow : public WindowStates {
protected:
    void SetUp() override
    {
        WindowStates::SetUp();
        m_capture = env().path("capture.raw");
        // Four seconds of a ramp to record.
        ASSERT_TRUE(vorlain::test::WriteBytes(
            m_capture, vorlain::test::PcmBytes(vorlain::test::Ramp(44100 * 4, 2))));
        m_tap = std::make_unique<AlsaTap>(env().path("played.raw"), m_capture);
        // No computer-sound device: recording falls back to the microphone.
        char folder[VORLAIN_MAX_PATH];
        ASSERT_TRUE(VorlainGetConfigDir(folder, sizeof folder));
        ASSERT_TRUE(VorlainWriteProfileString("Capturo", "ComputerSoundDevice",
                                              "vorlain_no_such_pcm",
                                              (std::string(folder) + "/Capturo.ini").c_str()));
    }
    void TearDown() override
    {
        WindowStates::TearDown();
        m_tap.reset();
    }

    std::string m_capture;
    std::unique_ptr<AlsaTap> m_tap;
};

TEST_F(RecordingWindow, RecordingAndItsPauseSwitchTheRecordMenu)
{
    Start();
    ASSERT_TRUE(Window().RunCommand(kStartRecord));
    ASSERT_TRUE(Window().IsRecording());
    EXPECT_EQ(Window().RecordTrackId(), 1);
    ExpectEnabled({kStopRecord, kRecordPause}, true);
    ExpectEnabled({kStartRecord, kRecordOption, kRecordContinue, kSaveProject, kSaveProjectAs,
                   kCloseProject, kUndo, kAddBlankTrack, kTbPlay},
                  false);

    ASSERT_TRUE(Window().RunCommand(kRecordPause));
    EXPECT_TRUE(Window().IsRecordPaused());
    ExpectEnabled({kRecordContinue, kStopRecord}, true);
    ExpectEnabled({kRecordPause, kStartRecord}, false);

    ASSERT_TRUE(Window().RunCommand(kRecordContinue));
    ExpectEnabled({kRecordPause}, true);
    ExpectEnabled({kRecordContinue}, false);
}

TEST_F(RecordingWindow, StopReturnsAtOnceAndKeepsEveryRecordedByte)
{
    Start();
    ASSERT_TRUE(Window().RunCommand(kStartRecord));
    const int id = Window().RecordTrackId();
    // The whole capture file arrives (the file plugin is not paced).
    ASSERT_TRUE(WaitFor([&] {
        return Kestrum_GetTrackTime(Window().Editor(), static_cast<uint32_t>(id)) >= 4 * kSecond;
    }));
    ASSERT_TRUE(Window().RunCommand(kStopRecord));
    // The stop runs on its own thread: the command is back before the kernel
    // has finished, and the window keeps running its event loop meanwhile.
    EXPECT_TRUE(Window().IsRecording() || !Window().IsRecordStopping());
    ExpectEnabled({kStopRecord, kStartRecord}, false);
    ASSERT_TRUE(WaitFor([&] { return !Window().IsRecording(); }));
    EXPECT_FALSE(Window().IsRecordStopping());
    ExpectEnabled({kStartRecord}, true);

    const vorlain::test::Samples recorded = TrackSamples(id);
    const vorlain::test::Samples source = vorlain::test::Ramp(44100 * 4, 2);
    ASSERT_GE(recorded.size(), source.size());
    EXPECT_TRUE(std::equal(source.begin(), source.end(), recorded.begin()));
}

TEST_F(RecordingWindow, AStartWithoutACaptureDeviceLeavesNoTrack)
{
    Start();
    ASSERT_TRUE(Window().RunCommand(kAddBlankTrack));
    const int blank = 1;
    ASSERT_TRUE(Row(blank)->isVisible());
    setenv("VORLAIN_CAPTURE_PCM", "vorlain_no_such_pcm", 1);
    Prompts().Clear();
    ASSERT_TRUE(Window().RunCommand(kStartRecord));
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_EQ(Prompts().Messages().size(), 1);
    EXPECT_TRUE(Prompts().Messages().first().contains("0x0b3bb001"))
        << Prompts().Messages().first().toStdString();
    EXPECT_FALSE(Window().IsRecording());
    const int recordId = Window().RecordTrackId();
    ASSERT_EQ(recordId, 2);
    QWidget* row = Row(recordId);
    EXPECT_TRUE(row == nullptr || !row->isVisible()) << "no empty record row stays";
    TrackBaseInfo info{};
    ASSERT_TRUE(Kestrum_GetTrackBaseInfo(Window().Editor(), recordId, &info));
    EXPECT_EQ(info.deleted, 1u);
    // Undo takes back the blank track, the last thing done, and nothing of
    // the recording is left to redo.
    ASSERT_TRUE(Enabled(kUndo));
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_FALSE(Row(blank)->isVisible());
    ASSERT_TRUE(Window().RunCommand(kRedo));
    EXPECT_TRUE(Row(blank)->isVisible());
    EXPECT_FALSE(Enabled(kRedo));
    EXPECT_TRUE(Enabled(kStartRecord));
}

TEST_F(RecordingWindow, UndoOfARecordingTakesItsRowAwayAndRedoBringsItBack)
{
    Start();
    ASSERT_TRUE(Window().RunCommand(kStartRecord));
    const int id = Window().RecordTrackId();
    ASSERT_TRUE(WaitFor([&] {
        return Kestrum_GetTrackTime(Window().Editor(), static_cast<uint32_t>(id)) >= kSecond;
    }));
    ASSERT_TRUE(Window().RunCommand(kStopRecord));
    ASSERT_TRUE(WaitFor([&] { return !Window().IsRecording(); }));
    ASSERT_TRUE(Row(id)->isVisible());
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_FALSE(Row(id)->isVisible());
    EXPECT_EQ(Window().CurrentTrack(), 0);
    ASSERT_TRUE(Window().RunCommand(kRedo));
    EXPECT_TRUE(Row(id)->isVisible());
}

} // namespace
} // namespace app::test
