#include "dlg_panel.h"

#include "brimsel_ctrl.h"
#include "dlg_brimsel.h"
#include "dlg_scale.h"
#include "dlg_track_area.h"
#include "time_mapping.h"
#include "vorlain/kestrum.h"
#include "vorlain/platform.h"
#include "win_messages.h"

#include <QScrollBar>

#include <algorithm>

using namespace brimsel;

namespace {

constexpr int kRowPitch = 160; // a 150-pixel row and a 10-pixel gap

/** The iteration index of GetVisableTrack, one for the whole library. */
size_t s_visibleIndex = 0;

} // namespace

CDlgPanel::CDlgPanel(CBrimselCtrl* control, QWidget* parent) : QWidget(parent), m_control(control)
{
    setObjectName(QStringLiteral("CDlgPanel"));
    m_scale = new CDlgScale(this, this);
    m_trackArea = new CDlgTrackArea(this);
    m_hBar = new QScrollBar(Qt::Horizontal, this);
    m_hBar->setObjectName(QStringLiteral("id100"));
    m_vBar = new QScrollBar(Qt::Vertical, this);
    m_vBar->setObjectName(QStringLiteral("id101"));
    SyncBar(m_hBar, m_hInfo);
    SyncBar(m_vBar, m_vInfo);
    connect(m_hBar, &QAbstractSlider::actionTriggered, this, &CDlgPanel::OnHBarAction);
    connect(m_vBar, &QAbstractSlider::actionTriggered, this, &CDlgPanel::OnVBarAction);
    m_zoomFactor = kInitialZoom;
    Layout();
}

CDlgPanel::~CDlgPanel()
{
    // The rows are children of the track area; they go with it.
    m_views.clear();
}

// ---- layout -------------------------------------------------------------------

void CDlgPanel::resizeEvent(QResizeEvent*)
{
    Layout();
}

void CDlgPanel::Layout()
{
    const int w = width(), h = height();
    m_scale->setGeometry(0, 0, w, 30);
    m_trackArea->setGeometry(0, 30, std::max(w - 20, 0), std::max(h - 50, 0));
    m_hBar->setGeometry(kWaveLeft, h - 20, std::max(w - 160, 0), 20);
    m_vBar->setGeometry(w - 20, 30, 20, std::max(h - 50, 0));
    PlaceRows();
}

void CDlgPanel::PlaceRows()
{
    int k = 0;
    for (CDlgBrimsel* view : m_views) {
        if (!view->IsVisibleRow())
            continue;
        view->setGeometry(0, kRowPitch * k - m_vScrollPos, std::max(width() - 20, 1), 150);
        ++k;
    }
}

int CDlgPanel::VisibleCount() const
{
    return static_cast<int>(
        std::count_if(m_views.begin(), m_views.end(), [](auto* v) { return v->IsVisibleRow(); }));
}

int CDlgPanel::VisibleRowsBefore(const CDlgBrimsel* view) const
{
    int k = 0;
    for (CDlgBrimsel* v : m_views) {
        if (v == view)
            break;
        if (v->IsVisibleRow())
            ++k;
    }
    return k;
}

CDlgBrimsel* CDlgPanel::FindView(int trackId) const
{
    for (CDlgBrimsel* view : m_views)
        if (view->TrackId() == trackId)
            return view;
    return nullptr;
}

// ---- scroll bars -------------------------------------------------------------

void CDlgPanel::SyncBar(QScrollBar* bar, const ScrollInfo& info)
{
    const QSignalBlocker block(bar);
    if (info.nMax < info.nMin || info.nPage <= 0 || info.nPage > info.nMax - info.nMin) {
        bar->setRange(0, 0);
        bar->setEnabled(false);
        return;
    }
    bar->setEnabled(true);
    bar->setRange(info.nMin, info.nMax - info.nPage + 1);
    bar->setPageStep(info.nPage);
    bar->setSingleStep(std::max(info.nPage / 4, 1));
    bar->setValue(std::clamp(info.nPos, bar->minimum(), bar->maximum()));
}

void CDlgPanel::SetHBar(const ScrollInfo& info)
{
    m_hInfo = info;
    SyncBar(m_hBar, m_hInfo);
}

