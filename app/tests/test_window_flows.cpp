// Whole flows as a person works the window: playing a selection, a track
// deleted while it plays, saving when a project is closed or the program
// ends, and a session from the command line to Exit.
#include "window_fixture.h"

#include "config/language.h"
#include "dialogs/dlg_add_silence.h"
#include "dialogs/dlg_tag.h"
#include "modal_driver.h"
#include "window/command_ids.h"

#include "vorlain/messages.h"
#include "vorlain/test/pulse_server.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include <alsa/asoundlib.h>

#include <filesystem>

using namespace cmd;

namespace app::test {
namespace {

class WindowFlows : public WindowTest {
protected:
    bool SessionFoldersLeft()
    {
        for (const std::string& name : vorlain::test::ListDir(env().path("tmp")))
            if (name.rfind("Vorlain_Tmp", 0) == 0)
                return true;
        return false;
    }
};

TEST_F(WindowFlows, PlayWithoutAnOutputDeviceSaysSoAndLeavesTheWindowStopped)
{
    Start();
    const int id = AddFile(MakeWave("tone.wav", 2, 2));
    ClickRow(id, 0);
    setenv("VORLAIN_PCM", "vorlain_no_such_pcm", 1);
    ASSERT_TRUE(Window().RunCommand(kTbPlay));
    ASSERT_EQ(Prompts().Messages().size(), 1);
    EXPECT_TRUE(Prompts().Messages().front().startsWith(LanguageText("errors", "00000007")));
    EXPECT_TRUE(Prompts().Messages().front().endsWith("Failed! ErrorCode=0x0e40b001"));
    EXPECT_EQ(Window().PlayButtonState(), CVorlainDlg::kStopped);
    EXPECT_FALSE(Window().IsPlayTimerActive());
    // With a device again, Play plays.
    const std::string played = env().path("played.raw");
    AlsaTap tap(played);
    ASSERT_TRUE(Window().RunCommand(kTbPlay));
    ASSERT_TRUE(WaitFor([&] { return Window().PlayButtonState() == CVorlainDlg::kStopped; }));
    EXPECT_GT(vorlain::test::ReadBytes(played).size(), 0u);
    EXPECT_EQ(Prompts().Messages().size(), 1);
}

TEST_F(WindowFlows, PlayingASelectionStartsAtItsFirstByte)
{
    const std::string played = env().path("played.raw");
    AlsaTap tap(played);
    Start();
    const vorlain::test::Samples ramp = vorlain::test::Ramp(44100 * 4, 2);
    const int id = AddFile(MakeWave("ramp.wav", ramp, 44100, 2));
    ClickRow(id, 0);
    Select(kSecond, 2 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kTbPlay));
    ASSERT_TRUE(WaitFor([&] { return Window().PlayButtonState() == CVorlainDlg::kStopped; }));
    EXPECT_FALSE(Window().IsPlayTimerActive());
    const std::vector<uint8_t> bytes = vorlain::test::ReadBytes(played);
    const std::vector<uint8_t> all = vorlain::test::PcmBytes(ramp);
    ASSERT_GE(bytes.size(), 4u * 4410);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 4 * 4410, all.begin() + 4 * 44100));
    // Play again goes back to the selection's start.
    ASSERT_TRUE(Window().RunCommand(kTbPlay));
    ASSERT_TRUE(WaitFor([&] { return Window().PlayButtonState() == CVorlainDlg::kStopped; }));
}

