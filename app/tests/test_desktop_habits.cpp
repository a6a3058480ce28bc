// What desktop users expect beyond the menus: keys, the mouse wheel,
// Shift+click, dropping files on the window and a title that tells the
// project and whether it changed. Each gesture is checked against the
// kernel's or the control's state afterwards.
#include "window_fixture.h"

#include "config/app_config.h"
#include "config/language.h"
#include "widgets/mini_timer.h"
#include "widgets/notice_bar.h"
#include "window/command_ids.h"
#include "window/info_strip.h"

#include "vorlain/messages.h"
#include "vorlain/test/pulse_server.h"

#include <QApplication>
#include <QDir>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

#include <alsa/asoundlib.h>

#include <filesystem>

using namespace cmd;

namespace app::test {
namespace {

class DesktopHabits : public WindowTest {
protected:
    int TenSeconds()
    {
        Start();
        const int id = AddFile(MakeWave("ten.wav", 10, 2));
        EXPECT_EQ(id, 1);
        WaitForPeaks();
        ClickRow(id, 0);
        return id;
    }
    /** A key as the window system delivers it: to the widget with the focus. */
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QApplication::setActiveWindow(&Window());
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &Window();
        QTest::keyClick(target, key, mods);
        Pump();
    }
    int HScroll()
    {
        QWidget* panel = Window().Control().Widget()->findChild<QWidget*>("CDlgPanel");
        return panel->property("hScrollPos").toInt();
    }
    void Wheel(int trackId, int64_t time, int notches, Qt::KeyboardModifiers mods)
    {
        QWidget* row = Row(trackId);
        const QPointF at(XOfTime(time), 75);
        QWheelEvent event(at, row->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(row, &event);
        Pump();
    }
    void Drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        const QPoint at = Window().rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Window(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Window(), &drop);
        Pump();
    }
    void FocusStartEditor()
    {
        CMiniTimer* editor = Window().findChild<CMiniTimer*>(QStringLiteral("id2888"));
        ASSERT_NE(editor, nullptr);
        QApplication::setActiveWindow(&Window());
        QTest::mouseClick(editor, Qt::LeftButton, Qt::NoModifier, editor->FieldRect(2).center());
        Pump();
        ASSERT_EQ(QApplication::focusWidget(), editor);
    }
};

TEST_F(DesktopHabits, DeleteRemovesTheSelectionOnlyWhileEditDeleteIsOn)
{
    TenSeconds();
    Key(Qt::Key_Delete); // nothing selected: Edit / Delete is off
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 10 * kSecond);
    Select(kSecond, 3 * kSecond);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 8 * kSecond);
    EXPECT_EQ(Window().Action(kUndo)->text(), "Undo (Delete)        Ctrl+Z");
}

TEST_F(DesktopHabits, ShiftHomeAndShiftEndStretchTheSelectionToTheTracksEnds)
{
    TenSeconds();
    Select(2 * kSecond, 5 * kSecond);
    Key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(Window().SelectionStart(), 2 * kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 10 * kSecond);
    Select(2 * kSecond, 5 * kSecond);
    Key(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(Window().SelectionStart(), 0);
    EXPECT_EQ(Window().SelectionEnd(), 5 * kSecond);
    // A cursor without a selection reaches from the start to itself.
    Select(4 * kSecond, 4 * kSecond);
    Key(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(Window().SelectionStart(), 0);
    EXPECT_EQ(Window().SelectionEnd(), 4 * kSecond);
}

TEST_F(DesktopHabits, HomeAndEndScrollToTheTracksStartAndEnd)
{
    const int id = TenSeconds();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Window().RunCommand(kZoomIn));
    ASSERT_TRUE(Window().Control().IsScrollable(id));
    Key(Qt::Key_End);
    EXPECT_GT(HScroll(), 0);
    Key(Qt::Key_Home);
    EXPECT_EQ(HScroll(), 0);
}

TEST_F(DesktopHabits, NoKeyFiresWhileATimeEditorHasTheKeyboard)
{
    const int id = TenSeconds();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Window().RunCommand(kZoomIn));
    Select(kSecond, 3 * kSecond);
    FocusStartEditor();
    Key(Qt::Key_Delete);
    Key(Qt::Key_End);
    Key(Qt::Key_End, Qt::ShiftModifier);
    Key(Qt::Key_Space);
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 10 * kSecond);
    EXPECT_EQ(HScroll(), 0);
    EXPECT_EQ(Window().SelectionEnd(), 3 * kSecond);
    EXPECT_EQ(Window().Player(), nullptr);
    (void)id;
}