void CDlgPanel::SetVBar(const ScrollInfo& info)
{
    m_vInfo = info;
    SyncBar(m_vBar, m_vInfo);
}

void CDlgPanel::OnHBarAction(int action)
{
    int d = 0;
    if (!m_playing && !m_recording) {
        const int page = m_hInfo.nPage;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            d = -page / 4;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            d = m_nHScrollPos + page > m_hInfo.nMax ? 0 : page / 4;
            break;
        case QAbstractSlider::SliderPageStepSub:
            d = -page;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            d = page;
            break;
        case QAbstractSlider::SliderMove:
            d = m_hBar->sliderPosition() - m_nHScrollPos;
            break;
        default:
            break;
        }
        HScroll(d, 0);
    }
    // The bar shows where the rows are, whatever it proposed.
    m_hBar->setSliderPosition(std::clamp(m_nHScrollPos, m_hBar->minimum(), m_hBar->maximum()));
}

void CDlgPanel::OnVBarAction(int action)
{
    if (!m_playing && !m_recording) {
        const int page = m_vInfo.nPage;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            VScroll(-page / 4);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            if (m_vScrollPos + page <= m_vInfo.nMax)
                VScroll(page / 4);
            break;
        case QAbstractSlider::SliderPageStepSub:
            VScroll(-page);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            VScroll(page);
            break;
        case QAbstractSlider::SliderMove:
            VScroll(m_vBar->sliderPosition() - m_vScrollPos);
            break;
        default:
            break;
        }
    }
    m_vBar->setSliderPosition(std::clamp(m_vScrollPos, m_vBar->minimum(), m_vBar->maximum()));
}

void CDlgPanel::VScroll(int d)
{
    if (!m_vInfo.Contains(m_vScrollPos))
        return;
    const int next = std::clamp(m_vScrollPos + d, 0, std::max(m_vInfo.nMax, 0));
    if (next == m_vScrollPos)
        return;
    m_vScrollPos = next;
    m_vInfo.nPos = next;
    SyncBar(m_vBar, m_vInfo);
    PlaceRows();
}

int CDlgPanel::HScroll(int d, int exceptId)
{
    if (d == 0 || !m_hInfo.Contains(m_nHScrollPos))
        return 0;
    const int w = width();
    if (int64_t(m_nHScrollPos) + d < 0)
        d = -m_nHScrollPos;
    else if (int64_t(m_hInfo.nMax) < int64_t(m_nHScrollPos) + d + w - kWaveLeft)
        d = m_hInfo.nMax - m_nHScrollPos - w + kWaveLeft;
    if (d == 0)
        return 0;
    VorlainOutputDebugString("GetScrollInfo min:%d max:%d m_nHScrollPos=%d nDelta=%d", m_hInfo.nMin,
                             m_hInfo.nMax, m_nHScrollPos, d);
    m_nHScrollPos += d;
    m_hInfo.nPos = m_nHScrollPos;
    SyncBar(m_hBar, m_hInfo);
    m_scale->update();
    for (CDlgBrimsel* view : m_views)
        if (view->IsVisibleRow() && view->TrackId() != exceptId)
            view->ScrollH(d);
    return d;
}

void CDlgPanel::ForceHScrollTo(int pos)
{
    const int d = pos - m_nHScrollPos;
    if (d == 0)
        return;
    m_nHScrollPos = pos;
    m_hInfo.nPos = pos;
    SyncBar(m_hBar, m_hInfo);
    m_scale->update();
    for (CDlgBrimsel* view : m_views)
        if (view->IsVisibleRow())
            view->ScrollH(d);
}

bool CDlgPanel::ScrollToTime(int64_t time)
{
    // The time lands on the first wave column, x = 140.
    const int64_t column = ColumnOfTime(time, m_zoomFactor);
    if (m_hInfo.nMax > 0)
        HScroll(ToPixel(column - m_nHScrollPos), 0);
    return true;
}

