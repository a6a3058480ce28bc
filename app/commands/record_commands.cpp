#include "commands/record_commands.h"

#include "dialogs/dlg_record_xp.h"

#include "vorlain/kestrum.h"
#include "vorlain/qt_registry_window.h"

#include <QEventLoop>

namespace app {
namespace {
/** A recording's stop ended on its thread; wParam = the kernel's result. */
constexpr UINT kRecordStopped = 0x7F20;
} // namespace

CRecordCommands::CRecordCommands(CommandContext& context) : m_c(context)
{
    m_window = std::make_unique<vorlain::CRegistryWindow>([this](UINT msg, WPARAM w, LPARAM) {
        if (msg == kRecordStopped)
            OnStopped(w != 0);
        return LRESULT(0);
    });
}

CRecordCommands::~CRecordCommands()
{
    JoinStop();
}

void CRecordCommands::JoinStop()
{
    if (m_stopper.joinable())
        m_stopper.join();
}

void CRecordCommands::Start()
{
    CEditorState& s = m_c.state;
    if (!s.EnsureEditor())
        return;
    CTrack* track = Kestrum_RecordInit(s.Editor(), nullptr, 0, 0);
    if (!track)
        return;
    const uint32_t id = Kestrum_GetTrackId(s.Editor(), track);
    m_c.view.AddTrack(track);
    m_c.view.Widget()->show();
    const auto zoom = static_cast<uint32_t>(m_c.view.GetZoomfactor());
    const auto row = reinterpret_cast<HWND>(m_c.view.GetBrimselHwnd(static_cast<int>(id)));
    const bool started = Kestrum_RecordSetBrimselHwnd(s.Editor(), id, row) &&
                         Kestrum_RecordSetDeviceIndex(s.Editor(), id, uint32_t(-1)) &&
                         Kestrum_RecordSetRate(s.Editor(), id, CDlgRecordXp::RateInForce()) &&
                         Kestrum_RecordSetZoomfactor(s.Editor(), id, zoom) &&
                         Kestrum_RecordStart(s.Editor(), id);
    if (!started) {
        // The kernel takes back the empty record track of a failed start;
        // its row goes too. The id stays the record track's, as the kernel
        // made it.
        CEditorState::Batch batch(s);
        TrackBaseInfo info{};
        if (Kestrum_GetTrackBaseInfo(s.Editor(), id, &info) && info.deleted) {
            m_c.view.EnableTrack(static_cast<int>(id), false);
            if (s.CurrentTrack() == static_cast<int>(id)) {
                s.SetCurrentTrack(0);
                s.ClearSelection();
            }
        }
        s.SetRecording(false, static_cast<int>(id));
        s.Edited();
        m_c.ShowKernelFailure();
        return;
    }
    s.SetRecording(true, static_cast<int>(id));
    s.Edited();
}

void CRecordCommands::Pause()
{
    if (Kestrum_RecordPause(m_c.Editor(), static_cast<uint32_t>(m_c.state.RecordTrackId())))
        m_c.state.SetRecordPaused(true);
}

void CRecordCommands::Continue()
{
    if (Kestrum_RecordContinue(m_c.Editor(), static_cast<uint32_t>(m_c.state.RecordTrackId())))
        m_c.state.SetRecordPaused(false);
}

void CRecordCommands::Stop()
{
    CEditorState& s = m_c.state;
    if (s.IsRecordStopping() || !s.IsRecording())
        return;
    // The capture thread hands each buffer's peaks to the record row on
    // this thread and waits for it; a stop that waited here for the capture
    // thread would wait for itself. It runs on a thread of its own, and the
    // window goes on taking the last peaks meanwhile.
    CEditSession* editor = s.Editor();
    const auto id = static_cast<uint32_t>(s.RecordTrackId());
    const HWND window = m_window->hwnd();
    s.SetRecordStopping(true);
    m_stopper = std::thread([editor, id, window] {
        const int ok = Kestrum_RecordStop(editor, id);
        PostMessage(window, kRecordStopped, static_cast<WPARAM>(ok), 0);
    });
}

void CRecordCommands::OnStopped(bool ok)
{
    JoinStop();
    CEditorState::Batch batch(m_c.state);
    m_c.state.SetRecordStopping(false);
    if (ok) {
        m_c.state.SetRecording(false, m_c.state.RecordTrackId());
        if (!m_c.state.Player())
            m_c.state.SetPlayState(CEditorState::kStopped);
        m_c.view.ForceRedrawTrack(m_c.state.RecordTrackId());
    }
}

void CRecordCommands::StopAndWait()
{
    if (m_c.state.IsRecording() && !m_c.state.IsRecordStopping())
        Stop();
    if (!m_c.state.IsRecordStopping())
        return;
    QEventLoop loop;
    const auto connection = QObject::connect(&m_c.state, &CEditorState::Changed, &loop, [&] {
        if (!m_c.state.IsRecordStopping())
            loop.quit();
    });
    loop.exec();
    QObject::disconnect(connection);
}

void CRecordCommands::Options()
{
    CDlgRecordXp dialog(m_c.window);
    dialog.exec();
}

} // namespace app
