// The window's direct commands through its menus, keys, context menu and
// the control's requests, checked against the kernel's state afterwards.
#include "window_fixture.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_add_silence.h"
#include "modal_driver.h"
#include "window/command_ids.h"
#include "window/command_set.h"
#include "window/window_messages.h"

#include "vorlain/messages.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <filesystem>

using namespace cmd;

namespace app::test {
namespace {

class WindowCommands : public WindowTest {
protected:
    /** A 10 s stereo track, current, with nothing selected. */
    int TenSecondTrack()
    {
        Start();
        const int id = AddFile(MakeWave("ten.wav", 10, 2));
        EXPECT_EQ(id, 1);
        WaitForPeaks();
        ClickRow(id, 0);
        return id;
    }
    /** Sets the selection as the info panel's range buttons do. */
    void Key(int key, Qt::KeyboardModifiers mods = Qt::ControlModifier)
    {
        // Shortcuts work in the active window; a modal dialog that closed
        // leaves none active on the offscreen platform.
        QApplication::setActiveWindow(&Window());
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &Window();
        QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
        Pump();
    }
};

TEST_F(WindowCommands, SelectToEndAndToStartWorkFromTheSelection)
{
    const int id = TenSecondTrack();
    Select(2 * kSecond, 5 * kSecond);
    EXPECT_EQ(Window().SelectionStart(), 2 * kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 5 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kSelectToEnd));
    EXPECT_EQ(Window().SelectionStart(), 5 * kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 10 * kSecond);

    Select(2 * kSecond, 5 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kSelectToStart));
    EXPECT_EQ(Window().SelectionStart(), 0);
    EXPECT_EQ(Window().SelectionEnd(), 2 * kSecond);

    ASSERT_TRUE(Window().RunCommand(kSelectAll));
    EXPECT_EQ(Window().SelectionEnd(),
              Kestrum_GetTrackTime(Window().Editor(), static_cast<uint32_t>(id)));
    ASSERT_TRUE(Window().RunCommand(kSelectNone));
    EXPECT_EQ(Window().SelectionStart(), 0);
    EXPECT_EQ(Window().SelectionEnd(), 0);
}

TEST_F(WindowCommands, UndoAndRedoNameTheActionAndRestoreTheSelection)
{
    const int id = TenSecondTrack();
    Select(2 * kSecond, 5 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kCut));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 7 * kSecond);
    EXPECT_EQ(Window().Action(kUndo)->text(), "Undo (Cut)        Ctrl+Z");
    EXPECT_EQ(Window().Action(kRedo)->text(), "Redo");
    // After the cut the selection is the cut's redo range: an empty one at 2 s.
    EXPECT_EQ(Window().SelectionStart(), 2 * kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 2 * kSecond);

    ClickRow(id, 6 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 10 * kSecond);
    EXPECT_EQ(Window().CurrentTrack(), id);
    EXPECT_EQ(Window().SelectionStart(), 2 * kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 5 * kSecond);
    EXPECT_EQ(Window().Action(kRedo)->text(), "Redo (Cut)        Ctrl+Y");
    EXPECT_TRUE(Window().Action(kUndo)->isEnabled()); // the Add Track before it
    EXPECT_EQ(Window().Action(kUndo)->text(), "Undo (Add Track)        Ctrl+Z");

    ASSERT_TRUE(Window().RunCommand(kRedo));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 7 * kSecond);
    EXPECT_EQ(Window().SelectionStart(), 2 * kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 2 * kSecond);
    EXPECT_TRUE(Window().IsModified());
}

TEST_F(WindowCommands, UndoOfAnAddedTrackHidesItAndRedoShowsItAgain)
{
    Start();
    ASSERT_TRUE(Window().RunCommand(kAddBlankTrack));
    ClickRow(1, 0);
    ASSERT_EQ(Window().CurrentTrack(), 1);
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(Window().CurrentTrack(), 0);
    EXPECT_TRUE(Window().Control().VisibleTracks().isEmpty());
    ASSERT_TRUE(Window().RunCommand(kRedo));
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
}