void CDlgPanel::RecomputeHRange()
{
    int64_t widest = -1;
    for (CDlgBrimsel* view : m_views)
        if (view->IsVisibleRow())
            widest = std::max<int64_t>(widest, view->Columns());
    const int m = widest < 0 ? 0 : ToPixel(widest + kWaveLeft);
    const int areaWidth = m_trackArea->width();
    if (areaWidth < m + 20) {
        SetHBar(ScrollInfo{0, m, areaWidth - 30, m_nHScrollPos});
    } else {
        // Everything fits: nothing may stay scrolled out of sight.
        SetHBar(ScrollInfo::Empty());
        ForceHScrollTo(0);
    }
}

void CDlgPanel::OnViewColumnsChanged()
{
    RecomputeHRange();
}

// ---- rows ----------------------------------------------------------------------

bool CDlgPanel::AddTrack(CTrack* track)
{
    if (!track)
        return false;
    TrackBaseInfo info{};
    Kestrum_GetTrackBaseInfoEx(track, &info);
    const int64_t length = std::max<int64_t>(info.length, 0);
    const int64_t samples = (length / 1000000 + 1) * 44100;

    // Widen the scroll range until the track fits at the present zoom. The
    // steps of 100 are counted at once rather than looped: a very long track
    // would otherwise take billions of steps.
    int64_t w = std::max(width() - 160, 1);
    auto coarse = [&](int64_t width) { return (samples / width) & ~int64_t(127); };
    if (int64_t(m_zoomFactor) < coarse(w)) {
        const int64_t threshold = 128 * ((int64_t(m_zoomFactor) + 127) / 128);
        const int64_t need = samples / threshold + 1;
        if (need > w)
            w += 100 * ((need - w + 99) / 100);
        w = std::min<int64_t>(w, INT32_MAX / 2);
        if (m_hInfo.nMax < w)
            SetHBar(ScrollInfo{0, static_cast<int>(w), width() - 170, m_nHScrollPos});
    }

    auto* view = new CDlgBrimsel(this, m_trackArea);
    if (!view->InitFromTrack(track)) {
        delete view;
        return false;
    }
    const int n = kRowPitch * VisibleCount();
    if (height() - 50 < n - m_vScrollPos + 150) {
        SetVBar(ScrollInfo{0, n + kRowPitch, height() - 60, m_vScrollPos});
        VScroll(150);
    }
    view->setGeometry(0, n - m_vScrollPos, std::max(width() - 20, 1), 150);
    view->show();
    // The new row selects itself through the ordinary click path.
    PostMessage(view->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, kWaveLeft);
    PostMessage(view->Hwnd(), WM_LBUTTONUP, 0, kWaveLeft);
    m_views.push_back(view);
    return true;
}

bool CDlgPanel::ForceRedrawTrackEx(int trackId, bool disableSelectArea, int64_t from, int64_t to)
{
    if (CDlgBrimsel* view = FindView(trackId))
        view->ForceRedraw(disableSelectArea, from, to);
    RecomputeHRange();
    return true;
}

bool CDlgPanel::EnableTrack(int trackId, bool show)
{
    CDlgBrimsel* view = FindView(trackId);
    if (!view)
        return true;
    view->SetVisibleRow(show);
    view->setVisible(show);
    if (show) {
        PostMessage(view->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, kWaveLeft);
        PostMessage(view->Hwnd(), WM_LBUTTONUP, 0, kWaveLeft);
    }
    if (view->IsSelected()) {
        m_scale->SetRange(kNone, kNone);
        m_scale->update();
    }
    const int total = kRowPitch * VisibleCount();
    m_vScrollPos = 0;
    const int areaHeight = m_trackArea->height();
    if (areaHeight < total)
        SetVBar(ScrollInfo{0, total, areaHeight - 10, 0});
    else
        SetVBar(ScrollInfo::Empty());
    PlaceRows();
    if (show) {
        const int c = kRowPitch * VisibleRowsBefore(view);
        if (height() - 30 < c + 150)
            VScroll(c - height() + 330);
    }
    return true;
}

HWND CDlgPanel::GetBrimselHwnd(int trackId) const
{
    CDlgBrimsel* view = FindView(trackId);
    return view ? view->Hwnd() : nullptr;
}