TEST_F(DesktopHabits, SpacePlaysFromTheSelectionPausesAndGoesOn)
{
    if (!PacedAudio::Available())
        GTEST_SKIP() << "no PulseAudio test server";
    PacedAudio paced;
    Start();
    const int id = AddFile(MakeWave("long.wav", 30, 2));
    ClickRow(id, 0);
    Select(2 * kSecond, 20 * kSecond);
    Key(Qt::Key_Space);
    ASSERT_NE(Window().Player(), nullptr);
    EXPECT_EQ(Window().PlayButtonState(), CVorlainDlg::kPlaying);
    ASSERT_TRUE(WaitFor([&] { return AudioPlay_GetPlayingTime(Window().Player()) > 2 * kSecond; }));
    Key(Qt::Key_Space);
    EXPECT_EQ(Window().PlayButtonState(), CVorlainDlg::kPaused);
    EXPECT_EQ(AudioPlay_QueryStauts(Window().Player()), 2);
    Key(Qt::Key_Space);
    EXPECT_EQ(Window().PlayButtonState(), CVorlainDlg::kPlaying);
    EXPECT_EQ(AudioPlay_QueryStauts(Window().Player()), 1);
    ASSERT_TRUE(Window().RunCommand(kTbStop));
}

TEST_F(DesktopHabits, TheWheelScrollsAndCtrlWheelZoomsAroundThePointer)
{
    const int id = TenSeconds();
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(Window().RunCommand(kZoomIn));
    ASSERT_TRUE(Window().Control().IsScrollable(id));
    Wheel(id, kSecond, -2, Qt::NoModifier); // down: later in time
    const int scrolled = HScroll();
    EXPECT_GT(scrolled, 0);
    Wheel(id, kSecond, 1, Qt::NoModifier);
    EXPECT_LT(HScroll(), scrolled);

    // Ctrl+wheel: the zoom halves and the time under the pointer stays put.
    const int zoom = Window().Control().GetZoomfactor();
    const int x = XOfTime(3 * kSecond);
    const int64_t before = TimeOfX(x);
    Wheel(id, 3 * kSecond, 1, Qt::ControlModifier);
    EXPECT_EQ(Window().Control().GetZoomfactor(), zoom / 2);
    const double column = Window().Control().GetZoomfactor() * 1e6 / 44100;
    EXPECT_NEAR(static_cast<double>(TimeOfX(x)), static_cast<double>(before), 2 * column);
    Wheel(id, 3 * kSecond, -1, Qt::ControlModifier);
    EXPECT_EQ(Window().Control().GetZoomfactor(), zoom);
}

TEST_F(DesktopHabits, ShiftClickExtendsTheSelectionToTheClickedTime)
{
    const int id = TenSeconds();
    DragRow(id, 2 * kSecond, 3 * kSecond);
    const int64_t from = Window().SelectionStart();
    QWidget* row = Row(id);
    QTest::mouseClick(row, Qt::LeftButton, Qt::ShiftModifier, QPoint(XOfTime(6 * kSecond), 75));
    Pump();
    EXPECT_EQ(Window().SelectionStart(), from);
    const double column = Window().Control().GetZoomfactor() * 1e6 / 44100;
    EXPECT_NEAR(static_cast<double>(Window().SelectionEnd()), 6e6, 2 * column);
    EXPECT_TRUE(Enabled(kCut));
}

TEST_F(DesktopHabits, DroppedWavesAreAddedAndADroppedProjectOpens)
{
    Start();
    const std::string a = MakeWave("a.wav", 2, 2), b = MakeWave("b.wav", 3, 1);
    Drop({QString::fromStdString(a), QString::fromStdString(b)});
    ASSERT_EQ(Window().Control().VisibleTracks(), (QList<int>{1, 2}));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 2 * kSecond);
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 2), 3 * kSecond);

    // A project made elsewhere, with one 4 s track.
    const std::string zvp = env().path("Other.ZVP");
    SaveProjectOfWaves({MakeWave("c.wav", 4, 2)}, zvp);
    ASSERT_FALSE(HasFailure());
    Prompts().AnswerMessage(QMessageBox::No); // do not save the dropped waves
    Drop({QString::fromStdString(zvp)});
    ASSERT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 4 * kSecond);
    EXPECT_EQ(Window().CurrentProjectPath(), QString::fromStdString(zvp));
    EXPECT_EQ(Prompts().Messages().size(), 1); // the save question, nothing else
}