TEST_F(WindowCommands, CtrlLettersRunTheirCommandsOnlyWhileEnabled)
{
    const int id = TenSecondTrack();
    // Ctrl+Z with nothing to undo beyond the import does nothing harmful;
    // with the item disabled (no selection) Ctrl+X does nothing at all.
    ASSERT_FALSE(Enabled(kCut));
    Key(Qt::Key_X);
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 10 * kSecond);

    Select(1 * kSecond, 2 * kSecond);
    Key(Qt::Key_C); // copy
    EXPECT_EQ(Kestrum_IsPasteAble(Window().Editor()), 1);
    Key(Qt::Key_X); // cut
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 9 * kSecond);
    Key(Qt::Key_Z); // undo the cut
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 10 * kSecond);
    Key(Qt::Key_Y); // redo it
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 9 * kSecond);
    Key(Qt::Key_V); // paste at the (empty) selection: back to 10 s
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 10 * kSecond);
    Select(0, 3 * kSecond);
    Key(Qt::Key_D); // delete
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 7 * kSecond);
    Select(kSecond, 2 * kSecond);
    Key(Qt::Key_T); // trim
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), kSecond);

    Key(Qt::Key_N); // add file: the open dialog is asked for
    ASSERT_FALSE(Prompts().Calls().empty());
    EXPECT_EQ(Prompts().Calls().back().kind, PromptCall::OpenFile);
    Key(Qt::Key_S); // save: a file name is asked for (and refused here)
    EXPECT_EQ(Prompts().Calls().back().kind, PromptCall::SaveFile);
    EXPECT_TRUE(Window().IsModified());

    // Ctrl+W: close the project, answering No to saving.
    Prompts().AnswerMessage(QMessageBox::No);
    Key(Qt::Key_W);
    EXPECT_EQ(Window().Editor(), nullptr);
    EXPECT_TRUE(Window().Control().VisibleTracks().isEmpty());
    (void)id;

    // Ctrl+Q ends the program.
    Key(Qt::Key_Q);
    EXPECT_FALSE(Window().isVisible());
}

TEST_F(WindowCommands, EscapeLeavesTheWindowOpen)
{
    TenSecondTrack();
    Key(Qt::Key_Escape, Qt::NoModifier);
    QTest::keyClick(&Window(), Qt::Key_Escape);
    Pump();
    EXPECT_TRUE(Window().isVisible());
}

TEST_F(WindowCommands, AFailingKernelCallShowsItsCodeAndChangesNothing)
{
    const int id = TenSecondTrack();
    Select(2 * kSecond + 123, 5 * kSecond + 77);
    // Take the data files away: the cut cannot copy the parts it keeps.
    TrackBaseInfo info{};
    ASSERT_TRUE(Kestrum_GetTrackBaseInfo(Window().Editor(), 1, &info));
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(env().path("tmp")), ec))
        if (entry.is_directory())
            for (const auto& track : std::filesystem::recursive_directory_iterator(entry.path()))
                if (track.path().extension() == ".dat")
                    std::filesystem::remove(track.path());
    Prompts().Clear();
    ASSERT_TRUE(Window().RunCommand(kCut));
    const QStringList messages = Prompts().Messages();
    ASSERT_EQ(messages.size(), 1);
    // A data file gone: the code says so (the kind of a missing file), and
    // the message says it in words before the code.
    EXPECT_EQ(Kestrum_GetLastError(), 0x0D86B004u);
    EXPECT_EQ(messages.first(), LanguageText("errors", "00000002") +
                                    QStringLiteral("\n\nFailed! ErrorCode=0x0d86b004"));
    EXPECT_EQ(Prompts().Calls().back().icon, QMessageBox::Critical);
    EXPECT_EQ(Prompts().Calls().back().caption, Window().Caption());
    EXPECT_EQ(Window().CurrentTrack(), id);
    EXPECT_EQ(Window().SelectionStart(), 2 * kSecond + 123);
    EXPECT_EQ(Window().SelectionEnd(), 5 * kSecond + 77);
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 10 * kSecond);
}

