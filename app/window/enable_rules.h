// Which commands are enabled: one snapshot of the editing state, and one
// routine that applies the rules menu by menu, row by row.
#pragma once

#include <QString>

#include <cstdint>

class CEditSession;
class CCommandSet;

namespace app {

struct CommandState {
    // From the main window.
    CEditSession* editor = nullptr;
    int currentTrack = 0;
    int64_t selStart = 0;
    int64_t selEnd = 0;
    bool recording = false;
    bool recordPaused = false;
    bool recordStopping = false; // the stop runs on its thread
    bool modified = false;
    int playerStatus = -1; // AudioPlay_QueryStauts, -1 without a player
    int visibleTracks = 0; // rows the control shows

    // From the kernel (ReadKernel).
    bool canUndo = false;
    bool canRedo = false;
    QString undoLabel;
    QString redoLabel;
    bool pasteAble = false;
    bool blankTrack = true; // Kestrum_IsBlankTrack of the current track
    bool emptyTrack = true; // the base info's blank field: length 0
    uint32_t channels = 0;

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

/** Sets every command's enabled state (and the Undo and Redo captions). */
void ApplyEnableRules(CCommandSet& commands, const CommandState& s);

} // namespace app
