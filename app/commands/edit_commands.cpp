// Edit menu: undo and redo, the range edits, selection, insertion, paste,
// mixing and the track's tags.
#include "window/vorlain_dlg.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_add_silence.h"
#include "dialogs/dlg_effect_echo.h"
#include "dialogs/dlg_tag.h"
#include "main/prompts.h"
#include "window/command_ids.h"

#include "vorlain/kestrum.h"

using namespace cmd;

namespace {
uint32_t Id(int track)
{
    return static_cast<uint32_t>(track);
}
} // namespace

void CVorlainDlg::OnUndo()
{
    ActionRecord action{};
    if (!Kestrum_GetLastActionAttr(m_editor, &action) || !Kestrum_GoBack(m_editor)) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        return;
    }
    if (action.trackFlags & 1) {
        // The action made a track: it goes away again.
        m_control->EnableTrack(static_cast<int>(action.redoTrackId), false);
        if (m_currentTrack == static_cast<int>(action.redoTrackId)) {
            m_currentTrack = 0;
            ClearSelection();
        }
    } else if (action.trackFlags & 2) {
        // The action deleted a track: it comes back.
        m_control->EnableTrack(static_cast<int>(action.trackId), true);
        if (m_currentTrack == 0) {
            m_currentTrack = static_cast<int>(action.trackId);
            ClearSelection();
        }
    } else {
        m_currentTrack = static_cast<int>(action.trackId);
        m_selStart = action.undoFrom;
        m_selEnd = action.undoTo;
        m_control->ForceRedrawTrackEx(m_currentTrack, true, m_selStart, m_selEnd);
    }
    SetModified(true);
    UpdateCommands();
    CheckPlayback();
    UpdateLabels();
}

void CVorlainDlg::OnRedo()
{
    ActionRecord action{};
    if (!Kestrum_GetNextActionAttr(m_editor, &action) || !Kestrum_GoNext(m_editor)) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        return;
    }
    if (action.trackFlags & 2) {
        m_control->EnableTrack(static_cast<int>(action.trackId), false);
        if (m_currentTrack == static_cast<int>(action.trackId)) {
            m_currentTrack = 0;
            ClearSelection();
        }
    } else if (action.trackFlags & 1) {
        m_control->EnableTrack(static_cast<int>(action.redoTrackId), true);
    } else if (action.redoTrackId != 0) {
        m_currentTrack = static_cast<int>(action.redoTrackId);
        m_selStart = action.redoFrom;
        m_selEnd = action.redoTo;
        m_control->ForceRedrawTrackEx(m_currentTrack, true, m_selStart, m_selEnd);
    }
    SetModified(true);
    UpdateCommands();
    CheckPlayback();
    UpdateLabels();
}

void CVorlainDlg::RangeEdit(int (*edit)(CEditSession*, uint32_t, int64_t, int64_t),
                            const char* failure)
{
    if (!edit(m_editor, Id(m_currentTrack), m_selStart, m_selEnd)) {
        ShowKernelFailure(failure);
        return;
    }
    AfterRangeEdit();
}

void CVorlainDlg::OnCut()
{
    RangeEdit(Kestrum_Cut, "Failed! Errorcode:0x%.8x");
}

void CVorlainDlg::OnCopy()
{
    if (!Kestrum_Copy(m_editor, Id(m_currentTrack), m_selStart, m_selEnd)) {
        ShowKernelFailure("Failed! Errorcode:0x%.8x");
        return;
    }
    UpdateCommands();
}

void CVorlainDlg::OnCopyToNew()
{
    CTrack* track = Kestrum_CopyToNew(m_editor, Id(m_currentTrack), m_selStart, m_selEnd);
    if (!track) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        return;
    }
    m_control->AddTrack(track);
    SetModified(true);
    UpdateCommands();
    CheckPlayback();
}

void CVorlainDlg::OnTrim()
{
    RangeEdit(Kestrum_Trim, "Failed! ErrorCode=0x%.8x");
}

void CVorlainDlg::OnDelete()
{
    RangeEdit(Kestrum_Delete, "Failed! ErrorCode=0x%.8x");
}

