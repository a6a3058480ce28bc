#include "window/vorlain_dlg.h"

#include "config/app_config.h"
#include "config/language.h"
#include "config/recent_files.h"
#include "main/prompts.h"
#include "widgets/notice_bar.h"
#include "widgets/tool_icons.h"
#include "window/command_ids.h"
#include "window/command_set.h"
#include "window/editor_input.h"
#include "window/info_strip.h"
#include "window/tool_row_parts.h"
#include "window/window_messages.h"

#include "vorlain/kestrum.h"
#include "vorlain/platform.h"
#include "vorlain/qt_registry_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

using namespace cmd;

CVorlainDlg::CVorlainDlg(app::StartupPaths startup, QWidget* parent)
    : QMainWindow(parent), m_startup(std::move(startup))
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
        m_families->file.OpenProjectPath(m_startup.projectPath, std::move(m_startup.preload));
    if (!m_startup.filePath.isEmpty())
        m_families->file.AddFile(m_startup.filePath);
    m_startup = {};
}

void CVorlainDlg::BuildWindow()
{
    auto* central = new QWidget(this);
    m_control = std::make_unique<CBrimsel>(central);
    m_context = std::make_unique<app::CommandContext>(
        app::CommandContext{m_state,
                            *m_control,
                            this,
                            m_window->hwnd(),
                            [this](const char* section) { LoadRecentMenu(section); },
                            nullptr,
                            {}});
    m_families = std::make_unique<app::CCommands>(*m_context);
    m_playingTime = new CPlayingTime(this);
    connect(&m_families->play, &app::CPlayCommands::PlayingTime, m_playingTime,
            &CPlayingTime::Show);

    m_commands = new CCommandSet(this);
    connect(m_commands, &CCommandSet::Command, this, &CVorlainDlg::OnCommand);
    m_commands->BuildMenus(menuBar());
    for (auto [menu, section, first] :
         {std::tuple{m_commands->RecentFileMenu(), app::kRecentFileSection, kRecentFileFirst},
          std::tuple{m_commands->RecentProjectMenu(), app::kRecentProjectSection,
                     kRecentProjectFirst}})
        connect(menu, &QMenu::triggered, this,
                [this, section = section, first = first](QAction* a) {
                    const State::Batch batch(m_state);
                    m_families->file.OpenRecent(section, a->data().toInt() - first);
                });
    addToolBar(Qt::TopToolBarArea, m_commands->BuildToolBar(app::Bar::Main, this));
    addToolBar(Qt::TopToolBarArea, m_commands->BuildToolBar(app::Bar::Play, this, m_playingTime));
    addToolBar(Qt::TopToolBarArea, m_commands->BuildToolBar(app::Bar::Record, this));
    m_links = new CLinkBar(this);
    addToolBar(Qt::TopToolBarArea, m_links);

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
        m_control->OnEvents([this](int id) { m_state.SetCurrentTrack(id); },
                            [this](int64_t from, int64_t to) { m_state.SetSelection(from, to); });
    }
    m_notice = new CNoticeBar(central);
    layout->addWidget(m_notice);
    m_context->notice = [this](const QString& text, const QString& folder) {
        m_notice->Show(text, folder);
    };
    m_strip = new CInfoStrip(central);
    layout->addWidget(m_strip);
    connect(m_strip, &CInfoStrip::TimeEdited, this, &CVorlainDlg::OnTimeEditor);
    connect(m_strip, &CInfoStrip::ExitClicked, this, [this] { close(); });
    setCentralWidget(central);

    new CEditorInput(this, *m_commands,
                     {[this](bool toEnd) {
                          const State::Batch batch(m_state);
                          m_families->edit.ExtendSelection(toEnd);
                      },
                      [this] { return !m_state.IsBusy() && !m_state.IsRecording(); },
                      [this](const QStringList& paths) {
                          const State::Batch batch(m_state);
                          m_families->file.OpenPaths(paths);
                      }});
    setAcceptDrops(true);
    resize(1100, 700);
}

void CVorlainDlg::LoadTexts()
{
    m_links->LoadTexts();
    m_commands->LoadTexts();
    m_strip->LoadTexts();
    m_playingTime->LoadTexts();
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

// ---- closing ----------------------------------------------------------------

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
        s.zoomOutAble = m_control->CanZoomOut();
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

    m_strip->ShowState(m_state);

    // "trio.zvp* — Vorlain" while a changed project is open; Qt draws the
    // mark in place of [*] while the window is modified.
    const QString name = QFileInfo(m_state.ProjectPath()).fileName();
    setWindowTitle(name.isEmpty() ? Caption() + QStringLiteral("[*]")
                                  : name + QStringLiteral("[*] \u2014 ") + Caption());
    setWindowModified(m_state.IsModified());
}