bool CDlgPanel::GetVisableTrack(int* trackId)
{
    if (!trackId)
        return false;
    for (size_t i = s_visibleIndex; i < m_views.size(); ++i) {
        if (m_views[i]->IsVisibleRow()) {
            *trackId = m_views[i]->TrackId();
            s_visibleIndex = i + 1;
            return true;
        }
    }
    s_visibleIndex = 0;
    return false;
}

bool CDlgPanel::MoveSelectArea(int trackId, int64_t from, int64_t to)
{
    CDlgBrimsel* view = FindView(trackId);
    if (!view)
        return false;
    view->SelectRange(from, to);
    return true;
}

bool CDlgPanel::MovePlayingLine(int trackId, int64_t time, bool show)
{
    m_playing = show;
    if (CDlgBrimsel* view = FindView(trackId))
        view->SetPlayingLine(time, show);
    return true;
}

bool CDlgPanel::IsScrollable(int trackId) const
{
    CDlgBrimsel* view = FindView(trackId);
    return view && view->IsScrollable();
}

void CDlgPanel::DeselectOthers(CDlgBrimsel* keep)
{
    for (CDlgBrimsel* view : m_views)
        if (view != keep)
            view->DeSelectArea();
}

bool CDlgPanel::CloseProject()
{
    m_nHScrollPos = 0;
    m_vScrollPos = 0;
    while (!m_views.empty()) {
        CDlgBrimsel* view = m_views.back();
        m_views.pop_back();
        view->setEnabled(false);
        delete view;
    }
    SetHBar(ScrollInfo::Empty());
    SetVBar(ScrollInfo::Empty());
    m_scale->update();
    return true;
}

// ---- zoom ------------------------------------------------------------------------

bool CDlgPanel::ZoomIn()
{
    if (m_zoomFactor < 32)
        return false;
    m_zoomFactor /= 2;
    m_scale->setUpdatesEnabled(false);
    m_scale->OnZoomIn();
    for (CDlgBrimsel* view : m_views)
        if (view->IsVisibleRow())
            view->Rescale(true);
    m_scale->setUpdatesEnabled(true);
    m_scale->update();
    AdjustRangeAfterZoom();
    return true;
}

bool CDlgPanel::ZoomOut()
{
    // The factor doubles without a ceiling of its own, but a 32-bit factor
    // would wrap to 0 after 25 doublings: it stops where it still fits, and
    // a refused doubling leaves everything as it is.
    if (m_zoomFactor > uint32_t(INT32_MAX) / 2)
        return true;
    m_zoomFactor *= 2;
    m_scale->setUpdatesEnabled(false);
    m_scale->OnZoomOut();
    const uint32_t begin = VorlainTickCount();
    VorlainOutputDebugString("Zoom Out--- begin:%u", begin);
    for (CDlgBrimsel* view : m_views)
        if (view->IsVisibleRow())
            view->Rescale(false);
    VorlainOutputDebugString("Zoom Out--- begin:%u", VorlainTickCount());
    m_scale->setUpdatesEnabled(true);
    m_scale->update();
    AdjustRangeAfterZoom();
    return true;
}

void CDlgPanel::AdjustRangeAfterZoom()
{
    CDlgBrimsel* longest = nullptr;
    for (CDlgBrimsel* view : m_views)
        if (view->IsVisibleRow() && (!longest || view->Length() > longest->Length()))
            longest = view;
    if (!longest)
        return;
    const int w = longest->width() - kWaveLeft;
    const int c = longest->Columns();
    if (int64_t(w) < int64_t(c) + 20) {
        if (c < m_nHScrollPos)
            HScroll(c - m_nHScrollPos - 50, 0);
        SetHBar(ScrollInfo{0, ToPixel(int64_t(c) + 50), longest->width() - 150, m_nHScrollPos});
    } else {
        // The longest row fits now: the rows go back to the start with the
        // empty range, whether or not they fitted before the zoom, so that
        // nothing stays scrolled out of reach.
        SetHBar(ScrollInfo::Empty());
        ForceHScrollTo(0);
    }
}

// ---- events ------------------------------------------------------------------------

void CDlgPanel::FireSelectTrack(int trackId)
{
    m_control->FireSelectTrack(trackId);
}

void CDlgPanel::FireSelectingTime(int64_t from, int64_t to)
{
    m_control->FireSelectingTime(from, to);
}
