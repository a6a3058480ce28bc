// Record menu: recording into a new track with the live view, and the
// record-source dialog.
#include "window/vorlain_dlg.h"

#include "dialogs/dlg_record_xp.h"
#include "window/window_messages.h"

#include "vorlain/kestrum.h"

void CVorlainDlg::OnStartRecord()
{
    if (!EnsureEditor())
        return;
    CTrack* track = Kestrum_RecordInit(m_editor, nullptr, 0, 0);
    if (!track)
        return;
    const uint32_t id = Kestrum_GetTrackId(m_editor, track);
    m_recordTrackId = static_cast<int>(id);
    m_control->AddTrack(track);
    m_control->Widget()->show();
    const auto zoom = static_cast<uint32_t>(m_control->GetZoomfactor());
    const auto view = reinterpret_cast<HWND>(m_control->GetBrimselHwnd(m_recordTrackId));
    const bool started = Kestrum_RecordSetBrimselHwnd(m_editor, id, view) &&
                         Kestrum_RecordSetDeviceIndex(m_editor, id, uint32_t(-1)) &&
                         Kestrum_RecordSetZoomfactor(m_editor, id, zoom) &&
                         Kestrum_RecordStart(m_editor, id);
    if (!started) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        UpdateCommands();
        return;
    }
    m_recording = true;
    m_recordPaused = false;
    SetModified(true);
    UpdateCommands();
    SetPlayButtons(m_playState);
}

void CVorlainDlg::OnRecordPause()
{
    if (!Kestrum_RecordPause(m_editor, static_cast<uint32_t>(m_recordTrackId)))
        return;
    m_recordPaused = true;
    UpdateCommands();
}

void CVorlainDlg::OnRecordContinue()
{
    if (!Kestrum_RecordContinue(m_editor, static_cast<uint32_t>(m_recordTrackId)))
        return;
    m_recordPaused = false;
    UpdateCommands();
}

void CVorlainDlg::OnRecordStop()
{
    if (IsRecordStopping() || !m_recording)
        return;
    // The capture thread hands each buffer's peaks to the record row on
    // this thread and waits for it; a stop that waited here for the capture
    // thread would wait for itself. It runs on a thread of its own, and the
    // window goes on taking the last peaks meanwhile.
    CEditSession* editor = m_editor;
    const auto id = static_cast<uint32_t>(m_recordTrackId);
    const HWND window = Hwnd();
    m_recordStopper = std::thread([editor, id, window] {
        const int ok = Kestrum_RecordStop(editor, id);
        PostMessage(window, app::WM_RECORD_STOPPED, static_cast<WPARAM>(ok), 0);
    });
    UpdateCommands();
}

void CVorlainDlg::OnRecordStopped(bool ok)
{
    if (m_recordStopper.joinable())
        m_recordStopper.join();
    if (ok) {
        m_recording = false;
        m_recordPaused = false;
        if (!m_player)
            SetPlayButtons(kStopped);
        m_control->ForceRedrawTrack(m_recordTrackId);
    }
    UpdateCommands();
    UpdateLabels();
}

void CVorlainDlg::OnRecordOption()
{
    CDlgRecordXp dialog(this);
    dialog.exec();
}
