// The editor's main window: menus, toolbars, the hosted display control,
// the time editors and the information strip. It holds the whole editing
// state of the program (the current track, the selection, what plays or
// records), turns every command and every control event into calls of the
// kernel and of the control, and keeps the commands' enabled states and
// captions in step with that state.
#pragma once

#include "longops/edit_job.h"
#include "main/command_line.h"
#include "window/brimsel.h"

#include "vorlain/window.h"

#include <QMainWindow>
#include <QMenu>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <thread>

class CEditSession;
class CTrack;
class CAudoPlayMgr;
class CCommandSet;
class CInfoStrip;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QVariant;
namespace vorlain {
class CRegistryWindow;
}

class CVorlainDlg : public QMainWindow {
    Q_OBJECT
public:
    /** Play button states: the buttons each state enables. */
    enum PlayState { kNoTrack = -1, kStopped = 0, kPlaying = 1, kPaused = 2, kPlayable = 3 };

    explicit CVorlainDlg(const app::StartupPaths& startup = {}, QWidget* parent = nullptr);
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

    // The editing state, for the window's own helpers and for tests.
    CEditSession* Editor() const { return m_editor; }
    int CurrentTrack() const { return m_currentTrack; }
    int64_t SelectionStart() const { return m_selStart; }
    int64_t SelectionEnd() const { return m_selEnd; }
    CAudoPlayMgr* Player() const { return m_player; }
    int PlayingTrack() const { return m_playingTrack; }
    bool IsRecording() const { return m_recording; }
    bool IsRecordPaused() const { return m_recordPaused; }
    bool IsRecordStopping() const { return m_recordStopper.joinable(); }
    int RecordTrackId() const { return m_recordTrackId; }
    bool IsModified() const { return m_modified; }
    QString CurrentProjectPath() const { return m_currentProjectPath; }
    QString TempPath() const { return m_tempPath; }
    int PlayButtonState() const { return m_playState; }
    bool IsPlayTimerActive() const;
    /** The context menu last shown (null before the first). */
    QMenu* ContextMenu() const { return m_contextMenu; }
    HWND Hwnd() const;
    /** The program's name: the caption of its message boxes. */
    QString Caption() const;

    /** Shows a kernel failure: format is one of the three message formats
     *  ("Failed! ErrorCode=0x%.8x", ...), filled with Kestrum_GetLastError. */
    void ShowKernelFailure(const char* format);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void OnCommand(int commandId);
    void OnSelectTrack(short trackId);
    void OnSelectingTime(const QVariant& from, const QVariant& to);
    void OnTimeEditor(int control, qint64 time);
    void OnPlayTimer();

private:
    // Building the window.
    void BuildWindow();
    QToolBar* BuildLinks();
    void LoadTexts();
    void LoadRecentMenus();
    void BuildRecentMenu(const char* section);

    // Messages from the control, the workers and the kernel.
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnTrackDeleteRequest(int trackId);
    void OnTrackRangeRequest(int64_t from, int64_t to);
    void ShowContextMenu();
    bool OnEditorKey(QKeyEvent* key);
    /** Dropped files: a project opens, audio files are added in turn. */
    void OpenDropped(const QStringList& paths);

    // State upkeep.
    void UpdateCommands();
    void UpdateLabels();
    void SetPlayButtons(int state);
    void CheckPlayback();
    void SetModified(bool modified);
    void UpdateTitle();
    bool EnsureEditor();
    void ClearSelection();
    /** After a successful edit: the action record's redo selection becomes
     *  the selection and the track is redrawn with it. */
    void AfterRangeEdit();
    /** Cut, trim and delete: one kernel call on the selection; a failure is
     *  shown with its code in that command's spelling. */
    void RangeEdit(int (*edit)(CEditSession*, uint32_t, int64_t, int64_t), const char* failure);
    /** As after an effect: redraw with the unchanged selection. */
    void AfterSampleEdit();
    bool HasSelection() const;
    int64_t TrackLength() const;