TEST_F(WindowCommands, TheControlsDeleteRequestHidesTheTrackAndUndoBringsItBack)
{
    const int id = TenSecondTrack();
    PostMessage(Window().Hwnd(), vorlain::WM_TRACK_DELETE_REQUEST, static_cast<WPARAM>(id), 0);
    Pump();
    EXPECT_TRUE(Window().Control().VisibleTracks().isEmpty());
    EXPECT_EQ(Window().CurrentTrack(), 0);
    TrackBaseInfo info{};
    ASSERT_TRUE(Kestrum_GetTrackBaseInfo(Window().Editor(), 1, &info));
    EXPECT_EQ(info.deleted, 1u);
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{id});
    EXPECT_EQ(Window().CurrentTrack(), id);

    // An unknown id is refused with the control's own message format.
    Prompts().Clear();
    PostMessage(Window().Hwnd(), vorlain::WM_TRACK_DELETE_REQUEST, 42, 0);
    Pump();
    ASSERT_EQ(Prompts().Messages().size(), 1);
    EXPECT_TRUE(Prompts().Messages().first().endsWith(
        QString::asprintf("\n\nFailed! ErrorCode=0x%.8x", Kestrum_GetLastError())));
}

TEST_F(WindowCommands, TheContextMenuHasTwoFormsAndNeedsACurrentTrack)
{
    Start();
    const int id = AddFile(MakeWave("ten.wav", 10, 2));
    const int other = AddFile(MakeWave("other.wav", 1, 2));
    WaitForPeaks();
    // Without a current track (the one that was is deleted): nothing.
    ASSERT_EQ(Window().CurrentTrack(), other);
    ASSERT_TRUE(Window().RunCommand(kDeleteTrack));
    ASSERT_EQ(Window().CurrentTrack(), 0);
    PostMessage(Window().Hwnd(), app::WM_RBUTTONDOWN, 0, 0);
    Pump();
    EXPECT_EQ(Window().ContextMenu(), nullptr);

    ClickRow(id, 3 * kSecond);
    RightClickRow(id, 3 * kSecond);
    ASSERT_NE(Window().ContextMenu(), nullptr);
    QStringList empty;
    for (QAction* a : Window().ContextMenu()->actions())
        if (!a->isSeparator())
            empty << a->text().section('\t', 0, 0);
    EXPECT_EQ(empty,
              (QStringList{"Undo (Delete Track)        Ctrl+Z", LanguageText("menu", "01000102"),
                           LanguageText("menu", "01000106"), LanguageText("menu", "0100010E"),
                           LanguageText("menu", "0100010F"), LanguageText("menu", "0100010A"),
                           LanguageText("menu", "0100010C"), LanguageText("menu", "0100010D"),
                           LanguageText("menu", "01000304"), LanguageText("menu", "01000306"),
                           LanguageText("menu", "01000308"), LanguageText("menu", "01000115")}));
    Window().ContextMenu()->close();

    DragRow(id, 2 * kSecond, 4 * kSecond);
    RightClickRow(id, 3 * kSecond);
    ASSERT_NE(Window().ContextMenu(), nullptr);
    QStringList selection;
    for (QAction* a : Window().ContextMenu()->actions())
        if (!a->isSeparator())
            selection << a->text().section('\t', 0, 0);
    EXPECT_EQ(selection,
              (QStringList{"Undo (Delete Track)        Ctrl+Z", LanguageText("toolbar", "02000007"),
                           LanguageText("menu", "01000103"), LanguageText("menu", "01000104"),
                           LanguageText("menu", "01000108"), LanguageText("menu", "01000109"),
                           LanguageText("menu", "01000401"), LanguageText("menu", "01000402"),
                           LanguageText("menu", "01000403"), LanguageText("menu", "01000404"),
                           LanguageText("menu", "01000405"), LanguageText("menu", "01000307")}));
    // Its Cut is the window's Cut.
    for (QAction* a : Window().ContextMenu()->actions())
        if (CCommandSet::IdOf(a) == kCut)
            a->trigger();
    EXPECT_LT(Kestrum_GetTrackTime(Window().Editor(), 1), 10 * kSecond);
    Window().ContextMenu()->close();
}

