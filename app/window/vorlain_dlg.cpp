#include "window/vorlain_dlg.h"

#include "config/app_config.h"
#include "config/language.h"
#include "config/recent_files.h"
#include "main/prompts.h"
#include "widgets/label_ex.h"
#include "widgets/mini_timer.h"
#include "widgets/tool_icons.h"
#include "window/command_ids.h"
#include "window/command_set.h"
#include "window/enable_rules.h"
#include "window/info_strip.h"
#include "window/window_messages.h"

#include "vorlain/kestrum.h"
#include "vorlain/messages.h"
#include "vorlain/platform.h"
#include "vorlain/qt_registry_window.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

using namespace cmd;

namespace {

QString TrackName(CEditSession* editor, int trackId, int64_t* length)
{
    TrackBaseInfo info{};
    if (!Kestrum_GetTrackBaseInfo(editor, static_cast<uint32_t>(trackId), &info))
        return {};
    if (length)
        *length = info.length;
    return QString::fromUtf8(info.name);
}

} // namespace

CVorlainDlg::CVorlainDlg(const app::StartupPaths& startup, QWidget* parent)
    : QMainWindow(parent), m_startup(startup)
{
    setObjectName(QStringLiteral("CVorlainDlg"));
    m_window = std::make_unique<vorlain::CRegistryWindow>(
        [this](UINT msg, WPARAM w, LPARAM l) { return OnMessage(msg, w, l); });
    m_playTimer = new QTimer(this);
    m_playTimer->setInterval(50); // timer 666
    connect(m_playTimer, &QTimer::timeout, this, &CVorlainDlg::OnPlayTimer);
}

CVorlainDlg::~CVorlainDlg()
{
    // Whatever way the window ends, nothing keeps running behind it and the
    // session's temporary files go with it.
    if (m_recordStopper.joinable())
        m_recordStopper.join();
    ClosePlayer();
    CloseSession();
    qApp->removeEventFilter(this);
}

HWND CVorlainDlg::Hwnd() const
{
    return m_window->hwnd();
}

QAction* CVorlainDlg::Action(int commandId) const
{
    return m_commands->Action(commandId);
}

bool CVorlainDlg::IsPlayTimerActive() const
{
    return m_playTimer->isActive();
}

bool CVorlainDlg::Initialize()
{
    VorlainOutputDebugString("CVorlainDlg::OnInitDialog IN");
    setWindowIcon(app::AppIcon());
    BuildWindow();
    if (!m_control->IsValid()) {
        m_error = m_control->Error();
        return false;
    }
    m_control->SetMainHwnd(reinterpret_cast<intptr_t>(m_window->hwnd()));
    LoadTexts();
    SetPlayButtons(kNoTrack);

    m_tempPath = app::ReadTmpPath();
    LoadRecentMenus();
    UpdateCommands();
    UpdateLabels();
    m_control->Widget()->setFocus();
    VorlainOutputDebugString("CVorlainDlg::OnInitDialog OUT");
    return true;
}

void CVorlainDlg::OpenStartupPaths()
{
    OfferRecovery();
    if (!m_startup.projectPath.isEmpty()) {
        m_currentProjectPath = m_startup.projectPath;
        OpenProjectPath(m_startup.projectPath);
    }
    if (!m_startup.filePath.isEmpty())
        AddFile(m_startup.filePath);
    UpdateCommands();
    UpdateLabels();
}