TEST_F(DesktopHabits, TheTitleNamesTheProjectAndMarksChanges)
{
    Start();
    EXPECT_FALSE(Window().isWindowModified());
    EXPECT_EQ(Window().windowTitle(), Window().Caption() + "[*]");
    AddFile(MakeWave("t.wav", 1, 2));
    EXPECT_TRUE(Window().isWindowModified());
    Prompts().AnswerFile(QString::fromStdString(env().path("Song.zvp")));
    ASSERT_TRUE(Window().RunCommand(kSaveProject));
    EXPECT_FALSE(Window().isWindowModified());
    EXPECT_EQ(Window().windowTitle(), "Song.zvp[*] \u2014 " + Window().Caption());
    ClickRow(1, 0);
    ASSERT_TRUE(Window().RunCommand(kSelectAll));
    ASSERT_TRUE(Window().RunCommand(kCut));
    EXPECT_TRUE(Window().isWindowModified());
}

} // namespace
} // namespace app::test

namespace app::test {
namespace {

TEST_F(DesktopHabits, TheFirstFileOpensFittedToTheView)
{
    Start();
    Window().resize(1200, 700);
    Pump();
    // Long and short: both come in whole, filling most of the width.
    for (double seconds : {600.0, 0.5}) {
        const int id = AddFile(MakeWave("fit.wav", seconds, 1, 8000));
        ASSERT_GT(id, 0);
        EXPECT_FALSE(Window().Control().IsScrollable(id)) << seconds;
        const int end = XOfTime(static_cast<int64_t>(seconds * 1e6));
        EXPECT_GT(end, Row(id)->width() / 3) << seconds;
        Prompts().AnswerMessage(QMessageBox::No);
        ASSERT_TRUE(Window().RunCommand(kCloseProject));
    }
}

TEST_F(DesktopHabits, EveryOpenedProjectIsFittedAsTheFirstFileIs)
{
    Start();
    Window().resize(1200, 700);
    Pump();
    // A short and a long project, opened from the menu and from the command
    // line's path: each comes in whole, over most of the width.
    for (double seconds : {10.0, 20.0, 600.0}) {
        const std::string zvp = env().path("p" + std::to_string(int(seconds)) + ".zvp");
        SaveProjectOfWaves(
            {MakeWave("w" + std::to_string(int(seconds)) + ".wav", seconds, 1, 8000)}, zvp);
        Prompts().AnswerFile(QString::fromStdString(zvp));
        ASSERT_TRUE(Window().RunCommand(kOpenProject));
        Pump();
        const QList<int> rows = Window().Control().VisibleTracks();
        ASSERT_EQ(rows.size(), 1) << seconds;
        EXPECT_FALSE(Window().Control().IsScrollable(rows.first())) << seconds;
        const int end = XOfTime(static_cast<int64_t>(seconds * 1e6));
        EXPECT_GT(end, Row(rows.first())->width() / 3) << seconds;
        EXPECT_LE(end, Row(rows.first())->width()) << seconds;
    }
}

TEST_F(DesktopHabits, FileDialogsStartWhereTheirKindWasLastChosen)
{
    Start();
    const std::string music = env().makeDir("music");
    const std::string exports = env().makeDir("exports");
    const QString home = QDir::homePath();
    auto lastFolder = [&](PromptCall::Kind kind) {
        for (auto call = Prompts().Calls().rbegin(); call != Prompts().Calls().rend(); ++call)
            if (call->kind == kind)
                return call->folder;
        return QString();
    };
    // Nothing chosen yet: the home folder, not the working folder.
    ASSERT_TRUE(Window().RunCommand(kAddFile));
    EXPECT_EQ(lastFolder(PromptCall::OpenFile), home);
    // A file from music/: the next audio dialog starts there, Insert File too.
    const std::string wave = MakeWave("take.wav", 2, 2);
    const std::string moved = music + "/take.wav";
    std::filesystem::rename(wave, moved);
    const int id = AddFile(moved);
    ASSERT_GT(id, 0);
    ClickRow(id, 0);
    ASSERT_TRUE(Window().RunCommand(kAddFile));
    EXPECT_EQ(lastFolder(PromptCall::OpenFile), QString::fromStdString(music));
    ASSERT_TRUE(Window().RunCommand(kInsertFileBegin));
    EXPECT_EQ(lastFolder(PromptCall::OpenFile), QString::fromStdString(music));
    // Exports keep their own folder; projects theirs.
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    EXPECT_EQ(lastFolder(PromptCall::SaveFile), home);
    Prompts().AnswerFile(QString::fromStdString(exports + "/take.wav"));
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    ASSERT_TRUE(std::filesystem::exists(exports + "/take.wav"));
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    EXPECT_EQ(lastFolder(PromptCall::SaveFile), QString::fromStdString(exports));
    ASSERT_TRUE(Window().RunCommand(kSaveProjectAs));
    EXPECT_EQ(lastFolder(PromptCall::SaveFile), home);
    // Remembered in the configuration, for the next start.
    EXPECT_EQ(LastFolder(kAudioFiles), QString::fromStdString(music));
    EXPECT_EQ(LastFolder(kExportFiles), QString::fromStdString(exports));
    // A folder that is gone falls back to home.
    std::filesystem::remove_all(exports);
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    EXPECT_EQ(lastFolder(PromptCall::SaveFile), home);
}

TEST_F(DesktopHabits, AnEffectWithoutASelectionTakesTheWholeTrackAndSaysSo)
{
    Start();
    const vorlain::test::Samples level(44100 * 2 * 2, 10000);
    const int id = AddFile(MakeWave("level.wav", level, 44100, 2));
    ASSERT_GT(id, 0);
    ClickRow(id, kSecond);
    ASSERT_EQ(Window().SelectionStart(), Window().SelectionEnd());
    ASSERT_TRUE(Window().RunCommand(kFadeIn));
    const vorlain::test::Samples faded = TrackSamples(id);
    ASSERT_EQ(faded.size(), level.size());
    // The ramp runs over the whole two seconds: silence at the start, half
    // way at one second, the full level at the end.
    EXPECT_EQ(faded[0], 0);
    EXPECT_NEAR(faded[44100 * 2], 5000, 60);
    EXPECT_NEAR(faded[faded.size() - 1], 10000, 60);
    ASSERT_TRUE(Window().Notice()->isVisible());
    EXPECT_EQ(Window().Notice()->Text(),
              LanguageText("main", "00000045").arg(LanguageText("menu", "01000401")));
    EXPECT_FALSE(Window().Notice()->findChild<QWidget*>("openFolder")->isVisible());
    // The whole track shows selected, in the strip's times too.
    EXPECT_EQ(Window().SelectionStart(), 0);
    EXPECT_EQ(Window().SelectionEnd(), 2 * kSecond);
    // One action: undo gives the level back.
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(TrackSamples(id), level);
}

} // namespace
} // namespace app::test

