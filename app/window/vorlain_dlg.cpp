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
#include "window/info_strip.h"
#include "window/window_messages.h"

#include "vorlain/kestrum.h"
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
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

using namespace cmd;

CVorlainDlg::CVorlainDlg(const app::StartupPaths& startup, QWidget* parent)
    : QMainWindow(parent), m_startup(startup)
{
    setObjectName(QStringLiteral("CVorlainDlg"));
    m_window = std::make_unique<vorlain::CRegistryWindow>(
        [this](UINT msg, WPARAM w, LPARAM l) { return OnMessage(msg, w, l); });
}

CVorlainDlg::~CVorlainDlg()
{
    // Whatever way the window ends, nothing keeps running behind it and the
    // session's temporary files go with it.
    m_state.disconnect(this);
    if (m_families) {
        m_families->record.JoinStop();
        m_families->file.CloseSession();
    }
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
    m_state.SetTempPath(app::ReadTmpPath());
    LoadTexts();
    LoadRecentMenu(app::kRecentFileSection);
    LoadRecentMenu(app::kRecentProjectSection);
    connect(&m_state, &app::CEditorState::Changed, this, &CVorlainDlg::Refresh);
    Refresh();
    m_control->Widget()->setFocus();
    VorlainOutputDebugString("CVorlainDlg::OnInitDialog OUT");
    return true;
}

void CVorlainDlg::OpenStartupPaths()
{
    const State::Batch batch(m_state);
    m_families->file.OfferRecovery();
    if (!m_startup.projectPath.isEmpty())
        m_families->file.OpenProjectPath(m_startup.projectPath);
    if (!m_startup.filePath.isEmpty())
        m_families->file.AddFile(m_startup.filePath);
    m_startup = {};
}

void CVorlainDlg::BuildWindow()
{
    auto* central = new QWidget(this);
    m_control = std::make_unique<CBrimsel>(central);
    m_context = std::make_unique<app::CommandContext>(app::CommandContext{
        m_state, *m_control, this, m_window->hwnd(),
        [this](const char* section) { LoadRecentMenu(section); }});
    m_families = std::make_unique<app::CCommands>(*m_context);
    connect(&m_families->play, &app::CPlayCommands::PlayingTime, this,
            [this](qint64 t) { m_playingValue->setText(app::TimeText(t)); });

    m_commands = new CCommandSet(this);
    connect(m_commands, &CCommandSet::Command, this, &CVorlainDlg::OnCommand);
    m_commands->BuildMenus(menuBar());
    for (auto [menu, section, first] :
         {std::tuple{m_commands->RecentFileMenu(), app::kRecentFileSection, kRecentFileFirst},
          std::tuple{m_commands->RecentProjectMenu(), app::kRecentProjectSection,
                     kRecentProjectFirst}})
        connect(menu, &QMenu::triggered, this, [this, section = section, first = first](QAction* a) {
            const State::Batch batch(m_state);
            m_families->file.OpenRecent(section, a->data().toInt() - first);
        });
    addToolBar(Qt::TopToolBarArea, m_commands->BuildToolBar(app::Bar::Main, this));
    addToolBar(Qt::TopToolBarArea,
               m_commands->BuildToolBar(app::Bar::Play, this, BuildPlayingTime()));
    addToolBar(Qt::TopToolBarArea, m_commands->BuildToolBar(app::Bar::Record, this));
    addToolBar(Qt::TopToolBarArea, BuildLinks());

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(5, 2, 5, 4);
    layout->setSpacing(4);
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

QWidget* CVorlainDlg::BuildPlayingTime()
{
    // "Playing Time:" and the time sit stacked at the end of the play toolbar.
    auto* playing = new QWidget(this);
    auto* layout = new QVBoxLayout(playing);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(0);
    m_playingCaption = new QLabel(playing);
    m_playingCaption->setObjectName(QStringLiteral("id%1").arg(kPlayingCaption));
    m_playingValue = new QLabel(app::TimeText(0), playing);
    m_playingValue->setObjectName(QStringLiteral("id%1").arg(kPlayingValue));
    QFont mono = m_playingValue->font();
    mono.setStyleHint(QFont::Monospace);
    mono.setFamily(QStringLiteral("monospace"));
    mono.setBold(true);
    m_playingValue->setFont(mono);
    layout->addWidget(m_playingCaption);
    layout->addWidget(m_playingValue);
    return playing;
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
        connect(link, &app::CLabelEx::clicked, this, [key = urlKey] {
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
}

void CVorlainDlg::LoadRecentMenu(const char* section)
{
    const bool files = qstrcmp(section, app::kRecentFileSection) == 0;
    m_commands->BuildRecentMenu(files ? app::Menu::RecentFile : app::Menu::RecentProject,
                                app::RecentSlots(section),
                                files ? kRecentFileFirst : kRecentProjectFirst);
}

// ---- commands and events -------------------------------------------------

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
    const app::CommandRow* row = app::FindCommand(id);
    if (m_state.IsBusy() || !row)
        return;
    const State::Batch batch(m_state);
    row->run(*m_families, id);
}

LRESULT CVorlainDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const State::Batch batch(m_state);
    switch (msg) {
    case vorlain::WM_TRACK_DELETE_REQUEST:
        m_families->tracks.DeleteTrack(static_cast<int>(wParam));
        break;
    case vorlain::WM_TRACK_RANGE_REQUEST:
        // All 64 bits travel: a range past 4294 s arrives whole.
        m_state.SetSelection(static_cast<int64_t>(wParam), static_cast<int64_t>(lParam));
        m_control->MoveSelectArea(m_state.CurrentTrack(), m_state.SelectionStart(),
                                  m_state.SelectionEnd());
        break;
    case vorlain::WM_ADD_TRACK_VIEW:
        m_control->AddTrack(reinterpret_cast<CTrack*>(wParam));
        break;
    case app::WM_RBUTTONDOWN:
        ShowContextMenu();
        break;
    default:
        break;
    }
    return 0;
}

void CVorlainDlg::OnSelectTrack(short trackId)
{
    m_state.SetCurrentTrack(trackId);
}

void CVorlainDlg::OnSelectingTime(const QVariant& from, const QVariant& to)
{
    m_state.SetSelection(from.toLongLong(), to.toLongLong());
}

void CVorlainDlg::OnTimeEditor(int control, qint64 time)
{
    const State::Batch batch(m_state);
    if (control == kStartEditor)
        m_state.SetSelection(time, m_state.SelectionEnd());
    else
        m_state.SetSelection(m_state.SelectionStart(), time);
    m_control->MoveSelectArea(m_state.CurrentTrack(), m_state.SelectionStart(),
                              m_state.SelectionEnd());
}

void CVorlainDlg::ShowContextMenu()
{
    const int64_t start = m_state.SelectionStart(), end = m_state.SelectionEnd();
    if (!m_state.Editor() || m_state.CurrentTrack() == 0 || m_state.IsBusy())
        return;
    const bool selection = end > 0 && end != start;
    if (!selection && end != start)
        return;
    if (m_contextMenu)
        m_contextMenu->deleteLater();
    m_contextMenu = m_commands->BuildContextMenu(selection, this);
    m_contextMenu->popup(QCursor::pos());
}

// ---- keyboard, drops, close ------------------------------------------------

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
        RunCommand(Action(kTbPause)->isEnabled() ? kTbPause : kTbPlay);
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
        if (Action(end ? kSelectToEnd : kSelectToStart)->isEnabled())
            m_families->edit.ExtendSelection(end);
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
    if (files && !m_state.IsBusy() && !m_state.IsRecording())
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
    if (m_state.IsBusy() || m_state.IsRecording())
        return;
    const State::Batch batch(m_state);
    QString project;
    for (const QString& path : paths)
        if (project.isEmpty() && path.endsWith(QLatin1String(".zvp"), Qt::CaseInsensitive))
            project = path;
    if (!project.isEmpty())
        m_families->file.OpenProjectAfterAsking(project);
    for (const QString& path : paths)
        if (!path.endsWith(QLatin1String(".zvp"), Qt::CaseInsensitive))
            m_families->file.AddFile(path);
}