void CVorlainDlg::BuildWindow()
{
    m_commands = new CCommandSet(this);
    connect(m_commands, &CCommandSet::Command, this, &CVorlainDlg::OnCommand);
    m_commands->BuildMenus(menuBar());
    connect(m_commands->RecentFileMenu(), &QMenu::triggered, this, [this](QAction* a) {
        OnOpenRecent(app::kRecentFileSection, a->data().toInt() - kRecentFileFirst);
    });
    connect(m_commands->RecentProjectMenu(), &QMenu::triggered, this, [this](QAction* a) {
        OnOpenRecent(app::kRecentProjectSection, a->data().toInt() - kRecentProjectFirst);
    });

    // Undo and Redo show their key in the caption, so their shortcuts live
    // here and run only while the item is enabled.
    for (auto [key, id] : {std::pair{"Ctrl+Z", kUndo}, std::pair{"Ctrl+Y", kRedo}}) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(key)), this);
        connect(shortcut, &QShortcut::activated, this, [this, id = id] { RunCommand(id); });
    }

    // "Playing Time:" and the time sit stacked at the end of the play toolbar.
    auto* playing = new QWidget(this);
    auto* playingLayout = new QVBoxLayout(playing);
    playingLayout->setContentsMargins(8, 0, 8, 0);
    playingLayout->setSpacing(0);
    m_playingCaption = new QLabel(playing);
    m_playingCaption->setObjectName(QStringLiteral("id%1").arg(kPlayingCaption));
    m_playingValue = new QLabel(QStringLiteral("00:00:00.000"), playing);
    m_playingValue->setObjectName(QStringLiteral("id%1").arg(kPlayingValue));
    QFont mono = m_playingValue->font();
    mono.setStyleHint(QFont::Monospace);
    mono.setFamily(QStringLiteral("monospace"));
    mono.setBold(true);
    m_playingValue->setFont(mono);
    playingLayout->addWidget(m_playingCaption);
    playingLayout->addWidget(m_playingValue);

    addToolBar(Qt::TopToolBarArea, m_commands->BuildMainToolBar(this));
    addToolBar(Qt::TopToolBarArea, m_commands->BuildPlayToolBar(this, playing));
    addToolBar(Qt::TopToolBarArea, m_commands->BuildRecordToolBar(this));
    addToolBar(Qt::TopToolBarArea, BuildLinks());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(5, 2, 5, 4);
    layout->setSpacing(4);
    m_control = std::make_unique<CBrimsel>(central);
    if (m_control->IsValid()) {
        QWidget* control = m_control->Widget();
        control->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        control->setMinimumSize(400, 200);
        // The waves hold the keyboard (Space, Delete, Home...) unless a time
        // editor is being typed in; a click on a row brings it back.
        control->setFocusPolicy(Qt::StrongFocus);
        setFocusProxy(control);
        layout->addWidget(control, 1);
        connect(control, SIGNAL(SelectTrack(short)), this, SLOT(OnSelectTrack(short)));
        connect(control, SIGNAL(SelectingTime(QVariant, QVariant)), this,
                SLOT(OnSelectingTime(QVariant, QVariant)));
    }
    m_strip = new CInfoStrip(central);
    layout->addWidget(m_strip);
    connect(m_strip, &CInfoStrip::TimeEdited, this, &CVorlainDlg::OnTimeEditor);
    connect(m_strip, &CInfoStrip::ExitClicked, this, [this] { close(); });
    setCentralWidget(central);

    qApp->installEventFilter(this);
    setAcceptDrops(true);
    resize(1100, 700);
}

QToolBar* CVorlainDlg::BuildLinks()
{
    // The product's pages, at the right end of the toolbar row.
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("linkBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    for (auto [captionKey, urlKey] :
         {std::pair{"00000030", "00000031"}, std::pair{"00000032", "00000033"}}) {
        auto* link = new app::CLabelEx(bar);
        link->setObjectName(QStringLiteral("link%1").arg(QLatin1String(urlKey)));
        link->setProperty("captionKey", QByteArray(captionKey));
        link->setContentsMargins(8, 0, 8, 0);
        connect(link, &app::CLabelEx::clicked, this, [this, key = urlKey] {
            app::Prompts().OpenExternal(QUrl(app::LanguageText("main", key)));
        });
        bar->addWidget(link);
        m_links << link;
    }
    return bar;
}

void CVorlainDlg::LoadTexts()
{
    for (QLabel* link : m_links)
        link->setText(app::LanguageText("main", link->property("captionKey").toByteArray()));
    m_commands->LoadTexts();
    m_strip->LoadTexts();
    m_playingCaption->setText(app::LanguageText("toolbar", "02000012"));
    UpdateTitle();
}

QString CVorlainDlg::Caption() const
{
    return app::LanguageText("main", "00000000");
}

void CVorlainDlg::UpdateTitle()
{
    // "trio.zvp* — Vorlain" while a changed project is open; Qt draws the
    // mark in place of [*] while the window is modified.
    const QString name = QFileInfo(m_currentProjectPath).fileName();
    setWindowTitle(name.isEmpty() ? Caption() + QStringLiteral("[*]")
                                  : name + QStringLiteral("[*] \u2014 ") + Caption());
    setWindowModified(m_modified);
}

// ---- recent lists -------------------------------------------------------

void CVorlainDlg::LoadRecentMenus()
{
    BuildRecentMenu(app::kRecentFileSection);
    BuildRecentMenu(app::kRecentProjectSection);
}

