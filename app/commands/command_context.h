// What every command family works with, and nothing of the window's: the
// editor state, the display control, the window as the parent of dialogs
// and messages, and the long operations' runner.
#pragma once

#include "longops/long_operation.h"
#include "main/failure_text.h"
#include "state/editor_state.h"
#include "window/brimsel.h"

#include "vorlain/window.h"

#include <functional>

class QWidget;

namespace app {

class CPlayCommands;

struct CommandContext {
    CEditorState& state;
    CBrimsel& view;
    /** The parent of the commands' dialogs and message boxes. */
    QWidget* window;
    /** The window that takes the control's and the workers' messages
     *  (WM_ADD_TRACK_VIEW while a project opens). */
    HWND messages = nullptr;
    /** The recent list of this section changed: its menu is built again. */
    std::function<void(const char* section)> recentChanged;
    /** Playback, which edits that add or remove rows check. */
    CPlayCommands* play = nullptr;
    /** Tells the user a file was written: text, and the folder a button of
     *  the notice opens. */
    std::function<void(const QString& text, const QString& folder)> notice;

    CEditSession* Editor() const { return state.Editor(); }
    uint32_t Track() const { return static_cast<uint32_t>(state.CurrentTrack()); }
    /** The program's name: the caption of its message boxes. */
    QString Caption() const;
    /** Shows the kernel's last error: what happened in a sentence, and
     *  its code (FailureMessage). subject: the file the call read or wrote. */
    void ShowKernelFailure(const FailureSubject& subject = {}) const;

    /** Runs a long operation with one dialog per phase text (none: one
     *  dialog without a hint); the state is busy meanwhile. A failure is
     *  shown as ShowKernelFailure shows it, of subject. Returns whether the
     *  job succeeded. */
    bool RunLong(CLongOperation::Job job, const QStringList& phases = {}, int parts = 0,
                 const FailureSubject& subject = {}) const;

    /** After a range edit: the action's redo selection becomes the
     *  selection, and the track is redrawn with it. */
    void AfterRangeEdit() const;
    /** After an effect: the track is redrawn with the same selection. */
    void AfterSampleEdit() const;
    /** Rows came or went: a player whose row has gone is closed. */
    void CheckPlayback() const;
};

} // namespace app
