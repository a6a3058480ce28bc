// One snapshot of the editing state, taken when it changes: what every
// command's enable rule reads. The editor state and the display control
// fill the first part, the kernel the second (ReadKernel).
#pragma once

#include <QString>

#include <cstdint>

class CEditSession;

namespace app {

class CEditorState;

struct CommandState {
    // From the editor state.
    CEditSession* editor = nullptr;
    int currentTrack = 0;
    int64_t selStart = 0;
    int64_t selEnd = 0;
    bool recording = false; // a recording runs or is stopping
    bool recordPaused = false;
    bool recordStopping = false; // the stop runs on its thread
    bool modified = false;
    bool busy = false;     // a long operation runs
    int playState = -1;    // CEditorState::PlayState
    int playerStatus = -1; // AudioPlay_QueryStauts, -1 without a player
    // From the display control.
    int visibleTracks = 0;    // rows the control shows
    bool zoomOutAble = false; // the longest track does not fit the view yet
    bool scrollable = false;  // the current track is wider than the view

    // From the kernel (ReadKernel).
    bool canUndo = false;
    bool canRedo = false;
    QString undoLabel;
    QString redoLabel;
    bool pasteAble = false;
    bool blankTrack = true; // Kestrum_IsBlankTrack of the current track
    bool emptyTrack = true; // the base info's blank field: length 0
    uint32_t channels = 0;

    /** The editor state's part (the player's status included). */
    static CommandState Of(const CEditorState& state);

    /** Fills the kernel's part. Asks nothing about tracks while a
     *  recording runs: every track command is off then anyway, and the
     *  recording track changes under the capture thread. */
    void ReadKernel();

    /** A session exists, nothing records, and nothing plays or is paused. */
    bool Idle() const { return editor && !recording && playerStatus <= 0; }
    /** A current track with a non-empty selection. */
    bool Selection() const { return currentTrack != 0 && selEnd != 0 && selEnd > selStart; }
    /** The player is neither playing nor stopping. */
    bool NotPlaying() const { return playerStatus != 1 && playerStatus != 3; }
};

} // namespace app
