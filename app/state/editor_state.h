// What the program is editing, outside any window: the kernel session, the
// current track and its selection, what plays and what records, whether
// the work has changed since it was saved, and the project's path. Every
// change ends in one Changed signal; the window, the menus, the toolbars
// and the information strip refresh from it, so no command refreshes them
// itself. Changes made inside a Batch are told once, when it ends.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

class CAudoPlayMgr;
class CEditSession;

namespace app {

class CEditorState : public QObject {
    Q_OBJECT
public:
    /** Play button states: the buttons each state enables. */
    enum PlayState { kNoTrack = -1, kStopped = 0, kPlaying = 1, kPaused = 2, kPlayable = 3 };

    /** Holds Changed back until the outermost batch ends. */
    class Batch {
    public:
        explicit Batch(CEditorState& state);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        CEditorState& m_state;
    };

    // The session. Editor() is null until the first file, track, project
    // or recording.
    CEditSession* Editor() const { return m_editor; }
    /** Opens a session in the temporary folder if none is open. */
    bool EnsureEditor();
    /** Takes session (opened elsewhere in TempPath()) as the one in use;
     *  none may be open. */
    void AdoptEditor(CEditSession* session);
    /** Closes the session (the caller has stopped the player first). */
    void CloseEditor();

    // The current track and its selection, microseconds [start, end).
    int CurrentTrack() const { return m_currentTrack; }
    int64_t SelectionStart() const { return m_selStart; }
    int64_t SelectionEnd() const { return m_selEnd; }
    void SetCurrentTrack(int trackId);
    void SetSelection(int64_t start, int64_t end);
    void ClearSelection() { SetSelection(0, 0); }
    /** A current track with a non-empty selection. */
    bool HasSelection() const;
    /** The current track's length; 0 without one. */
    int64_t TrackLength() const;

    // Playback.
    CAudoPlayMgr* Player() const { return m_player; }
    int PlayingTrack() const { return m_playingTrack; }
    int PlayState() const { return m_playState; }
    void SetPlayer(CAudoPlayMgr* player, int trackId);
    void SetPlayState(int state);

    // Recording.
    bool IsRecording() const { return m_recording; }
    bool IsRecordPaused() const { return m_recordPaused; }
    bool IsRecordStopping() const { return m_recordStopping; }
    int RecordTrackId() const { return m_recordTrackId; }
    void SetRecording(bool recording, int trackId);
    void SetRecordPaused(bool paused);
    void SetRecordStopping(bool stopping);

    // The work as a whole.
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified);
    /** An edit was made: the work is changed, and the kernel's history
     *  (and so Undo, Redo and the track's length) moved. */
    void Edited();
    /** Something the commands read but this state does not hold changed:
     *  the kernel's clipboard, the view's zoom. */
    void Invalidate() { Touch(); }
    QString ProjectPath() const { return m_projectPath; }
    void SetProjectPath(const QString& path);
    /** The folder new sessions put their files in (Config.ini). */
    QString TempPath() const { return m_tempPath; }
    void SetTempPath(const QString& path) { m_tempPath = path; }
    /** A long operation runs: no other command starts meanwhile. */
    bool IsBusy() const { return m_busy; }
    void SetBusy(bool busy);

signals:
    /** Anything above changed (once per batch). */
    void Changed();

private:
    template <typename T> void Set(T& member, T value);
    void Touch();

    CEditSession* m_editor = nullptr;
    int m_currentTrack = 0;
    int64_t m_selStart = 0;
    int64_t m_selEnd = 0;
    CAudoPlayMgr* m_player = nullptr;
    int m_playingTrack = 0;
    int m_playState = kNoTrack;
    bool m_recording = false;
    bool m_recordPaused = false;
    bool m_recordStopping = false;
    int m_recordTrackId = 0;
    bool m_modified = false;
    QString m_projectPath;
    QString m_tempPath;
    bool m_busy = false;
    int m_batches = 0;
    bool m_changed = false;
};

} // namespace app