namespace app::test {
namespace {

TEST_F(DesktopHabits, TabReachesTheToolbarsAndSpaceActsOnTheFocusedButton)
{
    Start();
    const int id = AddFile(MakeWave("t.wav", 10, 2));
    WaitForPeaks();
    ClickRow(id, 0);
    QApplication::setActiveWindow(&Window());
    // Every toolbar button takes focus by Tab, none by a click.
    auto* zoomIn = Window().findChild<QToolButton*>(QStringLiteral("id%1").arg(kTbZoomIn));
    ASSERT_NE(zoomIn, nullptr);
    for (QToolButton* button : Window().findChildren<QToolButton*>()) {
        if (button->property("commandId").isValid()) {
            EXPECT_EQ(button->focusPolicy(), Qt::TabFocus) << button->objectName().toStdString();
        }
    }
    // Space on a focused button presses it instead of starting playback.
    zoomIn->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), zoomIn);
    const int before = Window().Control().GetZoomfactor();
    QTest::keyClick(zoomIn, Qt::Key_Space);
    Pump();
    EXPECT_EQ(Window().Control().GetZoomfactor(), before / 2);
    EXPECT_EQ(Window().Player(), nullptr);
    // Tab moves on from there, through the window.
    QTest::keyClick(zoomIn, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), zoomIn);
    EXPECT_EQ(QApplication::focusWidget()->window(), &Window());
}

} // namespace
} // namespace app::test
