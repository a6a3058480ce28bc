// The command table on its own: every row complete, the menus and toolbars
// the command set builds from it, and the enable rules applied to state
// snapshots made by hand, with no main window at all.
#include "commands/command_table.h"
#include "config/language.h"
#include "state/editor_state.h"
#include "window/command_ids.h"
#include "window/command_set.h"

#include "vorlain/kestrum.h"
#include "vorlain/test/temp_env.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <set>

using namespace cmd;

namespace app::test {
namespace {

TEST(CommandTable, EveryRowHasACaptionInTheLanguageFileAHandlerAndAnEnableRule)
{
    std::set<int> ids;
    for (const CommandRow& row : CommandTable()) {
        EXPECT_TRUE(ids.insert(row.id).second) << "twice: " << row.id;
        EXPECT_NE(row.run, nullptr) << row.id;
        EXPECT_NE(row.enabled, nullptr) << row.id;
        // A menu item by its caption, a toolbar-only button by its tooltip.
        const QString caption = row.captionKey ? LanguageText("menu", row.captionKey)
                                               : LanguageText("toolbar", row.tool.tooltipKey);
        EXPECT_FALSE(caption.isEmpty()) << row.id;
        EXPECT_TRUE(row.menu != Menu::None || row.tool.bar != Bar::None) << row.id;
        if (row.tool.bar != Bar::None) {
            EXPECT_FALSE(LanguageText("toolbar", row.tool.tooltipKey).isEmpty()) << row.id;
        }
        EXPECT_EQ(FindCommand(row.id), &row);
    }
    for (const MenuRow& menu : MenuTable())
        EXPECT_FALSE(LanguageText("menu", menu.titleKey).isEmpty()) << menu.titleKey;
    for (const SubmenuRow& sub : SubmenuTable())
        EXPECT_FALSE(LanguageText("menu", sub.titleKey).isEmpty()) << sub.titleKey;
    for (auto list : {SelectionContextMenu(), CursorContextMenu()})
        for (int id : list)
            EXPECT_TRUE(id == 0 || FindCommand(id)) << id;
    EXPECT_EQ(FindCommand(12345), nullptr);
}

class CommandSetTest : public vorlain::test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        commands = new CCommandSet(&host);
        bar = new QMenuBar(&host);
        commands->BuildMenus(bar);
        commands->LoadTexts();
        session = Kestrum_Open(env().path("tmp").c_str());
        ASSERT_NE(session, nullptr);
    }
    void TearDown() override
    {
        Kestrum_Close(session);
        IsolatedTest::TearDown();
    }

    /** The enabled ones among ids after the rules ran on s. */
    std::set<int> EnabledOf(const CommandState& s, std::initializer_list<int> ids)
    {
        commands->ApplyEnableRules(s);
        std::set<int> on;
        for (int id : ids)
            if (commands->Action(id)->isEnabled())
                on.insert(id);
        return on;
    }
    /** A session with a track selected and nothing playing or recording. */
    CommandState Editing() const
    {
        CommandState s;
        s.editor = session;
        s.currentTrack = 1;
        s.playerStatus = -1;
        s.playState = CEditorState::kStopped;
        s.visibleTracks = 1;
        s.zoomOutAble = true;
        s.emptyTrack = false;
        s.blankTrack = false;
        s.channels = 2;
        return s;
    }
    static QStringList Layout(const QList<QAction*>& actions)
    {
        QStringList names;
        for (QAction* a : actions)
            names << (a->isSeparator() ? QStringLiteral("|")
                      : a->menu()      ? a->menu()->objectName()
                                       : a->objectName());
        return names;
    }

    QWidget host;
    CCommandSet* commands = nullptr;
    QMenuBar* bar = nullptr;
    CEditSession* session = nullptr;
};

