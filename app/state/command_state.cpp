#include "state/command_state.h"

#include "state/editor_state.h"

#include "vorlain/kestrum.h"

#include <vector>

namespace app {

CommandState CommandState::Of(const CEditorState& state)
{
    CommandState s;
    s.editor = state.Editor();
    s.currentTrack = state.CurrentTrack();
    s.selStart = state.SelectionStart();
    s.selEnd = state.SelectionEnd();
    s.recording = state.IsRecording() || state.IsRecordStopping();
    s.recordPaused = state.IsRecordPaused();
    s.recordStopping = state.IsRecordStopping();
    s.modified = state.IsModified();
    s.busy = state.IsBusy();
    s.playState = state.PlayState();
    s.playerStatus = state.Player() ? AudioPlay_QueryStauts(state.Player()) : -1;
    return s;
}

void CommandState::ReadKernel()
{
    if (!editor)
        return;
    // The kernel writes both texts of a label and a few characters more:
    // room for the longest the language file can hold.
    std::vector<char> label(4096 + 64 + 8);
    canUndo = Kestrum_IsBackAble(editor, label.data()) != 0;
    undoLabel = canUndo ? QString::fromUtf8(label.data()) : QString();
    canRedo = Kestrum_IsNextAble(editor, label.data()) != 0;
    redoLabel = canRedo ? QString::fromUtf8(label.data()) : QString();
    pasteAble = Kestrum_IsPasteAble(editor) != 0;
    if (recording || currentTrack == 0)
        return;
    const auto id = static_cast<uint32_t>(currentTrack);
    blankTrack = Kestrum_IsBlankTrack(editor, id) != 0;
    TrackBaseInfo info{};
    if (Kestrum_GetTrackBaseInfo(editor, id, &info)) {
        emptyTrack = info.blank != 0;
        channels = info.channels;
    }
}

} // namespace app