void CVorlainDlg::BuildRecentMenu(const char* section)
{
    const bool files = qstrcmp(section, app::kRecentFileSection) == 0;
    QMenu* menu = files ? m_commands->RecentFileMenu() : m_commands->RecentProjectMenu();
    const int first = files ? kRecentFileFirst : kRecentProjectFirst;
    menu->clear();
    const QStringList paths = app::RecentSlots(section);
    for (int n = 0; n < paths.size(); ++n) {
        if (paths.at(n).isEmpty())
            continue;
        QAction* item = menu->addAction(paths.at(n));
        item->setData(first + n);
        item->setObjectName(QStringLiteral("id%1").arg(first + n));
    }
    menu->menuAction()->setEnabled(!menu->isEmpty());
}

// ---- commands ---------------------------------------------------------------

bool CVorlainDlg::RunCommand(int commandId)
{
    QAction* action = m_commands->Action(commandId);
    if (!action || !action->isEnabled())
        return false;
    action->trigger();
    return true;
}

void CVorlainDlg::OnCommand(int id)
{
    // One long operation at a time: nothing runs while a worker does.
    if (m_longOperation)
        return;
    switch (id) {
    case kAddFile:
        OnAddFile();
        break;
    case kOpenProject:
        OnOpenProject();
        break;
    case kSaveProject:
        OnSaveProject();
        break;
    case kSaveProjectAs:
        OnSaveProjectAs();
        break;
    case kCloseProject:
        OnCloseProject();
        break;
    case kExit:
        close();
        break;
    case kUndo:
        OnUndo();
        break;
    case kRedo:
        OnRedo();
        break;
    case kCut:
        OnCut();
        break;
    case kCopy:
        OnCopy();
        break;
    case kCopyToNew:
        OnCopyToNew();
        break;
    case kPaste:
        OnPaste(false);
        break;
    case kPasteToEnd:
        OnPaste(true);
        break;
    case kTrim:
        OnTrim();
        break;
    case kDelete:
        OnDelete();
        break;
    case kSelectAll:
    case kSelectNone:
    case kSelectToStart:
    case kSelectToEnd:
        OnSelect(id);
        break;
    case kInsertFileBegin:
    case kInsertFileCurrent:
    case kInsertFileEnd:
        OnInsertFile(id);
        break;
    case kInsertSilenceBegin:
    case kInsertSilenceCurrent:
    case kInsertSilenceEnd:
        OnInsertSilence(id);
        break;
    case kMixWithCopy:
        OnMixWithCopy();
        break;
    case kMixWithFile:
        OnMixWithFile();
        break;
    case kTag:
        OnTag();
        break;
    case kZoomIn:
        OnZoom(true);
        break;
    case kZoomOut:
        OnZoom(false);
        break;
    case kScrollToBegin:
    case kTbScrollToBegin:
        OnScroll(false);
        break;
    case kScrollToEnd:
    case kTbScrollToEnd:
        OnScroll(true);
        break;
    case kAddBlankTrack:
        OnAddBlankTrack();
        break;
    case kToMonoLeft:
        OnToMono(1);
        break;
    case kToMonoRight:
        OnToMono(2);
        break;
    case kSplit:
        OnSplit();
        break;
    case kJoinAllTrack:
        OnJoinAllTrack();
        break;
    case kExportTrack:
        OnExport(false);
        break;
    case kExportSelection:
        OnExport(true);
        break;
    case kDeleteTrack:
        OnDeleteTrack();
        break;
    case kFadeIn:
    case kFadeOut:
    case kEcho:
    case kAdjustVolume:
    case kSilence:
        OnEffect(id);
        break;
    case kStartRecord:
        OnStartRecord();
        break;
    case kRecordPause:
        OnRecordPause();
        break;
    case kRecordContinue:
        OnRecordContinue();
        break;
    case kStopRecord:
        OnRecordStop();
        break;
    case kRecordOption:
        OnRecordOption();
        break;
    case kOptions:
        OnOptions();
        break;
    case kHelp:
        OnHelp();
        break;
    case kAbout:
        OnAbout();
        break;
    case kTbPlay:
        OnPlay();
        break;
    case kTbPause:
        OnPausePlayback();
        break;
    case kTbStop:
        OnStopPlayback();
        break;
    default:
        break;
    }
}

