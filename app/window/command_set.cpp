#include "window/command_set.h"

#include "config/language.h"
#include "widgets/tool_icons.h"
#include "window/command_ids.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

using namespace cmd;

using ToolButton = CCommandSet::ToolButton;

namespace {

constexpr ToolButton kMainTools[] = {{kAddFile, kAddFile, "02000001"},
                                     {kSaveProject, kSaveProject, "02000002"},
                                     {0, 0, nullptr},
                                     {kTbCut, kCut, "02000003"},
                                     {kTbCopy, kCopy, "02000004"},
                                     {kTbPaste, kPaste, "02000005"},
                                     {0, 0, nullptr},
                                     {kTbUndo, kUndo, "02000006"},
                                     {kTbRedo, kRedo, "02000007"},
                                     {0, 0, nullptr},
                                     {kTbZoomIn, kZoomIn, "02000008"},
                                     {kTbZoomOut, kZoomOut, "02000009"},
                                     {0, 0, nullptr}};

constexpr ToolButton kPlayTools[] = {{0, 0, nullptr},
                                     {kTbScrollToBegin, kTbScrollToBegin, "0200000A"},
                                     {kTbPlay, kTbPlay, "0200000B"},
                                     {kTbPause, kTbPause, "0200000C"},
                                     {kTbStop, kTbStop, "0200000D"},
                                     {kTbScrollToEnd, kTbScrollToEnd, "0200000E"},
                                     {0, 0, nullptr}};

constexpr ToolButton kRecordTools[] = {{0, 0, nullptr},
                                       {kTbStartRecord, kStartRecord, "0200000F"},
                                       {kTbStopRecord, kStopRecord, "02000010"},
                                       {kTbRecordOption, kRecordOption, "02000011"},
                                       {0, 0, nullptr}};

} // namespace

CCommandSet::CCommandSet(QWidget* window) : QObject(window), m_window(window)
{
    // File
    Make(kAddFile, "01000003", QStringLiteral("Ctrl+N"));
    Make(kOpenProject, "01000004");
    Make(kSaveProject, "01000005", QStringLiteral("Ctrl+S"));
    Make(kSaveProjectAs, "01000006");
    Make(kCloseProject, "01000007", QStringLiteral("Ctrl+W"));
    Make(kExit, "0100000A", QStringLiteral("Ctrl+Q"));
    // Edit. Undo and Redo carry their key in the caption ("        Ctrl+Z"),
    // so their shortcuts are the window's own (see CVorlainDlg).
    Make(kUndo, "01000101");
    Make(kRedo, "01000102");
    Make(kCut, "01000103", QStringLiteral("Ctrl+X"));
    Make(kCopy, "01000104", QStringLiteral("Ctrl+C"));
    Make(kCopyToNew, "01000105");
    Make(kPaste, "01000106", QStringLiteral("Ctrl+V"));
    Make(kPasteToEnd, "01000107");
    Make(kTrim, "01000108", QStringLiteral("Ctrl+T"));
    Make(kDelete, "01000109", QStringLiteral("Ctrl+D"));
    Make(kSelectAll, "0100010A");
    Make(kSelectNone, "0100010B");
    Make(kSelectToStart, "0100010C");
    Make(kSelectToEnd, "0100010D");
    Make(kInsertFileBegin, "01000110");
    Make(kInsertFileCurrent, "01000111");
    Make(kInsertFileEnd, "01000112");
    Make(kInsertSilenceBegin, "01000110");
    Make(kInsertSilenceCurrent, "01000111");
    Make(kInsertSilenceEnd, "01000112");
    Make(kMixWithCopy, "01000113");
    Make(kMixWithFile, "01000114");
    Make(kTag, "01000115");
    // View
    Make(kZoomIn, "01000201");
    Make(kZoomOut, "01000202");
    Make(kScrollToBegin, "01000203");
    Make(kScrollToEnd, "01000204");
    // Track
    Make(kAddBlankTrack, "01000301");
    Make(kToMonoLeft, "01000302");
    Make(kToMonoRight, "01000303");
    Make(kSplit, "01000304");
    Make(kJoinAllTrack, "01000305");
    Make(kExportTrack, "01000306");
    Make(kExportSelection, "01000307");
    Make(kDeleteTrack, "01000308");
    // Effect
    Make(kFadeIn, "01000401");
    Make(kFadeOut, "01000402");
    Make(kEcho, "01000403");
    Make(kAdjustVolume, "01000404");
    Make(kSilence, "01000405");
    // Record
    Make(kStartRecord, "01000501");
    Make(kRecordPause, "01000502");
    Make(kRecordContinue, "01000503");
    Make(kStopRecord, "01000504");
    Make(kRecordOption, "01000505");
    // Options, Help
    Make(kOptions, "01000601");
    Make(kHelp, "01000701");
    Make(kAbout, "01000702");
    // The play toolbar's buttons that have no menu item, and its own
    // scroll buttons, which follow the play state rather than the View menu.
    for (int id : {kTbScrollToBegin, kTbPlay, kTbPause, kTbStop, kTbScrollToEnd})
        MakeToolOnly(id);
}

QAction* CCommandSet::Make(int id, const char* key, const QString& shortcut)
{
    auto* action = new QAction(m_window);
    action->setData(id);
    action->setObjectName(QStringLiteral("id%1").arg(id));
    if (!shortcut.isEmpty()) {
        action->setShortcut(QKeySequence(shortcut));
        action->setShortcutContext(Qt::WindowShortcut);
    }
    m_window->addAction(action); // shortcuts work without the menu being open
    m_actions.insert(id, action);
    if (key)
        m_captionKeys.insert(action, key);
    connect(action, &QAction::triggered, this, [this, id] { emit Command(id); });
    return action;
}

