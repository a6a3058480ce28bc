#include "commands/edit_commands.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_add_silence.h"
#include "dialogs/dlg_effect_echo.h"
#include "dialogs/dlg_tag.h"
#include "main/prompts.h"
#include "window/command_ids.h"

#include "vorlain/kestrum.h"

using namespace cmd;

namespace app {

namespace {
// The track an action made: its own track for Add Track and Record (whose
// redo track is 0), the redo track for Extract Track and Copy To New.
int CreatedTrack(const ActionRecord& action)
{
    return static_cast<int>(action.redoTrackId != 0 ? action.redoTrackId : action.trackId);
}
} // namespace

void CEditCommands::Undo()
{
    CEditorState& s = m_c.state;
    ActionRecord action{};
    if (!Kestrum_GetLastActionAttr(s.Editor(), &action) || !Kestrum_GoBack(s.Editor())) {
        m_c.ShowKernelFailure();
        return;
    }
    if (action.trackFlags & 1) {
        // The action made a track: it goes away again.
        m_c.view.EnableTrack(CreatedTrack(action), false);
        if (s.CurrentTrack() == CreatedTrack(action)) {
            s.SetCurrentTrack(0);
            s.ClearSelection();
        }
    } else if (action.trackFlags & 2) {
        // The action deleted a track: it comes back.
        m_c.view.EnableTrack(static_cast<int>(action.trackId), true);
        if (s.CurrentTrack() == 0) {
            s.SetCurrentTrack(static_cast<int>(action.trackId));
            s.ClearSelection();
        }
    } else {
        s.SetCurrentTrack(static_cast<int>(action.trackId));
        s.SetSelection(action.undoFrom, action.undoTo);
        m_c.view.ForceRedrawTrackEx(s.CurrentTrack(), true, action.undoFrom, action.undoTo);
    }
    s.Edited();
    m_c.CheckPlayback();
}

void CEditCommands::Redo()
{
    CEditorState& s = m_c.state;
    ActionRecord action{};
    if (!Kestrum_GetNextActionAttr(s.Editor(), &action) || !Kestrum_GoNext(s.Editor())) {
        m_c.ShowKernelFailure();
        return;
    }
    if (action.trackFlags & 2) {
        m_c.view.EnableTrack(static_cast<int>(action.trackId), false);
        if (s.CurrentTrack() == static_cast<int>(action.trackId)) {
            s.SetCurrentTrack(0);
            s.ClearSelection();
        }
    } else if (action.trackFlags & 1) {
        m_c.view.EnableTrack(CreatedTrack(action), true);
    } else if (action.redoTrackId != 0) {
        s.SetCurrentTrack(static_cast<int>(action.redoTrackId));
        s.SetSelection(action.redoFrom, action.redoTo);
        m_c.view.ForceRedrawTrackEx(s.CurrentTrack(), true, action.redoFrom, action.redoTo);
    }
    s.Edited();
    m_c.CheckPlayback();
}

void CEditCommands::RangeEdit(int (*edit)(CEditSession*, uint32_t, int64_t, int64_t))
{
    const CEditorState& s = m_c.state;
    if (!edit(s.Editor(), m_c.Track(), s.SelectionStart(), s.SelectionEnd())) {
        m_c.ShowKernelFailure();
        return;
    }
    m_c.AfterRangeEdit();
}

void CEditCommands::Cut()
{
    RangeEdit(Kestrum_Cut);
}

void CEditCommands::Copy()
{
    const CEditorState& s = m_c.state;
    if (!Kestrum_Copy(s.Editor(), m_c.Track(), s.SelectionStart(), s.SelectionEnd())) {
        m_c.ShowKernelFailure();
        return;
    }
    m_c.state.Invalidate();
}

void CEditCommands::CopyToNew()
{
    CEditorState& s = m_c.state;
    CTrack* track =
        Kestrum_CopyToNew(s.Editor(), m_c.Track(), s.SelectionStart(), s.SelectionEnd());
    if (!track) {
        m_c.ShowKernelFailure();
        return;
    }
    m_c.view.AddTrack(track);
    s.Edited();
    m_c.CheckPlayback();
}

void CEditCommands::Trim()
{
    RangeEdit(Kestrum_Trim);
}

void CEditCommands::Delete()
{
    RangeEdit(Kestrum_Delete);
}

void CEditCommands::Select(int commandId)
{
    CEditorState& s = m_c.state;
    const int64_t length = s.TrackLength();
    int64_t start = s.SelectionStart(), end = s.SelectionEnd();
    switch (commandId) {
    case kSelectAll:
        start = 0;
        end = length;
        break;
    case kSelectNone:
        start = end = 0;
        break;
    case kSelectToStart:
        end = start;
        start = 0;
        break;
    case kSelectToEnd:
        start = end;
        end = length;
        break;
    default:
        return;
    }
    s.SetSelection(start, end);
    m_c.view.MoveSelectArea(s.CurrentTrack(), start, end);
}

void CEditCommands::ExtendSelection(bool toEnd)
{
    CEditorState& s = m_c.state;
    if (toEnd)
        s.SetSelection(s.SelectionStart(), s.TrackLength());
    else // an empty selection is a cursor
        s.SetSelection(0, std::max(s.SelectionEnd(), s.SelectionStart()));
    m_c.view.MoveSelectArea(s.CurrentTrack(), s.SelectionStart(), s.SelectionEnd());
}

int64_t CEditCommands::InsertPoint(int commandId, int beginId, int currentId) const
{
    return commandId == beginId     ? 0
           : commandId == currentId ? m_c.state.SelectionStart()
                                    : m_c.state.TrackLength();
}

void CEditCommands::InsertSilence(int commandId)
{
    CDlgAddSilence dialog(m_c.window);
    if (dialog.exec() != QDialog::Accepted || !Values().silenceLength)
        return;
    const int64_t at = InsertPoint(commandId, kInsertSilenceBegin, kInsertSilenceCurrent);
    if (!Kestrum_AddSlience(m_c.Editor(), m_c.Track(), at, *Values().silenceLength)) {
        m_c.ShowKernelFailure();
        return;
    }
    m_c.AfterRangeEdit();
    m_c.CheckPlayback();
}

void CEditCommands::InsertFile(int commandId)
{
    const QString path =
        ChooseFileToOpen(m_c.window, kAudioFiles, LanguageText("main", "00000005"));
    if (path.isEmpty())
        return;
    const QByteArray file = path.toUtf8();
    const int64_t at = InsertPoint(commandId, kInsertFileBegin, kInsertFileCurrent);
    const QString reading =
        LanguageText("main", commandId == kInsertFileBegin ? "00000016" : "00000019");
    if (m_c.RunLong(
            [editor = m_c.Editor(), track = m_c.Track(), file, at](const CJobProgress&) {
                return Kestrum_AddFile(editor, track, file.constData(), at);
            },
            {reading, LanguageText("main", "00000018")}, 0, {path}))
        m_c.AfterRangeEdit();
}

void CEditCommands::Paste(bool toEnd)
{
    const int64_t at = m_c.state.SelectionStart();
    const bool ok = m_c.RunLong(
        [editor = m_c.Editor(), track = m_c.Track(), at, toEnd](const CJobProgress&) {
            if (!toEnd)
                return Kestrum_Paste(editor, track, at);
            TrackBaseInfo info{};
            if (!Kestrum_GetTrackBaseInfo(editor, track, &info))
                return 0;
            return Kestrum_Paste(editor, track, info.length);
        },
        {LanguageText("main", toEnd ? "00000018" : "00000006")});
    if (!ok)
        return;
    m_c.AfterRangeEdit();
    if (toEnd)
        m_c.view.ScrollH(m_c.state.SelectionStart());
}

void CEditCommands::MixWithCopy()
{
    CDlgEffectEcho dialog(m_c.window);
    dialog.SetCaption(LanguageText("menu", "01000113"));
    dialog.SetLabelText(LanguageText("main", "0000000B"));
    if (dialog.exec() == QDialog::Rejected)
        return;
    const uint32_t level = vorlain::FloatBits(Values().factor);
    if (m_c.RunLong([editor = m_c.Editor(), track = m_c.Track(), at = m_c.state.SelectionStart(),
                     level](const CJobProgress&) {
            return Kestrum_MixTrackFromPaste(editor, track, at, level);
        }))
        m_c.AfterRangeEdit();
}

void CEditCommands::MixWithFile()
{
    const QString path =
        ChooseFileToOpen(m_c.window, kAudioFiles, LanguageText("main", "00000005"));
    if (path.isEmpty())
        return;
    CDlgEffectEcho dialog(m_c.window);
    dialog.SetCaption(LanguageText("menu", "01000114"));
    dialog.SetLabelText(LanguageText("main", "00000015"));
    if (dialog.exec() == QDialog::Rejected)
        return;
    const uint32_t level = vorlain::FloatBits(Values().factor);
    if (m_c.RunLong(
            [editor = m_c.Editor(), track = m_c.Track(), at = m_c.state.SelectionStart(),
             file = path.toUtf8(), level](const CJobProgress&) {
                return Kestrum_MixTrackFromFile(editor, track, at, file.constData(), level);
            },
            {LanguageText("main", "00000016"), LanguageText("main", "00000017")}, 0, {path}))
        m_c.AfterRangeEdit();
}

void CEditCommands::Tag()
{
    TagInfo tag{};
    TrackBaseInfo info{};
    if (!Kestrum_GetTrackTagInfo(m_c.Editor(), m_c.Track(), &tag) ||
        !Kestrum_GetTrackBaseInfo(m_c.Editor(), m_c.Track(), &info)) {
        m_c.ShowKernelFailure();
        return;
    }
    CDlgTAG dialog(tag, info, m_c.window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!Kestrum_SetTrackTagInfo(m_c.Editor(), m_c.Track(), dialog.Result())) {
        m_c.ShowKernelFailure();
        return;
    }
    m_c.state.Edited();
}

} // namespace app