void CVorlainDlg::closeEvent(QCloseEvent* event)
{
    const State::Batch batch(m_state);
    if (m_families->file.Exit())
        event->accept();
    else
        event->ignore();
}

// ---- drawing the state -------------------------------------------------------

void CVorlainDlg::Refresh()
{
    app::CommandState s = app::CommandState::Of(m_state);
    const int track = m_state.CurrentTrack();
    if (m_control->IsValid()) {
        s.visibleTracks = static_cast<int>(m_control->VisibleTracks().size());
        s.scrollable = track != 0 && m_control->IsScrollable(track) && !m_state.IsRecording();
    }
    // With no rows left there is nothing to save; without a track there is
    // no selection.
    if (s.visibleTracks == 0 && m_state.IsModified())
        m_state.SetModified(false);
    if (track == 0 || !m_state.Editor())
        m_state.ClearSelection();
    s.modified = m_state.IsModified();
    s.ReadKernel();
    m_commands->ApplyEnableRules(s);

    if (track == 0 || !m_state.Editor()) {
        m_strip->ShowSelection(0, 0, 0);
        m_strip->ShowNoTrack();
    } else if (track == m_state.RecordTrackId() && s.recording) {
        // The track being recorded grows under the capture thread: its name
        // and length are shown once the recording has ended.
        m_strip->ShowSelection(m_state.SelectionStart(), m_state.SelectionEnd(),
                               m_state.SelectionEnd());
    } else {
        TrackBaseInfo info{};
        Kestrum_GetTrackBaseInfo(m_state.Editor(), static_cast<uint32_t>(track), &info);
        m_strip->ShowSelection(m_state.SelectionStart(), m_state.SelectionEnd(), info.length);
        m_strip->ShowTrack(QString::fromUtf8(info.name), info.length);
    }

    // "trio.zvp* — Vorlain" while a changed project is open; Qt draws the
    // mark in place of [*] while the window is modified.
    const QString name = QFileInfo(m_state.ProjectPath()).fileName();
    setWindowTitle(name.isEmpty() ? Caption() + QStringLiteral("[*]")
                                  : name + QStringLiteral("[*] \u2014 ") + Caption());
    setWindowModified(m_state.IsModified());
}