TEST_F(WindowCommands, InsertSilenceTakesItsLengthFromTheDialog)
{
    TenSecondTrack();
    Select(kSecond, kSecond);
    WhenModal<CDlgAddSilence>([](CDlgAddSilence* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("id1041"));
        ASSERT_NE(edit, nullptr);
        edit->setText(QStringLiteral("1500"));
        dialog->accept();
    });
    ASSERT_TRUE(Window().RunCommand(kInsertSilenceCurrent));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 11'500'000);
    EXPECT_EQ(Window().SelectionStart(), kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 2'500'000);
    const auto samples = TrackSamples(1);
    for (size_t f = 44100; f < 44100 + 66150; f += 441)
        EXPECT_EQ(samples[f * 2], 0) << f;
}

TEST_F(WindowCommands, CopyToNewAddsARowAndDeleteTrackHidesTheCurrentOne)
{
    const int id = TenSecondTrack();
    Select(kSecond, 3 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kCopyToNew));
    EXPECT_EQ(Window().Control().VisibleTracks(), (QList<int>{id, 2}));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 2), 2 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kDeleteTrack));
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{2});
    EXPECT_EQ(Window().CurrentTrack(), 0);
}

} // namespace
} // namespace app::test

#include "longops/dlg_import_file.h"

namespace app::test {
namespace {

TEST_F(WindowCommands, ClosingTheImportDialogStopsTheImportAndAddsNothing)
{
    Start();
    // Two minutes at 48 kHz: the converter resamples them, which takes a while.
    const std::string wav = MakeWave("long48k.wav", 120, 2, 48000);
    bool closed = false;
    WhenModal<CDlgImportFile>([&closed](CDlgImportFile* dialog) {
        closed = true;
        dialog->close(); // the window's close box
    });
    Prompts().AnswerFile(QString::fromStdString(wav));
    ASSERT_TRUE(Window().RunCommand(kAddFile));
    Pump();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(Window().Control().VisibleTracks().isEmpty());
    EXPECT_TRUE(Prompts().Messages().isEmpty());
    EXPECT_FALSE(Window().IsModified());
    // The session is still good for the next file.
    EXPECT_EQ(AddFile(MakeWave("short.wav", 1, 2)), 1);
    // Its Cancel button stops the import the same way.
    bool cancelled = false;
    WhenModal<CDlgImportFile>([&cancelled](CDlgImportFile* dialog) {
        auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("cancel"));
        ASSERT_NE(cancel, nullptr);
        cancel->click();
        cancelled = true;
    });
    Prompts().AnswerFile(QString::fromStdString(wav));
    ASSERT_TRUE(Window().RunCommand(kAddFile));
    Pump();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
    EXPECT_TRUE(Prompts().Messages().isEmpty());
}

TEST_F(WindowCommands, AFileTheConverterCannotReadIsReportedWithItsCode)
{
    Start();
    const std::string text = env().path("notes.wav");
    ASSERT_TRUE(vorlain::test::WriteBytes(text, {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'}));
    EXPECT_EQ(AddFile(text), 0);
    ASSERT_EQ(Prompts().Messages().size(), 1);
    EXPECT_EQ(Kestrum_GetLastError(), 0x035DB001u);
    EXPECT_EQ(Prompts().Messages().first(), LanguageText("errors", "00000001") +
                                                QStringLiteral("\n\nFailed! ErrorCode=0x035db001"));
    EXPECT_TRUE(Window().Control().VisibleTracks().isEmpty());
}

} // namespace
} // namespace app::test

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>

namespace app::test {
namespace {

TEST_F(WindowCommands, DeletingAnotherTracksRowKeepsTheCurrentTrackAndItsSelection)
{
    Start();
    const int one = AddFile(MakeWave("one.wav", 4, 2));
    const int two = AddFile(MakeWave("two.wav", 6, 2));
    WaitForPeaks();
    ClickRow(one, 0);
    Select(kSecond, 2 * kSecond);
    // The red X of the other row, clicked as a person does.
    QWidget* info = Row(two)->findChild<QWidget*>(QStringLiteral("CDlgTrackInfo"));
    ASSERT_NE(info, nullptr);
    const QList<QAbstractButton*> buttons = info->findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), 4);
    QTest::mouseClick(buttons.at(3), Qt::LeftButton);
    Pump();
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{one});
    EXPECT_EQ(Window().CurrentTrack(), one);
    EXPECT_EQ(Window().SelectionStart(), kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 2 * kSecond);
    // The strip, the drawing and the rules agree with it.
    EXPECT_EQ(Window().findChild<QLabel*>(QStringLiteral("id%1").arg(kTrackName))->text(),
              "one.wav");
    EXPECT_TRUE(Enabled(kTbPlay));
    EXPECT_TRUE(Enabled(kCut));
    EXPECT_TRUE(Row(one)->property("selected").toBool());
    // The current track's own X leaves no current track.
    ASSERT_TRUE(Window().RunCommand(kDeleteTrack));
    EXPECT_EQ(Window().CurrentTrack(), 0);
    EXPECT_FALSE(Enabled(kTbPlay));
}

TEST_F(WindowCommands, TheScrollCommandsOfMenuAndToolbarFollowOneRule)
{
    Start();
    auto agree = [this](const char* where) {
        EXPECT_EQ(Enabled(kScrollToBegin), Enabled(kTbScrollToBegin)) << where;
        EXPECT_EQ(Enabled(kScrollToEnd), Enabled(kTbScrollToEnd)) << where;
        return Enabled(kScrollToBegin);
    };
    EXPECT_FALSE(agree("no track"));
    ASSERT_TRUE(Window().RunCommand(kAddBlankTrack)); // a track that does not scroll
    Pump();                                           // the new row makes itself current
    EXPECT_TRUE(agree("blank track"));
    const int id = AddFile(MakeWave("long.wav", 120, 2));
    ClickRow(id, 0);
    EXPECT_TRUE(agree("long track"));
    ASSERT_TRUE(Window().RunCommand(kTbScrollToEnd));
    EXPECT_TRUE(agree("scrolled"));
}

TEST_F(WindowCommands, ClosingOrOpeningOverChangedWorkAsksWithCancelAndCancelKeepsIt)
{
    const int id = TenSecondTrack();
    Select(kSecond, 2 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kCut));
    for (int command : {kCloseProject, kOpenProject}) {
        Prompts().Clear();
        Prompts().AnswerMessage(QMessageBox::Cancel);
        ASSERT_TRUE(Window().RunCommand(command));
        ASSERT_EQ(Prompts().Calls().size(), 1u) << command; // no file dialog after Cancel
        EXPECT_EQ(Prompts().Calls().front().buttons,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{id});
        EXPECT_TRUE(Window().IsModified());
        EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 9 * kSecond);
    }
}