    // File commands (commands/file_commands.cpp).
    void OnAddFile();
    void AddFile(const QString& path);
    void OnOpenRecent(const char* section, int n);
    void OnOpenProject();
    void OpenProjectPath(const QString& path);
    /** Offers the work of a session that died (an earlier run that crashed):
     *  opens it like a project, or on decline removes what it left. */
    void OfferRecovery();
    bool OnSaveProject();
    void OnSaveProjectAs();
    void OnCloseProject();
    /** The ask-and-save step before a project is closed. False when the
     *  user cancelled or the save failed: the project must then stay open. */
    bool AskAndSave(bool withCancel);
    void CloseSession();
    bool ExitFlow();

    // Edit commands (commands/edit_commands.cpp).
    void OnUndo();
    void OnRedo();
    void OnCut();
    void OnCopy();
    void OnCopyToNew();
    void OnTrim();
    void OnDelete();
    void OnSelect(int commandId);
    void OnInsertSilence(int commandId);
    void OnInsertFile(int commandId);
    void OnPaste(bool toEnd);
    void OnMixWithCopy();
    void OnMixWithFile();
    void OnTag();

    // View and track commands (commands/track_commands.cpp).
    void OnZoom(bool in);
    void OnScroll(bool toEnd);
    /** Zooms so that the whole track fills the view's width. */
    void FitToWindow(int trackId);
    void OnAddBlankTrack();
    void OnDeleteTrack();
    void OnToMono(int channel);
    void OnSplit();
    void OnJoinAllTrack();
    void OnExport(bool selection);

    // Effects (commands/effect_commands.cpp).
    void OnEffect(int commandId);

    // Playback (commands/play_commands.cpp).
    void OnPlay();
    void OnPausePlayback();
    void OnStopPlayback();
    void ClosePlayer();

    // Recording (commands/record_commands.cpp).
    void OnStartRecord();
    void OnRecordPause();
    void OnRecordContinue();
    void OnRecordStop();
    void OnRecordStopped(bool ok);
    void OnRecordOption();

    // Options and help (commands/options_commands.cpp).
    void OnOptions();
    void OnHelp();
    void OnAbout();

    /** Runs a long operation: the worker with its progress dialog(s). True
     *  when the kernel call succeeded; on failure the message is shown. */
    bool RunLongOperation(const app::EditJob& job, const QString& firstText,
                          const QString& secondText = QString(), CTrack** newTrack = nullptr);
    app::EditJob NewJob(app::EditOp op) const;

    app::StartupPaths m_startup;
    QString m_error;
    std::unique_ptr<vorlain::CRegistryWindow> m_window;
    std::unique_ptr<CBrimsel> m_control;
    CCommandSet* m_commands = nullptr;
    CInfoStrip* m_strip = nullptr;
    QLabel* m_playingCaption = nullptr;
    QLabel* m_playingValue = nullptr;
    QList<QLabel*> m_links; // the product's web pages
    QTimer* m_playTimer = nullptr;
    QPointer<QMenu> m_contextMenu;
    QList<QAction*> m_contextActions; // the context menu's own Undo, Redo and popup items

    CEditSession* m_editor = nullptr;
    int m_currentTrack = 0;
    int64_t m_selStart = 0;
    int64_t m_selEnd = 0;
    CAudoPlayMgr* m_player = nullptr;
    int m_playingTrack = 0;
    int64_t m_playFrom = 0;
    int64_t m_playTo = 0;
    int m_playState = kNoTrack;
    bool m_recording = false;
    bool m_recordPaused = false;
    int m_recordTrackId = 0;
    std::thread m_recordStopper;
    bool m_modified = false;
    bool m_longOperation = false;
    QString m_currentProjectPath;
    QString m_tempPath;
    QString m_pendingFilePath;
};