void CVorlainDlg::ShowKernelFailure(const char* format)
{
    const QString text = QString::asprintf(format, Kestrum_GetLastError());
    app::ShowMessage(this, Caption(), text, QMessageBox::Critical);
}

// ---- messages from the control and the workers -----------------------------

LRESULT CVorlainDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case vorlain::WM_TRACK_DELETE_REQUEST:
        OnTrackDeleteRequest(static_cast<int>(wParam));
        break;
    case vorlain::WM_TRACK_RANGE_REQUEST:
        // All 64 bits travel: a range past 4294 s arrives whole.
        OnTrackRangeRequest(static_cast<int64_t>(wParam), static_cast<int64_t>(lParam));
        break;
    case vorlain::WM_ADD_TRACK_VIEW:
        m_control->AddTrack(reinterpret_cast<CTrack*>(wParam));
        break;
    case app::WM_RBUTTONDOWN:
        ShowContextMenu();
        break;
    case app::WM_RECORD_STOPPED:
        OnRecordStopped(wParam != 0);
        break;
    default:
        break;
    }
    return 0;
}

void CVorlainDlg::OnSelectTrack(short trackId)
{
    m_currentTrack = trackId;
    UpdateCommands();
    UpdateLabels();
}

void CVorlainDlg::OnSelectingTime(const QVariant& from, const QVariant& to)
{
    m_selStart = from.toLongLong();
    m_selEnd = to.toLongLong();
    UpdateCommands();
    UpdateLabels();
}

void CVorlainDlg::OnTimeEditor(int control, qint64 time)
{
    if (control == kStartEditor)
        m_selStart = time;
    else
        m_selEnd = time;
    m_control->MoveSelectArea(m_currentTrack, m_selStart, m_selEnd);
    UpdateCommands();
    UpdateLabels();
}

void CVorlainDlg::OnTrackDeleteRequest(int trackId)
{
    if (!Kestrum_DeleteTrack(m_editor, static_cast<uint32_t>(trackId))) {
        const QString text = QString::asprintf("Failed! Error:0x%.8x", Kestrum_GetLastError());
        app::ShowMessage(this, Caption(), text, QMessageBox::Critical);
        return;
    }
    m_control->EnableTrack(trackId, false);
    ClearSelection();
    m_currentTrack = 0;
    SetModified(true);
    UpdateCommands();
    UpdateLabels();
    CheckPlayback();
}

void CVorlainDlg::OnTrackRangeRequest(int64_t from, int64_t to)
{
    m_selStart = from;
    m_selEnd = to;
    m_control->MoveSelectArea(m_currentTrack, from, to);
    UpdateCommands();
    UpdateLabels();
}

void CVorlainDlg::ShowContextMenu()
{
    if (!m_editor || m_currentTrack == 0 || m_longOperation)
        return;
    const bool selection = m_selEnd > 0 && m_selEnd != m_selStart;
    if (!selection && m_selEnd != m_selStart)
        return;

    if (m_contextMenu)
        m_contextMenu->deleteLater();
    qDeleteAll(m_contextActions);
    m_contextActions.clear();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("contextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_contextMenu = menu;

    // Undo and Redo: the Edit menu's caption, or a disabled plain text.
    auto history = [this, menu](int id, const char* disabledSection, const char* disabledKey) {
        QAction* shared = Action(id);
        if (shared->isEnabled()) {
            menu->addAction(shared);
            return;
        }
        auto* item = new QAction(app::LanguageText(disabledSection, disabledKey), this);
        item->setEnabled(false);
        item->setData(id);
        m_contextActions << item;
        menu->addAction(item);
    };
    auto add = [this, menu](std::initializer_list<int> ids) {
        for (int id : ids) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(Action(id));
        }
    };
    if (selection) {
        history(kUndo, "toolbar", "02000006");
        history(kRedo, "toolbar", "02000007");
        add({0, kCut, kCopy, kTrim, kDelete, 0, kFadeIn, kFadeOut, kEcho, kAdjustVolume, kSilence,
             0, kExportSelection});
    } else {
        history(kUndo, "menu", "01000101");
        history(kRedo, "menu", "01000102");
        add({0, kPaste, 0});
        // The two insert popups, as single items that insert at the cursor.
        for (auto [key, id] : {std::pair{"0100010E", kInsertFileCurrent},
                               std::pair{"0100010F", kInsertSilenceCurrent}}) {
            auto* item = new QAction(app::LanguageText("menu", key), this);
            item->setData(id);
            item->setEnabled(Action(id)->isEnabled());
            connect(item, &QAction::triggered, this, [this, id = id] { OnCommand(id); });
            m_contextActions << item;
            menu->addAction(item);
        }
        add({0, kSelectAll, kSelectToStart, kSelectToEnd, 0, kSplit, kExportTrack, kDeleteTrack, 0,
             kTag});
    }
    menu->popup(QCursor::pos());
}