TEST_F(WindowCommands, EscapeOnTheDesktopsSaveQuestionIsCancelNeverNo)
{
    const int id = TenSecondTrack();
    Select(kSecond, 2 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kCut));
    SetPrompts(nullptr); // the real message box
    bool asked = false;
    WhenModal<QMessageBox>([&asked](QMessageBox* box) {
        asked = true;
        QTest::keyClick(box, Qt::Key_Escape);
    });
    ASSERT_TRUE(Window().RunCommand(kCloseProject));
    SetPrompts(&Prompts());
    EXPECT_TRUE(asked);
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{id});
    EXPECT_TRUE(Window().IsModified());
}

TEST_F(WindowCommands, TheUsualShortcutsOpenSaveAsSelectAllAndZoomToFit)
{
    const int id = TenSecondTrack();
    EXPECT_EQ(Window().Action(kOpenProject)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(Window().Action(kSaveProjectAs)->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    Key(Qt::Key_A);
    EXPECT_EQ(Window().SelectionStart(), 0);
    EXPECT_EQ(Window().SelectionEnd(), 10 * kSecond);
    // Zoomed in far, Ctrl+F shows the whole track again.
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(Window().RunCommand(kZoomIn));
    ASSERT_TRUE(Window().Control().IsScrollable(id));
    Key(Qt::Key_F);
    EXPECT_FALSE(Window().Control().IsScrollable(id));
    // The fit is the closest: one zoom step in would not show it whole,
    // and Zoom Out has nothing more to show.
    EXPECT_FALSE(Enabled(kZoomOut));
    ASSERT_TRUE(Window().RunCommand(kZoomIn));
    EXPECT_TRUE(Window().Control().IsScrollable(id));
    EXPECT_TRUE(Enabled(kZoomOut));
    const std::string path = env().path("as.zvp");
    Prompts().AnswerFile(QString::fromStdString(path));
    Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(std::filesystem::exists(path));
}

} // namespace
} // namespace app::test

