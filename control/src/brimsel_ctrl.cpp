#include "brimsel_ctrl.h"

#include "dlg_panel.h"
#include "view_state.h"

#include <QMessageBox>
#include <QResizeEvent>

#include <algorithm>

namespace {

// The control's name and version, as its plugin's metadata (brimsel.json) gives them.
constexpr char kName[] = "Brimsel";
constexpr char kDescription[] = "Brimsel Control";
constexpr char kVersion[] = "1.0";

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
    m_panel = new CDlgPanel(this);
    CViewState* state = m_panel->State();
    connect(state, &CViewState::selectTrack, this, &CBrimselCtrl::FireSelectTrack);
    connect(state, &CViewState::selectingTime, this, &CBrimselCtrl::FireSelectingTime);
    m_panel->setGeometry(rect());
    m_panel->show();
}

CBrimselCtrl::~CBrimselCtrl() = default;

void CBrimselCtrl::resizeEvent(QResizeEvent* event)
{
    m_panel->setGeometry(0, 0, event->size().width(), event->size().height());
}

// ---- IBrimselView ---------------------------------------------------------------

bool CBrimselCtrl::AddTrack(CTrack* track)
{
    return m_panel->AddTrack(track);
}

bool CBrimselCtrl::ForceRedrawTrack(int trackId)
{
    return m_panel->ForceRedrawTrackEx(trackId, false, 0, 0);
}

bool CBrimselCtrl::MovePlayingLine(int trackId, int64_t time, bool show)
{
    return m_panel->MovePlayingLine(trackId, time, show);
}

bool CBrimselCtrl::ForceRedrawTrackEx(int trackId, bool setSelection, int64_t from, int64_t to)
{
    return m_panel->ForceRedrawTrackEx(trackId, setSelection, from, to);
}

bool CBrimselCtrl::EnableTrack(int trackId, bool show)
{
    return m_panel->EnableTrack(trackId, show);
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

bool CBrimselCtrl::MoveSelectArea(int trackId, int64_t from, int64_t to)
{
    return m_panel->MoveSelectArea(trackId, from, to);
}

bool CBrimselCtrl::ZoomIn()
{
    return m_panel->ZoomIn();
}

bool CBrimselCtrl::ZoomOut()
{
    return m_panel->ZoomOut();
}

bool CBrimselCtrl::CanZoomOut()
{
    return m_panel->State()->CanZoomOut();
}

int64_t CBrimselCtrl::ViewSpan()
{
    return m_panel->State()->ViewSpan();
}

bool CBrimselCtrl::CloseProject()
{
    return m_panel->CloseProject();
}

bool CBrimselCtrl::ScrollH(int64_t time)
{
    return m_panel->ScrollToTime(time);
}

bool CBrimselCtrl::IsScrollable(int pTrack)
{
    return m_panel->IsScrollable(pTrack);
}

// ---- by name ------------------------------------------------------------------------

bool CBrimselCtrl::AddTrack(qint64 pTrack)
{
    return AddTrack(reinterpret_cast<CTrack*>(static_cast<intptr_t>(pTrack)));
}

bool CBrimselCtrl::MovePlayingLine(int tracdId, const QVariant& vtTime, int bShow)
{
    if (!IsTime(vtTime))
        return false;
    return MovePlayingLine(tracdId, TimeOf(vtTime), bShow != 0);
}

bool CBrimselCtrl::ForceRedrawTrackEx(int trackId, int bDisableSelectArea, const QVariant& wParam,
                                      const QVariant& lParam)
{
    return ForceRedrawTrackEx(trackId, bDisableSelectArea != 0, TimeOf(wParam), TimeOf(lParam));
}

bool CBrimselCtrl::EnableTrack(int trackId, int bShow)
{
    return EnableTrack(trackId, bShow != 0);
}

bool CBrimselCtrl::MoveSelectArea(int trackId, const QVariant& vtFrom, const QVariant& vtTo)
{
    return MoveSelectArea(trackId, TimeOf(vtFrom), TimeOf(vtTo));
}

bool CBrimselCtrl::ScrollH(const QVariant& vtTime)
{
    return ScrollH(TimeOf(vtTime));
}

void CBrimselCtrl::AboutBox()
{
    QMessageBox::about(this, AboutTitle(), AboutText());
}

QString CBrimselCtrl::AboutTitle()
{
    return QStringLiteral("About %1").arg(QLatin1String(kName));
}

QString CBrimselCtrl::AboutText()
{
    return QStringLiteral("%1\nVersion %2")
        .arg(QLatin1String(kDescription), QLatin1String(kVersion));
}

void CBrimselCtrl::FireSelectTrack(int trackId)
{
    emit SelectTrack(static_cast<short>(trackId));
    if (m_events)
        m_events->OnSelectTrack(trackId);
}

void CBrimselCtrl::SetEvents(IBrimselEvents* events)
{
    m_events = events;
}

void CBrimselCtrl::FireSelectingTime(int64_t from, int64_t to)
{
    if (from > to)
        std::swap(from, to);
    emit SelectingTime(QVariant::fromValue<qint64>(from), QVariant::fromValue<qint64>(to));
    if (m_events)
        m_events->OnSelectingTime(from, to);
}
