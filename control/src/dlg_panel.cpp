#include "dlg_panel.h"

#include "dlg_brimsel.h"
#include "dlg_scale.h"
#include "dlg_track_area.h"
#include "time_mapping.h"
#include "view_state.h"
#include "vorlain/kestrum.h"
#include "vorlain/platform.h"
#include "win_messages.h"

#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

using namespace brimsel;

namespace {

constexpr int kRowPitch = 160; // a 150-pixel row and a 10-pixel gap

/** The iteration index of GetVisableTrack, one for the whole library. */
size_t s_visibleIndex = 0;

} // namespace

CDlgPanel::CDlgPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CDlgPanel"));
    m_state = new CViewState(this, this);
    m_scale = new CDlgScale(m_state, this);
    m_trackArea = new CDlgTrackArea(this);
    m_hBar = new QScrollBar(Qt::Horizontal, this);
    m_hBar->setObjectName(QStringLiteral("id100"));
    m_vBar = new QScrollBar(Qt::Vertical, this);
    m_vBar->setObjectName(QStringLiteral("id101"));
    // The platform style draws thumb and groove in shades of one colour:
    // a dark thumb on a light groove is told apart at a glance.
    const QString bars = QStringLiteral(
        "QScrollBar { background: #e6e6e6; border: 1px solid #b4b4b4; }"
        "QScrollBar:horizontal { margin: 0 18px; }"
        "QScrollBar:vertical { margin: 18px 0; }"
        "QScrollBar::handle { background: #6a6a6a; border-radius: 3px; }"
        "QScrollBar::handle:hover { background: #4a4a4a; }"
        "QScrollBar::handle:horizontal { min-width: 24px; margin: 3px 0; }"
        "QScrollBar::handle:vertical { min-height: 24px; margin: 0 3px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { background: #d2d2d2;"
        " border: 1px solid #b4b4b4; subcontrol-origin: margin; }"
        "QScrollBar::add-line:horizontal { width: 17px; subcontrol-position: right; }"
        "QScrollBar::sub-line:horizontal { width: 17px; subcontrol-position: left; }"
        "QScrollBar::add-line:vertical { height: 17px; subcontrol-position: bottom; }"
        "QScrollBar::sub-line:vertical { height: 17px; subcontrol-position: top; }"
        "QScrollBar::left-arrow, QScrollBar::right-arrow, QScrollBar::up-arrow,"
        " QScrollBar::down-arrow { width: 5px; height: 5px; background: #505050; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"
        "QScrollBar:disabled { background: #f0f0f0; }"
        "QScrollBar::handle:disabled { background: none; }");
    m_hBar->setStyleSheet(bars);
    m_vBar->setStyleSheet(bars);
    SyncBar(m_hBar, m_state->HBar());
    SyncBar(m_vBar, m_vInfo);
    connect(m_hBar, &QAbstractSlider::actionTriggered, this, &CDlgPanel::OnHBarAction);
    connect(m_vBar, &QAbstractSlider::actionTriggered, this, &CDlgPanel::OnVBarAction);
    connect(m_state, &CViewState::hBarChanged, this, [this] { SyncBar(m_hBar, m_state->HBar()); });
    connect(m_state, &CViewState::hScrolled, this, &CDlgPanel::OnHScrolled);
    connect(m_state, &CViewState::zoomed, this, &CDlgPanel::OnZoomed);
    connect(m_state, &CViewState::rowSelected, this, &CDlgPanel::DeselectOthers);
    connect(m_state, &CViewState::columnsChanged, this, &CDlgPanel::RecomputeHRange);
    connect(m_state, &CViewState::rowsWheeled, this, &CDlgPanel::OnRowsWheeled);
    m_state->SetLongestSource([this] {
        int64_t longest = 0;
        for (CDlgBrimsel* view : m_views)
            if (view->IsVisibleRow())
                longest = std::max(longest, view->Length());
        return longest;
    });
    Layout();
}

CDlgPanel::~CDlgPanel()
{
    // The rows read the state, which goes with the panel's children: the
    // rows go first.
    qDeleteAll(m_views);
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

void CDlgPanel::SetVBar(const ScrollInfo& info)
{
    m_vInfo = info;
    SyncBar(m_vBar, m_vInfo);
}

void CDlgPanel::OnHBarAction(int action)
{
    int d = 0;
    const int pos = m_state->HScrollPos();
    if (!m_state->IsPlaying() && !m_state->IsRecording()) {
        const ScrollInfo& h = m_state->HBar();
        const int page = h.nPage;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            d = -page / 4;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            d = pos + page > h.nMax ? 0 : page / 4;
            break;
        case QAbstractSlider::SliderPageStepSub:
            d = -page;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            d = page;
            break;
        case QAbstractSlider::SliderMove:
            d = m_hBar->sliderPosition() - pos;
            break;
        default:
            break;
        }
        m_state->HScroll(d, 0);
    }
    // The bar shows where the rows are, whatever it proposed.
    m_hBar->setSliderPosition(
        std::clamp(m_state->HScrollPos(), m_hBar->minimum(), m_hBar->maximum()));
}