// ---- keyboard ------------------------------------------------------------------

bool CVorlainDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            // The main window never closes on Escape (menus and dialogs still do).
            if (key->key() == Qt::Key_Escape)
                return true;
            if (OnEditorKey(key))
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool CVorlainDlg::OnEditorKey(QKeyEvent* key)
{
    // Keys of the editor itself, as people know them from other audio
    // editors; none while a text field has the keyboard (a time editor).
    QWidget* focus = QApplication::focusWidget();
    if (focus && (qobject_cast<app::CMiniTimer*>(focus) || qobject_cast<QLineEdit*>(focus) ||
                  qobject_cast<QAbstractSpinBox*>(focus) || focus->inherits("QTextEdit") ||
                  focus->inherits("QPlainTextEdit")))
        return false;
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key->isAutoRepeat() && key->key() != Qt::Key_Delete)
        return false;
    switch (key->key()) {
    case Qt::Key_Space:
        if (mods != Qt::NoModifier)
            return false;
        // As the Play and Pause buttons: pause while playing, else play
        // (from the selection's start, or on from a pause).
        if (Action(kTbPause)->isEnabled())
            RunCommand(kTbPause);
        else
            RunCommand(kTbPlay);
        return true;
    case Qt::Key_Home:
    case Qt::Key_End: {
        const bool end = key->key() == Qt::Key_End;
        if (mods == Qt::NoModifier) {
            RunCommand(end ? kScrollToEnd : kScrollToBegin);
            return true;
        }
        if (mods != Qt::ShiftModifier)
            return false;
        // The selection reaches to the track's start or end.
        if (!Action(end ? kSelectToEnd : kSelectToStart)->isEnabled())
            return true;
        if (end) {
            m_selEnd = TrackLength();
        } else {
            m_selEnd = std::max(m_selEnd, m_selStart); // an empty selection is a cursor
            m_selStart = 0;
        }
        m_control->MoveSelectArea(m_currentTrack, m_selStart, m_selEnd);
        UpdateCommands();
        UpdateLabels();
        return true;
    }
    case Qt::Key_Delete:
        if (mods != Qt::NoModifier)
            return false;
        RunCommand(kDelete);
        return true;
    default:
        return false;
    }
}

void CVorlainDlg::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    const bool files = !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& u) {
        return u.isLocalFile();
    });
    if (files && !m_longOperation && !m_recording)
        event->acceptProposedAction();
}

void CVorlainDlg::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    // The drop ends first: opening runs dialogs of its own.
    QTimer::singleShot(0, this, [this, paths] { OpenDropped(paths); });
}

void CVorlainDlg::OpenDropped(const QStringList& paths)
{
    if (m_longOperation || m_recording)
        return;
    QStringList audio;
    QString project;
    for (const QString& path : paths) {
        if (path.endsWith(QLatin1String(".zvp"), Qt::CaseInsensitive))
            project = project.isEmpty() ? path : project;
        else
            audio << path;
    }
    if (!project.isEmpty()) {
        if (m_editor && !AskAndSave(false))
            return;
        CloseSession();
        SetPlayButtons(kNoTrack);
        m_currentProjectPath = project;
        OpenProjectPath(project);
    }
    for (const QString& path : audio)
        AddFile(path);
}

void CVorlainDlg::closeEvent(QCloseEvent* event)
{
    if (ExitFlow())
        event->accept();
    else
        event->ignore();
}

// ---- state upkeep -------------------------------------------------------------

bool CVorlainDlg::HasSelection() const
{
    return m_currentTrack != 0 && m_selEnd != 0 && m_selEnd > m_selStart;
}

int64_t CVorlainDlg::TrackLength() const
{
    return m_editor && m_currentTrack
               ? Kestrum_GetTrackTime(m_editor, static_cast<uint32_t>(m_currentTrack))
               : 0;
}

void CVorlainDlg::ClearSelection()
{
    m_selStart = 0;
    m_selEnd = 0;
}

