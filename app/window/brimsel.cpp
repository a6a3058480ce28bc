#include "window/brimsel.h"

#include "brimsel/brimsel_factory.h"
#include "brimsel/brimsel_view.h"

CBrimsel::CBrimsel(QWidget* parent, const QString& pluginFolder)
{
    // Beside the program in the build tree; under lib/vorlain once installed.
    QStringList folders{pluginFolder};
    if (pluginFolder.isEmpty())
        folders = {brimsel::DefaultPluginFolder(), QCoreApplication::applicationDirPath() +
                                                       QStringLiteral("/../lib/vorlain/plugins")};
    for (const QString& folder : folders) {
        m_control = brimsel::CreateControlByProgId(QStringLiteral(BRIMSEL_PROG_ID), parent, folder,
                                                   &m_error);
        if (m_control)
            break;
    }
    if (!m_control)
        return;
    m_view = qobject_cast<IBrimselView*>(m_control);
    if (!m_view) {
        // A control of another build, without the typed interface: unusable.
        m_error = QStringLiteral("the control of program id %1 does not offer %2")
                      .arg(QStringLiteral(BRIMSEL_PROG_ID), QStringLiteral(BRIMSEL_VIEW_IID));
        delete m_control;
        m_control = nullptr;
        return;
    }
    m_control->setObjectName(QStringLiteral("id1012"));
}

bool CBrimsel::AddTrack(CTrack* track)
{
    return m_view && m_view->AddTrack(track);
}

bool CBrimsel::ForceRedrawTrack(int trackId)
{
    return m_view && m_view->ForceRedrawTrack(trackId);
}

bool CBrimsel::MovePlayingLine(int trackId, int64_t time, bool show)
{
    return m_view && m_view->MovePlayingLine(trackId, time, show);
}

bool CBrimsel::ForceRedrawTrackEx(int trackId, bool setSelection, int64_t from, int64_t to)
{
    return m_view && m_view->ForceRedrawTrackEx(trackId, setSelection, from, to);
}

bool CBrimsel::EnableTrack(int trackId, bool show)
{
    return m_view && m_view->EnableTrack(trackId, show);
}

int CBrimsel::GetZoomfactor()
{
    return m_view ? m_view->GetZoomfactor() : 0;
}

intptr_t CBrimsel::GetBrimselHwnd(int trackId)
{
    return m_view ? static_cast<intptr_t>(m_view->GetBrimselHwnd(trackId)) : 0;
}

bool CBrimsel::GetVisableTrack(int* trackId)
{
    return m_view && m_view->GetVisableTrack(trackId);
}

bool CBrimsel::SetMainHwnd(intptr_t hwnd)
{
    return m_view && m_view->SetMainHwnd(static_cast<qint64>(hwnd));
}

bool CBrimsel::MoveSelectArea(int trackId, int64_t from, int64_t to)
{
    return m_view && m_view->MoveSelectArea(trackId, from, to);
}

bool CBrimsel::ZoomIn()
{
    return m_view && m_view->ZoomIn();
}

bool CBrimsel::ZoomOut()
{
    return m_view && m_view->ZoomOut();
}

bool CBrimsel::CanZoomOut()
{
    return m_view && m_view->CanZoomOut();
}

int64_t CBrimsel::ViewSpan()
{
    return m_view ? m_view->ViewSpan() : 0;
}

bool CBrimsel::CloseProject()
{
    return m_view && m_view->CloseProject();
}

bool CBrimsel::ScrollH(int64_t time)
{
    return m_view && m_view->ScrollH(time);
}

bool CBrimsel::IsScrollable(int trackId)
{
    return m_view && m_view->IsScrollable(trackId);
}

QList<int> CBrimsel::VisibleTracks()
{
    QList<int> ids;
    int id = 0;
    // The walk is bounded: a control never shows more rows than ids exist.
    while (GetVisableTrack(&id) && ids.size() < 100000)
        ids << id;
    return ids;
}

CBrimsel::~CBrimsel()
{
    if (m_control && m_view)
        m_view->SetEvents(nullptr);
}

void CBrimsel::OnEvents(std::function<void(int)> selectTrack,
                        std::function<void(int64_t, int64_t)> selectingTime)
{
    m_selectTrack = std::move(selectTrack);
    m_selectingTime = std::move(selectingTime);
    if (m_view)
        m_view->SetEvents(this);
}

void CBrimsel::OnSelectTrack(int trackId)
{
    if (m_selectTrack)
        m_selectTrack(trackId);
}

void CBrimsel::OnSelectingTime(int64_t from, int64_t to)
{
    if (m_selectingTime)
        m_selectingTime(from, to);
}