TEST_F(WindowFlows, PlayingASelectionStopsByItselfSoonAfterItsEnd)
{
    if (!PacedAudio::Available())
        GTEST_SKIP() << "no PulseAudio test server";
    PacedAudio paced;
    Start();
    const int id = AddFile(MakeWave("five.wav", 30, 2));
    ClickRow(id, 0);
    Select(kSecond, kSecond + 600'000);
    ASSERT_TRUE(Window().RunCommand(kTbPlay));
    EXPECT_TRUE(Window().IsPlayTimerActive());
    ASSERT_TRUE(
        WaitFor([&] { return Window().PlayButtonState() == CVorlainDlg::kStopped; }, 20000));
    // It stopped at the selection's end, long before the track's.
    const int64_t t = AudioPlay_GetPlayingTime(Window().Player());
    EXPECT_GE(t, kSecond + 600'000);
    EXPECT_LT(t, 10 * kSecond);
    EXPECT_NE(Window().Player(), nullptr); // kept for the next Play
}

TEST_F(WindowFlows, ADeletedPlayingTrackClosesThePlayer)
{
    if (!PacedAudio::Available())
        GTEST_SKIP() << "no PulseAudio test server";
    PacedAudio paced;
    Start();
    const int id = AddFile(MakeWave("long.wav", 30, 2));
    ClickRow(id, 0);
    ASSERT_TRUE(Window().RunCommand(kTbPlay));
    ASSERT_NE(Window().Player(), nullptr);
    PostMessage(Window().Hwnd(), vorlain::WM_TRACK_DELETE_REQUEST, static_cast<WPARAM>(id), 0);
    Pump();
    EXPECT_EQ(Window().Player(), nullptr);
    EXPECT_EQ(Window().PlayingTrack(), 0);
    EXPECT_EQ(Window().PlayButtonState(), CVorlainDlg::kNoTrack);
    EXPECT_FALSE(Window().IsPlayTimerActive());
}

TEST_F(WindowFlows, AFailedSaveKeepsTheProjectOpenOnCloseAndOnExit)
{
    Start();
    const int id = AddFile(MakeWave("keep.wav", 2, 2));
    ASSERT_TRUE(Window().IsModified());
    // Close Project, Yes, and a save into a folder that cannot be written.
    // (A plain file where the folder should be: even root cannot write there.)
    const std::string locked = env().path("locked");
    ASSERT_TRUE(vorlain::test::WriteBytes(locked, {1, 2, 3}));
    Prompts().AnswerMessage(QMessageBox::Yes);
    Prompts().AnswerFile(QString::fromStdString(locked + "/p.zvp"));
    ASSERT_TRUE(Window().RunCommand(kCloseProject));
    ASSERT_GE(Prompts().Messages().size(), 2);
    // The folder named is not one: the message says a place is missing.
    EXPECT_TRUE(Prompts().Messages().last().startsWith(LanguageText("errors", "00000002")))
        << Prompts().Messages().last().toStdString();
    EXPECT_TRUE(Prompts().Messages().last().contains("\n\nFailed! ErrorCode=0x"));
    EXPECT_NE(Window().Editor(), nullptr);
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{id});
    EXPECT_TRUE(Window().IsModified());
    EXPECT_TRUE(Window().CurrentProjectPath().isEmpty());

    // Exit, Yes, and the file dialog cancelled: the program goes on.
    Prompts().AnswerMessage(QMessageBox::Yes);
    EXPECT_FALSE(Window().close());
    EXPECT_TRUE(Window().isVisible());
    EXPECT_NE(Window().Editor(), nullptr);

    // Exit, Cancel: the same.
    Prompts().AnswerMessage(QMessageBox::Cancel);
    EXPECT_FALSE(Window().close());
    EXPECT_NE(Window().Editor(), nullptr);
}

TEST_F(WindowFlows, ASessionFromTheCommandLineToExit)
{
    const std::string played = env().path("played.raw");
    AlsaTap tap(played);
    const std::string wav = MakeWave("song.wav", 4, 2);
    Start(ParseCommandLine({"vorlain", QString::fromStdString(wav)}));
    ASSERT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
    WaitForPeaks();

    // Select 1 s to 2 s with the mouse.
    DragRow(1, kSecond, 2 * kSecond);
    ASSERT_EQ(Window().CurrentTrack(), 1);
    const int64_t from = Window().SelectionStart(), to = Window().SelectionEnd();
    // The mouse picks whole pixel columns.
    const double column = Window().Control().GetZoomfactor() * 1e6 / 44100;
    EXPECT_NEAR(static_cast<double>(from), 1e6, 2 * column);
    EXPECT_NEAR(static_cast<double>(to), 2e6, 2 * column);
    const vorlain::test::Samples before = TrackSamples(1);

    ASSERT_TRUE(Window().RunCommand(kCut));
    const int64_t cutLength = Kestrum_GetTrackTime(Window().Editor(), 1);
    EXPECT_NEAR(static_cast<double>(cutLength), 4e6 - static_cast<double>(to - from), 50);
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(TrackSamples(1), before);
    EXPECT_EQ(Window().SelectionStart(), from);
    EXPECT_EQ(Window().SelectionEnd(), to);
    ASSERT_TRUE(Window().RunCommand(kRedo));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), cutLength);

    // Two seconds of silence at the end, through the dialog as it opens.
    WhenModal<CDlgAddSilence>([](CDlgAddSilence* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("id1041"));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "2000");
        dialog->accept();
    });
    ASSERT_TRUE(Window().RunCommand(kInsertSilenceEnd));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), cutLength + 2 * kSecond);
    const vorlain::test::Samples after = TrackSamples(1);
    ASSERT_GT(after.size(), 2u * 44100 * 2);
    EXPECT_TRUE(
        std::all_of(after.end() - 2 * 44100 * 2, after.end(), [](int16_t v) { return v == 0; }));

    // A new title through the tag dialog.
    WhenModal<CDlgTAG>([](CDlgTAG* dialog) {
        auto* title = dialog->findChild<QLineEdit*>(QStringLiteral("id1053"));
        ASSERT_NE(title, nullptr);
        title->setText(QStringLiteral("Morning Take"));
        dialog->accept();
    });
    ASSERT_TRUE(Window().RunCommand(kTag));
    TagInfo tag{};
    ASSERT_EQ(Kestrum_GetTrackTagInfo(Window().Editor(), 1, &tag), 1);
    EXPECT_STREQ(tag.title, "Morning Take");

    // Play from the cursor to the end through the file plugin.
    ClickRow(1, 0);
    ASSERT_TRUE(Window().RunCommand(kTbPlay));
    ASSERT_TRUE(WaitFor([&] { return Window().PlayButtonState() == CVorlainDlg::kStopped; }));
    EXPECT_EQ(vorlain::test::ReadBytes(played), vorlain::test::PcmBytes(after));

    // Exit, not saving: the session's folder goes with the program.
    ASSERT_TRUE(SessionFoldersLeft());
    Prompts().AnswerMessage(QMessageBox::No);
    ASSERT_TRUE(CloseWindow());
    EXPECT_FALSE(SessionFoldersLeft());
}

} // namespace
} // namespace app::test