namespace app::test {
namespace {

TEST_F(WindowCommands, ZoomToSelectionShowsTheSelectionWholeAtTheClosestZoom)
{
    // A 9 s clip beside ten minutes: fitted to those, the clip is a sliver.
    Start();
    AddFile(MakeWave("long.wav", 600, 1, 8000));
    const int clip = AddFile(MakeWave("clip.wav", 9, 2));
    WaitForPeaks();
    ClickRow(clip, 0);
    EXPECT_FALSE(Enabled(kZoomSelection)); // nothing selected yet
    Select(2 * kSecond, 5 * kSecond);
    QApplication::setActiveWindow(&Window());
    QTest::keyClick(&Window(), Qt::Key_E, Qt::ControlModifier);
    Pump();
    const int64_t span = Window().Control().ViewSpan();
    EXPECT_GE(span, 3 * kSecond);
    EXPECT_LT(span / 2, 3 * kSecond);
    // Scrolled to its start: both ends of the selection are in the row.
    EXPECT_GE(XOfTime(2 * kSecond), 140);
    EXPECT_LE(XOfTime(5 * kSecond), Row(clip)->width());
    EXPECT_EQ(Window().SelectionStart(), 2 * kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 5 * kSecond);
}

} // namespace
} // namespace app::test

namespace app::test {
namespace {

TEST_F(WindowCommands, AddFileTakesSeveralFilesAndAddsThemInTheOrderChosen)
{
    Start();
    const std::string a = MakeWave("a.wav", 1, 2), b = MakeWave("b.wav", 2, 1),
                      c = MakeWave("c.wav", 3, 2);
    Prompts().AnswerFiles(
        {QString::fromStdString(b), QString::fromStdString(c), QString::fromStdString(a)});
    ASSERT_TRUE(Window().RunCommand(kAddFile));
    Pump();
    ASSERT_EQ(Window().Control().VisibleTracks(), (QList<int>{1, 2, 3}));
    char name[260];
    const char* expected[] = {"b.wav", "c.wav", "a.wav"};
    for (int id = 1; id <= 3; ++id) {
        ASSERT_EQ(Kestrum_GetTrackName(Window().Editor(), id, name), 1);
        EXPECT_STREQ(name, expected[id - 1]);
    }
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 3), 1 * kSecond);
    // One dialog for all of them.
    int dialogs = 0;
    for (const PromptCall& call : Prompts().Calls())
        dialogs += call.kind == PromptCall::OpenFile;
    EXPECT_EQ(dialogs, 1);
}

} // namespace
} // namespace app::test