TEST_F(CommandSetTest, MenusAndToolbarsComeFromTheRowsInTheirOrder)
{
    EXPECT_EQ(bar->actions().size(), 8);
    EXPECT_EQ(Layout(commands->FileMenu()->actions()),
              (QStringList{"id32793", "|", "id32817", "id32816", "id32870", "id32815", "|",
                           "id32818", "id32819", "|", "id32822"}));
    const QMenu* edit = bar->actions().at(1)->menu();
    EXPECT_EQ(Layout(edit->actions()), (QStringList{"id32780",
                                                    "id32781",
                                                    "|",
                                                    "id57635",
                                                    "id57634",
                                                    "id32845",
                                                    "id57637",
                                                    "id32846",
                                                    "id32829",
                                                    "id32827",
                                                    "|",
                                                    "id32847",
                                                    "id32848",
                                                    "id32849",
                                                    "id32850",
                                                    "|",
                                                    "insertFileMenu",
                                                    "insertSilenceMenu",
                                                    "|",
                                                    "id32860",
                                                    "id32854",
                                                    "|",
                                                    "id32784"}));
    EXPECT_EQ(Layout(commands->InsertSilenceMenu()->actions()),
              (QStringList{"id32857", "id32858", "id32859"}));
    EXPECT_EQ(edit->title(), LanguageText("menu", "01000100"));

    QToolBar* main = commands->BuildToolBar(Bar::Main, &host);
    QStringList buttons;
    for (QAction* a : main->actions())
        buttons << (a->isSeparator() ? QStringLiteral("|")
                                     : main->widgetForAction(a)->objectName());
    EXPECT_EQ(buttons, (QStringList{"id32793", "id32816", "|", "id36896", "id36897", "id36898", "|",
                                    "id36912", "id36913", "|", "id36944", "id36945", "|"}));
    // A toolbar button is the menu item's action, with the tooltip of its key.
    EXPECT_EQ(main->actions().at(3), commands->Action(kCut));
    EXPECT_EQ(commands->Action(kCut)->toolTip(), LanguageText("toolbar", "02000003"));
    QToolBar* play = commands->BuildToolBar(Bar::Play, &host);
    EXPECT_EQ(play->actions().size(), 7); // five buttons between two separators
}