void CVorlainDlg::OnSelect(int commandId)
{
    const int64_t length = TrackLength();
    switch (commandId) {
    case kSelectAll:
        m_selStart = 0;
        m_selEnd = length;
        break;
    case kSelectNone:
        m_selStart = 0;
        m_selEnd = 0;
        break;
    case kSelectToStart:
        m_selEnd = m_selStart;
        m_selStart = 0;
        break;
    case kSelectToEnd:
        m_selStart = m_selEnd;
        m_selEnd = length;
        break;
    default:
        return;
    }
    m_control->MoveSelectArea(m_currentTrack, m_selStart, m_selEnd);
    UpdateCommands();
    UpdateLabels();
}

void CVorlainDlg::OnInsertSilence(int commandId)
{
    CDlgAddSilence dialog(this);
    if (dialog.exec() != QDialog::Accepted || !app::Values().silenceLength)
        return;
    const int64_t at = commandId == kInsertSilenceBegin     ? 0
                       : commandId == kInsertSilenceCurrent ? m_selStart
                                                            : TrackLength();
    if (!Kestrum_AddSlience(m_editor, Id(m_currentTrack), at, *app::Values().silenceLength)) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        return;
    }
    AfterRangeEdit();
    CheckPlayback();
}

void CVorlainDlg::OnInsertFile(int commandId)
{
    const QString path = app::Prompts().OpenFileName(this, app::LanguageText("main", "00000005"));
    if (path.isEmpty())
        return;
    app::EditJob job = NewJob(app::EditOp::InsertFile);
    job.path = path;
    job.position = commandId == kInsertFileBegin     ? 0
                   : commandId == kInsertFileCurrent ? m_selStart
                                                     : TrackLength();
    const QString reading =
        app::LanguageText("main", commandId == kInsertFileBegin ? "00000016" : "00000019");
    if (RunLongOperation(job, reading, app::LanguageText("main", "00000018")))
        AfterRangeEdit();
}

void CVorlainDlg::OnPaste(bool toEnd)
{
    app::EditJob job = NewJob(toEnd ? app::EditOp::PasteToEnd : app::EditOp::Paste);
    if (!RunLongOperation(job, app::LanguageText("main", toEnd ? "00000018" : "00000006")))
        return;
    AfterRangeEdit();
    if (toEnd)
        m_control->ScrollH(m_selStart);
}

void CVorlainDlg::OnMixWithCopy()
{
    CDlgEffectEcho dialog(this);
    dialog.SetCaption(app::LanguageText("menu", "01000113"));
    dialog.SetLabelText(app::LanguageText("main", "0000000B"));
    if (dialog.exec() == QDialog::Rejected)
        return;
    app::EditJob job = NewJob(app::EditOp::MixWithCopy);
    if (RunLongOperation(job, QString()))
        AfterRangeEdit();
}

void CVorlainDlg::OnMixWithFile()
{
    const QString path = app::Prompts().OpenFileName(this, app::LanguageText("main", "00000005"));
    if (path.isEmpty())
        return;
    CDlgEffectEcho dialog(this);
    dialog.SetCaption(app::LanguageText("menu", "01000114"));
    dialog.SetLabelText(app::LanguageText("main", "00000015"));
    if (dialog.exec() == QDialog::Rejected)
        return;
    app::EditJob job = NewJob(app::EditOp::MixWithFile);
    job.path = path;
    if (RunLongOperation(job, app::LanguageText("main", "00000016"),
                         app::LanguageText("main", "00000017")))
        AfterRangeEdit();
}

void CVorlainDlg::OnTag()
{
    TagInfo tag{};
    TrackBaseInfo info{};
    if (!Kestrum_GetTrackTagInfo(m_editor, Id(m_currentTrack), &tag) ||
        !Kestrum_GetTrackBaseInfo(m_editor, Id(m_currentTrack), &info)) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        return;
    }
    CDlgTAG dialog(tag, info, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!Kestrum_SetTrackTagInfo(m_editor, Id(m_currentTrack), dialog.Result())) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        return;
    }
    SetModified(true);
    UpdateCommands();
}