QAction* CCommandSet::MakeToolOnly(int id)
{
    return Make(id, nullptr);
}

int CCommandSet::IdOf(const QAction* action)
{
    return action ? action->data().toInt() : 0;
}

void CCommandSet::BuildMenus(QMenuBar* bar)
{
    auto popup = [this, bar](const char* key) {
        QMenu* menu = bar->addMenu(QString());
        m_popups.append({menu, key});
        return menu;
    };
    auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (int id : ids) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(m_actions.value(id));
        }
    };

    // Position 7 and 8 of the File menu hold the recent lists.
    m_fileMenu = popup("01000000");
    add(m_fileMenu, {kAddFile, 0, kOpenProject, kSaveProject, kSaveProjectAs, kCloseProject, 0});
    m_recentFile = new QMenu(m_fileMenu);
    m_recentFile->setObjectName(QStringLiteral("id%1").arg(kRecentFile));
    m_fileMenu->addMenu(m_recentFile)->setData(kRecentFile);
    m_popups.append({m_recentFile, "01000008"});
    m_recentProject = new QMenu(m_fileMenu);
    m_recentProject->setObjectName(QStringLiteral("id%1").arg(kRecentProject));
    m_fileMenu->addMenu(m_recentProject)->setData(kRecentProject);
    m_popups.append({m_recentProject, "01000009"});
    add(m_fileMenu, {0, kExit});

    QMenu* edit = popup("01000100");
    add(edit, {kUndo, kRedo, 0, kCut, kCopy, kCopyToNew, kPaste, kPasteToEnd, kTrim, kDelete, 0,
               kSelectAll, kSelectNone, kSelectToStart, kSelectToEnd, 0});
    m_insertFile = edit->addMenu(QString());
    m_insertFile->setObjectName(QStringLiteral("insertFileMenu"));
    m_popups.append({m_insertFile, "0100010E"});
    add(m_insertFile, {kInsertFileBegin, kInsertFileCurrent, kInsertFileEnd});
    m_insertSilence = edit->addMenu(QString());
    m_insertSilence->setObjectName(QStringLiteral("insertSilenceMenu"));
    m_popups.append({m_insertSilence, "0100010F"});
    add(m_insertSilence, {kInsertSilenceBegin, kInsertSilenceCurrent, kInsertSilenceEnd});
    add(edit, {0, kMixWithCopy, kMixWithFile, 0, kTag});

    add(popup("01000200"), {kZoomIn, kZoomOut, 0, kScrollToBegin, kScrollToEnd});
    add(popup("01000300"), {kAddBlankTrack, 0, kToMonoLeft, kToMonoRight, 0, kSplit, kJoinAllTrack,
                            0, kExportTrack, kExportSelection, 0, kDeleteTrack});
    add(popup("01000400"), {kFadeIn, kFadeOut, kEcho, kAdjustVolume, kSilence});
    add(popup("01000500"),
        {kStartRecord, kRecordPause, kRecordContinue, kStopRecord, 0, kRecordOption});
    add(popup("01000600"), {kOptions});
    add(popup("01000700"), {kHelp, 0, kAbout});
}

QAction* CCommandSet::RecentFileItem() const
{
    return m_recentFile ? m_recentFile->menuAction() : nullptr;
}

QAction* CCommandSet::RecentProjectItem() const
{
    return m_recentProject ? m_recentProject->menuAction() : nullptr;
}

void CCommandSet::AddToolButton(QToolBar* bar, int toolbarId, int commandId)
{
    QAction* action = m_actions.value(commandId);
    bar->addAction(action);
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action))) {
        button->setObjectName(QStringLiteral("id%1").arg(toolbarId));
        button->setProperty("commandId", commandId);
        button->setAutoRaise(true);
    }
    m_toolbarActions.insert(toolbarId, action);
    action->setIcon(app::ToolIcon(toolbarId));
}

QToolBar* CCommandSet::BuildToolBar(QWidget* parent, const QString& name,
                                    std::span<const ToolButton> buttons)
{
    auto* bar = new QToolBar(parent);
    bar->setObjectName(name);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(32, 32));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolButton& b : buttons) {
        if (b.toolbarId == 0) {
            bar->addSeparator();
            continue;
        }
        AddToolButton(bar, b.toolbarId, b.commandId);
        m_tooltipKeys.insert(b.toolbarId, b.tooltipKey);
    }
    return bar;
}

QToolBar* CCommandSet::BuildMainToolBar(QWidget* parent)
{
    return BuildToolBar(parent, QStringLiteral("mainToolBar"), kMainTools);
}

QToolBar* CCommandSet::BuildPlayToolBar(QWidget* parent, QWidget* playingTime)
{
    QToolBar* bar = BuildToolBar(parent, QStringLiteral("playToolBar"), kPlayTools);
    if (playingTime)
        bar->addWidget(playingTime);
    return bar;
}

QToolBar* CCommandSet::BuildRecordToolBar(QWidget* parent)
{
    return BuildToolBar(parent, QStringLiteral("recordToolBar"), kRecordTools);
}

void CCommandSet::LoadTexts()
{
    for (auto it = m_captionKeys.cbegin(); it != m_captionKeys.cend(); ++it)
        it.key()->setText(app::LanguageText("menu", it.value().constData()));
    for (const auto& [menu, key] : m_popups)
        menu->setTitle(app::LanguageText("menu", key.constData()));
    // Toolbar tooltips live on the shared actions: menus do not show them.
    for (auto it = m_tooltipKeys.cbegin(); it != m_tooltipKeys.cend(); ++it)
        if (QAction* action = m_toolbarActions.value(it.key()))
            action->setToolTip(app::LanguageText("toolbar", it.value().constData()));
}