TEST_F(CommandSetTest, ShortcutsGoThroughTheirActionsAndOnlyWhileEnabled)
{
    EXPECT_EQ(commands->Action(kCut)->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
    // Undo names its key in its caption: the key is a shortcut of the window
    // that triggers the action.
    EXPECT_TRUE(commands->Action(kUndo)->shortcut().isEmpty());
    QShortcut* undoKey = nullptr;
    for (QShortcut* key : host.findChildren<QShortcut*>())
        if (key->key() == QKeySequence(QStringLiteral("Ctrl+Z")))
            undoKey = key;
    ASSERT_NE(undoKey, nullptr);
    QList<int> ran;
    QObject::connect(commands, &CCommandSet::Command, [&ran](int id) { ran << id; });
    commands->ApplyEnableRules(CommandState{});
    emit undoKey->activated();
    EXPECT_TRUE(ran.isEmpty());
    CommandState s = Editing();
    s.canUndo = true;
    s.undoLabel = QStringLiteral("Undo (Cut)");
    commands->ApplyEnableRules(s);
    emit undoKey->activated();
    EXPECT_EQ(ran, QList<int>{kUndo});
}

TEST_F(CommandSetTest, NothingOpenLeavesOnlyTheCommandsThatNeedNoSession)
{
    const CommandState none;
    EXPECT_EQ(EnabledOf(none, {kAddFile, kOpenProject, kSaveProject, kSaveProjectAs, kCloseProject,
                               kExit, kUndo, kCut, kPaste, kSelectAll, kAddBlankTrack, kFadeIn,
                               kStartRecord, kStopRecord, kOptions, kAbout, kTbPlay}),
              (std::set<int>{kAddFile, kOpenProject, kExit, kAddBlankTrack, kStartRecord, kOptions,
                             kAbout}));
    EXPECT_EQ(commands->Action(kUndo)->text(), LanguageText("menu", "01000101"));
    EXPECT_EQ(commands->Action(kRedo)->text(), LanguageText("menu", "01000102"));
    EXPECT_FALSE(commands->InsertFileMenu()->menuAction()->isEnabled());
}

TEST_F(CommandSetTest, ASelectionEnablesTheRangeEditsAndEffectsAndTheHistoryNamesItsAction)
{
    CommandState s = Editing();
    const std::initializer_list<int> range = {kCut,  kCopy,   kCopyToNew,
                                              kTrim, kDelete, kExportSelection};
    const std::initializer_list<int> effects = {
        kFadeIn,  kFadeOut,           kEcho,        kAdjustVolume, kSilence, kNormalize,
        kReverse, kNormalizeLoudness, kChangeTempo, kChangePitch};
    EXPECT_TRUE(EnabledOf(s, range).empty());
    // The effects take the whole track when nothing is selected; an empty
    // track has nothing for them.
    EXPECT_EQ(EnabledOf(s, effects), std::set<int>(effects));
    s.emptyTrack = true;
    EXPECT_TRUE(EnabledOf(s, effects).empty());
    s.emptyTrack = false;
    EXPECT_TRUE(commands->InsertFileMenu()->menuAction()->isEnabled());
    s.selStart = 1'000'000;
    s.selEnd = 2'000'000;
    EXPECT_EQ(EnabledOf(s, range), std::set<int>(range));
    EXPECT_EQ(EnabledOf(s, effects), std::set<int>(effects));
    EXPECT_EQ(EnabledOf(s, {kPaste, kPasteToEnd, kMixWithCopy}), std::set<int>{});
    s.pasteAble = true;
    EXPECT_EQ(EnabledOf(s, {kPaste, kPasteToEnd, kMixWithCopy}),
              (std::set<int>{kPaste, kPasteToEnd, kMixWithCopy}));
    s.blankTrack = true; // nothing to mix into
    EXPECT_EQ(EnabledOf(s, {kMixWithCopy}), std::set<int>{});

    s.canUndo = true;
    s.undoLabel = QStringLiteral("Undo (Cut)");
    s.canRedo = true;
    s.redoLabel = QStringLiteral("Redo (Trim)");
    commands->ApplyEnableRules(s);
    EXPECT_EQ(commands->Action(kUndo)->text(), "Undo (Cut)        Ctrl+Z");
    EXPECT_EQ(commands->Action(kRedo)->text(), "Redo (Trim)        Ctrl+Y");
    // An empty track has nothing to export, split or extract.
    s.emptyTrack = true;
    EXPECT_EQ(EnabledOf(s, {kExportTrack, kSplit, kToMonoLeft, kDeleteTrack}),
              std::set<int>{kDeleteTrack});
    s.emptyTrack = false;
    s.channels = 1;
    EXPECT_EQ(EnabledOf(s, {kExportTrack, kSplit, kToMonoLeft, kJoinAllTrack}),
              (std::set<int>{kExportTrack, kSplit}));
    s.visibleTracks = 2;
    EXPECT_EQ(EnabledOf(s, {kJoinAllTrack}), std::set<int>{kJoinAllTrack});
    // Zoom Out ends where the longest track fits the view.
    EXPECT_EQ(EnabledOf(s, {kZoomIn, kZoomOut}), (std::set<int>{kZoomIn, kZoomOut}));
    s.zoomOutAble = false;
    EXPECT_EQ(EnabledOf(s, {kZoomIn, kZoomOut}), std::set<int>{kZoomIn});
}

TEST_F(CommandSetTest, PlayingAndRecordingTurnEditingOffAndTheirOwnButtonsOn)
{
    CommandState s = Editing();
    s.selEnd = 5'000'000;
    EXPECT_EQ(EnabledOf(s, {kTbPlay, kTbPause, kTbStop, kTbScrollToBegin, kTbScrollToEnd}),
              (std::set<int>{kTbPlay, kTbScrollToBegin, kTbScrollToEnd}));
    s.playerStatus = 1;
    s.playState = CEditorState::kPlaying;
    EXPECT_EQ(EnabledOf(s, {kTbPlay, kTbPause, kTbStop, kTbScrollToBegin, kCut, kDeleteTrack,
                            kFadeIn, kUndo, kSaveProjectAs}),
              (std::set<int>{kTbPause, kTbStop}));
    s.playerStatus = 2;
    s.playState = CEditorState::kPaused;
    EXPECT_EQ(EnabledOf(s, {kTbPlay, kTbPause, kTbStop, kDeleteTrack, kCut}),
              (std::set<int>{kTbPlay, kTbStop, kDeleteTrack}));
    s.busy = true; // a long operation runs: nothing starts playing
    EXPECT_EQ(EnabledOf(s, {kTbPlay}), std::set<int>{});

    CommandState r = Editing();
    r.recording = true;
    const std::initializer_list<int> record = {kStartRecord, kRecordPause,  kRecordContinue,
                                               kStopRecord,  kRecordOption, kAddBlankTrack,
                                               kTbPlay,      kCut,          kDeleteTrack};
    EXPECT_EQ(EnabledOf(r, record), (std::set<int>{kRecordPause, kStopRecord}));
    r.recordPaused = true;
    EXPECT_EQ(EnabledOf(r, record), (std::set<int>{kRecordContinue, kStopRecord}));
    r.recordStopping = true;
    EXPECT_EQ(EnabledOf(r, record), std::set<int>{});
}

} // namespace
} // namespace app::test
