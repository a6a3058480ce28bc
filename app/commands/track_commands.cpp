// Track menu and the View menu: adding and deleting tracks, extracting a
// channel, splitting, joining and exporting, zoom and scrolling.
#include "window/vorlain_dlg.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_track_split.h"
#include "main/prompts.h"

#include "vorlain/kestrum.h"

#include <QFileInfo>
#include <QUrl>

namespace {

void OpenFolder(const QString& folder)
{
    app::Prompts().OpenExternal(QUrl::fromLocalFile(folder));
}

} // namespace

void CVorlainDlg::OnAddBlankTrack()
{
    if (!EnsureEditor())
        return;
    CTrack* track = Kestrum_AddTrack(m_editor, nullptr);
    if (!track)
        return;
    m_control->AddTrack(track);
    m_control->Widget()->show();
    SetModified(true);
    UpdateCommands();
    CheckPlayback();
}

void CVorlainDlg::OnDeleteTrack()
{
    if (!Kestrum_DeleteTrack(m_editor, static_cast<uint32_t>(m_currentTrack))) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        return;
    }
    ClearSelection();
    m_control->EnableTrack(m_currentTrack, false);
    m_currentTrack = 0;
    SetModified(true);
    UpdateCommands();
    CheckPlayback();
    UpdateLabels();
}

void CVorlainDlg::OnToMono(int channel)
{
    app::EditJob job = NewJob(channel == 1 ? app::EditOp::ToMonoLeft : app::EditOp::ToMonoRight);
    CTrack* track = nullptr;
    if (!RunLongOperation(job, app::LanguageText("main", "0000001A"), QString(), &track))
        return;
    m_control->AddTrack(track);
    SetModified(true);
    UpdateCommands();
    CheckPlayback();
}

void CVorlainDlg::OnSplit()
{
    CDlgTrackSplit dialog(this);
    if (dialog.exec() == QDialog::Rejected)
        return;
    app::EditJob job = NewJob(app::EditOp::Split);
    job.splitCount = app::Values().splitCount;
    job.splitFolder = app::Values().splitFolder;
    if (RunLongOperation(job, QString()))
        OpenFolder(job.splitFolder);
}

void CVorlainDlg::OnJoinAllTrack()
{
    const QString path = app::Prompts().SaveFileName(this, app::LanguageText("main", "0000000C"),
                                                     QStringLiteral("wav"));
    if (path.isEmpty())
        return;
    app::EditJob job = NewJob(app::EditOp::JoinAllTrack);
    job.path = path;
    // Every row the control shows, in row order. All of them: a join that
    // silently left out tracks past the hundredth would lose their audio.
    for (int id : m_control->VisibleTracks())
        job.joinIds << static_cast<uint32_t>(id);
    if (RunLongOperation(job, QString()))
        OpenFolder(QFileInfo(path).absolutePath());
}

void CVorlainDlg::OnExport(bool selection)
{
    const QString path = app::Prompts().SaveFileName(this, app::LanguageText("main", "0000000C"),
                                                     QStringLiteral("wav"));
    if (path.isEmpty())
        return;
    app::EditJob job = NewJob(selection ? app::EditOp::ExportSelection : app::EditOp::ExportTrack);
    job.path = path;
    // A wave is written in one pass; any other format is converted after.
    const bool wave =
        QFileInfo(path).suffix().compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0;
    if (RunLongOperation(job, app::LanguageText("main", "0000000D"),
                         wave ? QString() : app::LanguageText("main", "0000000E")))
        OpenFolder(QFileInfo(path).absolutePath());
}

void CVorlainDlg::OnZoom(bool in)
{
    if (in)
        m_control->ZoomIn();
    else
        m_control->ZoomOut();
    SetPlayButtons(m_playState); // scrollability follows the zoom
}

void CVorlainDlg::FitToWindow(int trackId)
{
    // Out until the whole track shows, then in while it still does: each
    // step doubles or halves the time a column spans. The control stops at
    // its coarsest and finest factors.
    for (int step = 0; step < 32 && m_control->IsScrollable(trackId); ++step) {
        const int before = m_control->GetZoomfactor();
        m_control->ZoomOut();
        if (m_control->GetZoomfactor() == before)
            break;
    }
    for (int step = 0; step < 32 && !m_control->IsScrollable(trackId); ++step)
        if (!m_control->ZoomIn())
            break;
    if (m_control->IsScrollable(trackId))
        m_control->ZoomOut();
    m_control->ScrollH(0);
}

void CVorlainDlg::OnScroll(bool toEnd)
{
    m_control->ScrollH(toEnd ? TrackLength() : 0);
}