bool CVorlainDlg::EnsureEditor()
{
    if (!m_editor)
        m_editor = Kestrum_Open(m_tempPath.toUtf8().constData());
    return m_editor != nullptr;
}

void CVorlainDlg::SetModified(bool modified)
{
    m_modified = modified;
    UpdateTitle();
}

void CVorlainDlg::UpdateCommands()
{
    app::CommandState state;
    state.editor = m_editor;
    state.currentTrack = m_currentTrack;
    state.selStart = m_selStart;
    state.selEnd = m_selEnd;
    state.recording = m_recording || IsRecordStopping();
    state.recordPaused = m_recordPaused;
    state.recordStopping = IsRecordStopping();
    state.playerStatus = m_player ? AudioPlay_QueryStauts(m_player) : -1;
    if (m_control->IsValid())
        state.visibleTracks = static_cast<int>(m_control->VisibleTracks().size());
    // With no rows left there is nothing to save.
    if (state.visibleTracks == 0 && m_modified)
        SetModified(false);
    state.modified = m_modified;
    state.ReadKernel();
    app::ApplyEnableRules(*m_commands, state);
    // The context menu's two popup items follow the items they stand for.
    for (QAction* item : m_contextActions)
        if (item->data().toInt() != kUndo && item->data().toInt() != kRedo)
            item->setEnabled(Action(item->data().toInt())->isEnabled());
    SetPlayButtons(m_playState);
}

void CVorlainDlg::UpdateLabels()
{
    if (m_currentTrack == 0 || !m_editor) {
        ClearSelection();
        m_strip->ShowSelection(0, 0, 0);
        m_strip->ShowNoTrack();
        return;
    }
    // The track being recorded grows under the capture thread: its name
    // and length are shown once the recording has ended.
    if (m_currentTrack == m_recordTrackId && (m_recording || IsRecordStopping())) {
        m_strip->ShowSelection(m_selStart, m_selEnd, m_selEnd);
        return;
    }
    int64_t length = 0;
    const QString name = TrackName(m_editor, m_currentTrack, &length);
    m_strip->ShowSelection(m_selStart, m_selEnd, length);
    m_strip->ShowTrack(name, length);
}

void CVorlainDlg::SetPlayButtons(int state)
{
    m_playState = state;
    const bool scrollable = m_currentTrack != 0 && m_control->IsValid() &&
                            m_control->IsScrollable(m_currentTrack) && !m_recording;
    bool play = false, pause = false, stop = false, scroll = false;
    switch (state) {
    case kStopped:
    case kPlayable:
        play = true;
        scroll = scrollable;
        break;
    case kPlaying:
        pause = stop = true;
        break;
    case kPaused:
        play = stop = true;
        break;
    default:
        break;
    }
    // Play needs a track to play, and nothing to record over it.
    play = play && m_currentTrack != 0 && !m_recording && !m_longOperation;
    Action(kTbPlay)->setEnabled(play);
    Action(kTbPause)->setEnabled(pause);
    Action(kTbStop)->setEnabled(stop);
    Action(kTbScrollToBegin)->setEnabled(scroll);
    Action(kTbScrollToEnd)->setEnabled(scroll);
}

void CVorlainDlg::CheckPlayback()
{
    const QList<int> visible = m_control->VisibleTracks();
    const bool playingShown = m_playingTrack != 0 && visible.contains(m_playingTrack);
    if (!playingShown && m_player)
        ClosePlayer();
    // A player that goes on keeps its Pause and Stop.
    const int status = m_player ? AudioPlay_QueryStauts(m_player) : 0;
    SetPlayButtons(visible.isEmpty() ? kNoTrack
                   : status == 1     ? kPlaying
                   : status == 2     ? kPaused
                                     : kStopped);
    UpdateCommands();
}

void CVorlainDlg::AfterRangeEdit()
{
    ActionRecord action{};
    if (!Kestrum_GetLastActionAttr(m_editor, &action)) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        return;
    }
    m_selStart = action.redoFrom;
    m_selEnd = action.redoTo;
    m_control->ForceRedrawTrackEx(m_currentTrack, true, m_selStart, m_selEnd);
    SetModified(true);
    UpdateCommands();
    UpdateLabels();
}

void CVorlainDlg::AfterSampleEdit()
{
    m_control->ForceRedrawTrackEx(m_currentTrack, true, m_selStart, m_selEnd);
    SetModified(true);
    UpdateCommands();
    UpdateLabels();
}
