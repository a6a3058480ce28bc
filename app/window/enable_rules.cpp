#include "window/enable_rules.h"

#include "window/command_ids.h"
#include "window/command_set.h"

#include "vorlain/kestrum.h"

#include <QAction>
#include <QMenu>

#include <vector>

using namespace cmd;

namespace app {

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

namespace {

void Enable(CCommandSet& c, std::initializer_list<int> ids, bool on)
{
    for (int id : ids)
        if (QAction* action = c.Action(id))
            action->setEnabled(on);
}

} // namespace

void ApplyEnableRules(CCommandSet& c, const CommandState& s)
{
    const bool idle = s.Idle();
    const bool track = s.currentTrack != 0;

    // File
    Enable(c, {kSaveProject}, idle && s.modified);
    Enable(c, {kCloseProject}, idle && (s.modified || s.visibleTracks > 0));
    Enable(c, {kSaveProjectAs}, idle);
    Enable(c, {kExit}, true);

    // Edit. The Undo caption is the action's label and the key; without
    // anything to undo the item reads "Undo".
    QAction* undo = c.Action(kUndo);
    undo->setEnabled(idle && s.canUndo);
    undo->setText(idle && s.canUndo ? s.undoLabel + QStringLiteral("        Ctrl+Z")
                                    : QStringLiteral("Undo"));
    QAction* redo = c.Action(kRedo);
    redo->setEnabled(idle && s.canRedo);
    redo->setText(idle && s.canRedo ? s.redoLabel + QStringLiteral("        Ctrl+Y")
                                    : QStringLiteral("Redo"));
    Enable(c, {kCopy, kCopyToNew, kCut, kDelete, kTrim}, idle && s.Selection());
    Enable(c, {kPaste, kPasteToEnd}, idle && s.pasteAble && track);
    Enable(c,
           {kSelectAll, kSelectNone, kSelectToStart, kSelectToEnd, kInsertFileBegin,
            kInsertFileCurrent, kInsertFileEnd, kInsertSilenceBegin, kInsertSilenceCurrent,
            kInsertSilenceEnd, kTag, kMixWithFile},
           idle && track);
    for (QMenu* popup : {c.InsertFileMenu(), c.InsertSilenceMenu()})
        if (popup)
            popup->menuAction()->setEnabled(idle && track);
    Enable(c, {kMixWithCopy}, idle && track && s.pasteAble && !s.blankTrack);

    // View
    Enable(c, {kZoomIn, kZoomOut, kScrollToBegin, kScrollToEnd}, idle && track);

    // Track
    const bool deletable = track && !s.recording && s.NotPlaying();
    const bool withAudio = deletable && !s.emptyTrack;
    Enable(c, {kDeleteTrack}, deletable);
    Enable(c, {kSplit, kExportTrack}, withAudio);
    Enable(c, {kExportSelection}, withAudio && s.selStart >= 0 && s.selEnd > s.selStart);
    Enable(c, {kToMonoLeft, kToMonoRight}, withAudio && s.channels == 2);
    Enable(c, {kJoinAllTrack}, deletable && s.visibleTracks > 1);
    Enable(c, {kAddBlankTrack}, !s.recording);

    // Effect
    Enable(c, {kFadeIn, kFadeOut, kSilence, kAdjustVolume, kEcho},
           s.editor && s.NotPlaying() && !s.recording && track && s.selEnd >= 0 && s.selEnd != 0 &&
               s.selEnd > s.selStart);

    // Record
    Enable(c, {kStartRecord, kRecordOption}, !s.recording);
    const bool recording = s.recording && !s.recordStopping;
    Enable(c, {kStopRecord}, recording);
    Enable(c, {kRecordPause}, recording && !s.recordPaused);
    Enable(c, {kRecordContinue}, recording && s.recordPaused);
}

} // namespace app
