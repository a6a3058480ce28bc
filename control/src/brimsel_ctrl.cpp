#include "brimsel_ctrl.h"

#include "dlg_panel.h"

#include <QResizeEvent>

#include <algorithm>

namespace {

/** The 64-bit value of a time variant; other types convert as far as they can. */
int64_t TimeOf(const QVariant& v)
{
    bool ok = false;
    qlonglong value = v.toLongLong(&ok);
    return ok ? value : 0;
}

bool IsTime(const QVariant& v)
{
    return v.metaType().id() == QMetaType::LongLong;
}

} // namespace

CBrimselCtrl::CBrimselCtrl(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CBrimselCtrl"));
    m_panel = new CDlgPanel(this, this);
    m_panel->setGeometry(rect());
    m_panel->show();
}

CBrimselCtrl::~CBrimselCtrl() = default;

void CBrimselCtrl::resizeEvent(QResizeEvent* event)
{
    m_panel->setGeometry(0, 0, event->size().width(), event->size().height());
}

bool CBrimselCtrl::AddTrack(qint64 pTrack)
{
    return m_panel->AddTrack(reinterpret_cast<CTrack*>(static_cast<intptr_t>(pTrack)));
}

bool CBrimselCtrl::ForceRedrawTrack(int trackId)
{
    return m_panel->ForceRedrawTrackEx(trackId, false, 0, 0);
}

bool CBrimselCtrl::MovePlayingLine(int tracdId, const QVariant& vtTime, int bShow)
{
    if (!IsTime(vtTime))
        return false;
    return m_panel->MovePlayingLine(tracdId, vtTime.toLongLong(), bShow != 0);
}

bool CBrimselCtrl::ForceRedrawTrackEx(int trackId, int bDisableSelectArea, const QVariant& wParam,
                                      const QVariant& lParam)
{
    return m_panel->ForceRedrawTrackEx(trackId, bDisableSelectArea != 0, TimeOf(wParam),
                                       TimeOf(lParam));
}

bool CBrimselCtrl::EnableTrack(int trackId, int bShow)
{
    return m_panel->EnableTrack(trackId, bShow != 0);
}

int CBrimselCtrl::GetZoomfactor()
{
    return static_cast<int>(m_panel->ZoomFactor());
}

qint64 CBrimselCtrl::GetBrimselHwnd(int trackId)
{
    return static_cast<qint64>(reinterpret_cast<intptr_t>(m_panel->GetBrimselHwnd(trackId)));
}

bool CBrimselCtrl::GetVisableTrack(int* pTrackId)
{
    return m_panel->GetVisableTrack(pTrackId);
}

bool CBrimselCtrl::SetMainHwnd(qint64 hwnd)
{
    m_panel->SetMainHwnd(reinterpret_cast<HWND>(static_cast<intptr_t>(hwnd)));
    return true;
}

bool CBrimselCtrl::MoveSelectArea(int trackId, const QVariant& vtFrom, const QVariant& vtTo)
{
    return m_panel->MoveSelectArea(trackId, TimeOf(vtFrom), TimeOf(vtTo));
}

bool CBrimselCtrl::ZoomIn()
{
    return m_panel->ZoomIn();
}

bool CBrimselCtrl::ZoomOut()
{
    return m_panel->ZoomOut();
}

bool CBrimselCtrl::CloseProject()
{
    return m_panel->CloseProject();
}

bool CBrimselCtrl::ScrollH(const QVariant& vtTime)
{
    return m_panel->ScrollToTime(TimeOf(vtTime));
}

bool CBrimselCtrl::IsScrollable(int pTrack)
{
    return m_panel->IsScrollable(pTrack);
}

void CBrimselCtrl::AboutBox()
{
    m_panel->show();
}

void CBrimselCtrl::FireSelectTrack(int trackId)
{
    emit SelectTrack(static_cast<short>(trackId));
}

void CBrimselCtrl::FireSelectingTime(int64_t from, int64_t to)
{
    if (from > to)
        std::swap(from, to);
    emit SelectingTime(QVariant::fromValue<qint64>(from), QVariant::fromValue<qint64>(to));
}