namespace app::test {
namespace {

TEST_F(WindowFlows, StopAfterPauseTakesThePlayingTimeBackToWhereItStartedAndTheLineAway)
{
    AlsaTap tap(env().path("played.raw"));
    Start();
    const int id = AddFile(MakeWave("long.wav", 30, 2));
    ClickRow(id, 0);
    Select(2 * kSecond, 20 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kTbPlay));
    ASSERT_TRUE(Window().RunCommand(kTbPause));
    ASSERT_TRUE(Window().RunCommand(kTbStop));
    auto* time = Window().findChild<QLabel*>(QStringLiteral("id%1").arg(kPlayingValue));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->text(), "00:00:02.000");
    QWidget* line = Row(id)->findChild<QWidget*>(QStringLiteral("id203"));
    ASSERT_NE(line, nullptr);
    EXPECT_FALSE(line->isVisible());
    EXPECT_FALSE(Window().IsPlayTimerActive());
    EXPECT_EQ(Window().PlayButtonState(), CVorlainDlg::kStopped);
}

TEST_F(WindowFlows, AProjectThatCannotBeOpenedLeavesTheOneInUseOpen)
{
    Start();
    AddFile(MakeWave("kept.wav", 3, 2));
    const std::string kept = env().path("kept.zvp");
    Prompts().AnswerFile(QString::fromStdString(kept));
    ASSERT_TRUE(Window().RunCommand(kSaveProject));
    const std::string garbage = env().path("garbage.zvp");
    ASSERT_TRUE(vorlain::test::WriteBytes(garbage, {'n', 'o', 't', ' ', 'x', 'm', 'l'}));
    Prompts().AnswerFile(QString::fromStdString(garbage));
    ASSERT_TRUE(Window().RunCommand(kOpenProject));
    // The failure is said once, and the window tells the truth after it:
    // the project in use is open again, named in the title, its track shown.
    ASSERT_EQ(Prompts().Messages().size(), 1);
    EXPECT_EQ(Prompts().Messages().first(),
              LanguageText("errors", "00000006") +
                  QString::asprintf("\n\nFailed! ErrorCode=0x%.8x", Kestrum_GetLastError()));
    EXPECT_EQ(Window().CurrentProjectPath(), QString::fromStdString(kept));
    EXPECT_EQ(Window().windowTitle(), "kept.zvp[*] \u2014 " + Window().Caption());
    EXPECT_FALSE(Window().IsModified());
    ASSERT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 3 * kSecond);
    ClickRow(1, 0);
    EXPECT_EQ(Window().findChild<QLabel*>(QStringLiteral("id%1").arg(kTrackName))->text(),
              "kept.wav");
}

TEST_F(WindowFlows, AFailedOpenWithNothingToGoBackToLeavesAnEmptyWindowThatSaysSo)
{
    Start();
    AddFile(MakeWave("unsaved.wav", 2, 2));
    Prompts().AnswerMessage(QMessageBox::No); // the changes are not kept
    const std::string garbage = env().path("garbage.zvp");
    ASSERT_TRUE(vorlain::test::WriteBytes(garbage, {'<', 'x', '/', '>'}));
    Prompts().AnswerFile(QString::fromStdString(garbage));
    ASSERT_TRUE(Window().RunCommand(kOpenProject));
    EXPECT_TRUE(Window().Control().VisibleTracks().isEmpty());
    EXPECT_TRUE(Window().CurrentProjectPath().isEmpty());
    EXPECT_EQ(Window().windowTitle(), Window().Caption() + "[*]");
    EXPECT_EQ(Window().CurrentTrack(), 0);
    EXPECT_FALSE(Enabled(kTbPlay));
}

} // namespace
} // namespace app::test