void CDlgPanel::OnVBarAction(int action)
{
    if (!m_state->IsPlaying() && !m_state->IsRecording()) {
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

void CDlgPanel::wheelEvent(QWheelEvent* event)
{
    // Below the last row; over a row the row turns the wheel into notches.
    const QPoint angle = event->angleDelta();
    m_wheelRest += angle.y() != 0 ? angle.y() : angle.x();
    const int notches = m_wheelRest / 120;
    m_wheelRest -= notches * 120;
    event->accept();
    if (notches != 0)
        OnRowsWheeled(notches);
}

void CDlgPanel::OnRowsWheeled(int notches)
{
    if (m_vBar->isEnabled()) {
        // Half a row a notch, never past the last page; wheeling down shows later rows.
        const int last = std::max(m_vInfo.nMax - m_vInfo.nPage + 1, 0);
        const int next = std::clamp(m_vScrollPos - notches * kRowPitch / 2, 0, last);
        VScroll(next - m_vScrollPos);
        return;
    }
    // A notch moves a tenth of the view; wheeling down goes later in time.
    const int step = std::max((m_trackArea->width() - kWaveLeft) / 10, 1);
    m_state->HScroll(-notches * step, 0);
}

void CDlgPanel::OnHScrolled(int d, std::optional<int> exceptTrackId)
{
    SyncBar(m_hBar, m_state->HBar());
    for (CDlgBrimsel* view : m_views)
        if (view->IsVisibleRow() && view->TrackId() != exceptTrackId)
            view->ScrollH(d);
}

bool CDlgPanel::ScrollToTime(int64_t time)
{
    return m_state->ScrollToTime(time);
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
        m_state->SetHBar(ScrollInfo{0, m, areaWidth - 30, m_state->HScrollPos()});
    } else {
        // Everything fits: nothing may stay scrolled out of sight.
        m_state->SetHBar(ScrollInfo::Empty());
        m_state->ForceHScrollTo(0);
    }
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
    const int64_t zoom = m_state->ZoomFactor();
    if (zoom < coarse(w)) {
        const int64_t threshold = 128 * ((zoom + 127) / 128);
        const int64_t need = samples / threshold + 1;
        if (need > w)
            w += 100 * ((need - w + 99) / 100);
        w = std::min<int64_t>(w, INT32_MAX / 2);
        if (m_state->HBar().nMax < w)
            m_state->SetHBar(
                ScrollInfo{0, static_cast<int>(w), width() - 170, m_state->HScrollPos()});
    }

    auto* view = new CDlgBrimsel(m_state, m_trackArea);
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
        m_state->MarkRange(kNone, kNone);
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
    m_state->SetPlaying(show);
    if (CDlgBrimsel* view = FindView(trackId))
        view->SetPlayingLine(time, show);
    return true;
}

bool CDlgPanel::IsScrollable(int trackId) const
{
    CDlgBrimsel* view = FindView(trackId);
    return view && view->IsScrollable();
}

void CDlgPanel::DeselectOthers(const QWidget* keep)
{
    for (CDlgBrimsel* view : m_views)
        if (view != keep)
            view->DeSelectArea();
}

bool CDlgPanel::CloseProject()
{
    m_state->ResetHScroll();
    m_vScrollPos = 0;
    while (!m_views.empty()) {
        CDlgBrimsel* view = m_views.back();
        m_views.pop_back();
        view->setEnabled(false);
        delete view;
    }
    m_state->SetHBar(ScrollInfo::Empty());
    SetVBar(ScrollInfo::Empty());
    // The ruler keeps nothing of the closed project: no range, no start marker.
    m_state->ClearMarks();
    m_scale->update();
    return true;
}

// ---- zoom ------------------------------------------------------------------------

bool CDlgPanel::ZoomIn()
{
    return m_state->ZoomIn();
}

bool CDlgPanel::ZoomOut()
{
    return m_state->ZoomOut();
}

void CDlgPanel::OnZoomed(bool zoomIn)
{
    m_scale->setUpdatesEnabled(false);
    if (!zoomIn)
        VorlainOutputDebugString("Zoom Out--- begin:%u", VorlainTickCount());
    for (CDlgBrimsel* view : m_views)
        if (view->IsVisibleRow())
            view->Rescale(zoomIn);
    if (!zoomIn)
        VorlainOutputDebugString("Zoom Out--- begin:%u", VorlainTickCount());
    m_scale->setUpdatesEnabled(true);
    m_scale->update();
    AdjustRangeAfterZoom();
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
        if (c < m_state->HScrollPos())
            m_state->HScroll(c - m_state->HScrollPos() - 50, 0);
        m_state->SetHBar(
            ScrollInfo{0, ToPixel(int64_t(c) + 50), longest->width() - 150, m_state->HScrollPos()});
    } else {
        // The longest row fits now: the rows go back to the start with the
        // empty range, whether or not they fitted before the zoom, so that
        // nothing stays scrolled out of reach.
        m_state->SetHBar(ScrollInfo::Empty());
        m_state->ForceHScrollTo(0);
    }
}

// ---- state ----------------------------------------------------------------------------

void CDlgPanel::SetMainHwnd(HWND hwnd)
{
    m_state->SetMainHwnd(hwnd);
}

uint32_t CDlgPanel::ZoomFactor() const
{
    return m_state->ZoomFactor();
}

void CDlgPanel::SetZoomFactor(uint32_t zoomFactor)
{
    m_state->SetZoomFactor(zoomFactor);
}

int CDlgPanel::HScrollPos() const
{
    return m_state->HScrollPos();
}

bool CDlgPanel::IsPlaying() const
{
    return m_state->IsPlaying();
}

bool CDlgPanel::IsRecording() const
{
    return m_state->IsRecording();
}
