// The editor's main window: menus, toolbars, the hosted display control,
// the time editors and the information strip. It holds no editing state of
// its own: the editor state does, the command families change it, and the
// window draws what it says each time it changes. Control events, the
// keyboard, drops and the control's messages become commands or state.
#pragma once

#include "commands/commands.h"
#include "main/command_line.h"
#include "state/editor_state.h"
#include "window/brimsel.h"

#include "vorlain/window.h"

#include <QMainWindow>
#include <QMenu>
#include <QPointer>

#include <memory>

class CCommandSet;
class CInfoStrip;
class CLinkBar;
class CNoticeBar;
class CPlayingTime;
class QMenu;
class QToolBar;
namespace vorlain {
class CRegistryWindow;
}

class CVorlainDlg : public QMainWindow {
    Q_OBJECT
public:
    using State = app::CEditorState;
    static constexpr int kNoTrack = State::kNoTrack;
    static constexpr int kStopped = State::kStopped;
    static constexpr int kPlaying = State::kPlaying;
    static constexpr int kPaused = State::kPaused;

    explicit CVorlainDlg(app::StartupPaths startup = {}, QWidget* parent = nullptr);
    ~CVorlainDlg() override;

    /** The window's start: texts, layout, the temporary path and the
     *  recent menus. False when the display control cannot be created
     *  (Error() says why). */
    bool Initialize();
    /** Opens the project or adds the file the command line named; runs once
     *  the window is up, since both show progress dialogs over it. */
    void OpenStartupPaths();
    QString Error() const { return m_error; }

    /** Runs a command as its menu item would, if that item is enabled now.
     *  Returns whether it ran. */
    bool RunCommand(int commandId);
    QAction* Action(int commandId) const;
    CBrimsel& Control() { return *m_control; }
    CCommandSet& Commands() { return *m_commands; }
    const State& EditorState() const { return m_state; }

    // The editing state, for tests.
    CEditSession* Editor() const { return m_state.Editor(); }
    int CurrentTrack() const { return m_state.CurrentTrack(); }
    int64_t SelectionStart() const { return m_state.SelectionStart(); }
    int64_t SelectionEnd() const { return m_state.SelectionEnd(); }
    CAudoPlayMgr* Player() const { return m_state.Player(); }
    int PlayingTrack() const { return m_state.PlayingTrack(); }
    bool IsRecording() const { return m_state.IsRecording(); }
    bool IsRecordPaused() const { return m_state.IsRecordPaused(); }
    bool IsRecordStopping() const { return m_state.IsRecordStopping(); }
    int RecordTrackId() const { return m_state.RecordTrackId(); }
    bool IsModified() const { return m_state.IsModified(); }
    QString CurrentProjectPath() const { return m_state.ProjectPath(); }
    QString TempPath() const { return m_state.TempPath(); }
    int PlayButtonState() const { return m_state.PlayState(); }
    bool IsPlayTimerActive() const { return m_families->play.IsTimerActive(); }
    /** The notice shown after a file was written (hidden when none is). */
    CNoticeBar* Notice() const { return m_notice; }
    /** The context menu last shown (null before the first). */
    QMenu* ContextMenu() const { return m_contextMenu; }
    HWND Hwnd() const;
    /** The program's name: the caption of its message boxes. */
    QString Caption() const { return m_context->Caption(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void LoadTexts();
    void LoadRecentMenu(const char* section);

    void OnCommand(int commandId);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnTimeEditor(int control, qint64 time);
    void ShowContextMenu();

    /** Draws what the state says: enabled commands, labels, the title. */
    void Refresh();

    app::StartupPaths m_startup;
    QString m_error;
    State m_state;
    std::unique_ptr<vorlain::CRegistryWindow> m_window;
    std::unique_ptr<CBrimsel> m_control;
    std::unique_ptr<app::CommandContext> m_context;
    std::unique_ptr<app::CCommands> m_families;
    CCommandSet* m_commands = nullptr;
    CInfoStrip* m_strip = nullptr;
    CNoticeBar* m_notice = nullptr;
    CPlayingTime* m_playingTime = nullptr;
    CLinkBar* m_links = nullptr;
    QPointer<QMenu> m_contextMenu;
};
