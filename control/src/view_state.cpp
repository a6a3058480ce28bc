#include "view_state.h"

#include "time_mapping.h"
#include "vorlain/platform.h"

#include <QWidget>

#include <algorithm>
#include <cstdlib>

using namespace brimsel;

CViewState::CViewState(const QWidget* scrollArea, QObject* parent)
    : QObject(parent), m_scrollArea(scrollArea)
{
}

// ---- time scale --------------------------------------------------------------------

bool CViewState::ZoomIn()
{
    if (m_zoomFactor < 32)
        return false;
    m_zoomFactor /= 2;
    m_marks.ZoomIn();
    emit zoomed(true);
    return true;
}

namespace {
// The rows are the container's width less the vertical bar's 20 pixels.
int64_t WaveWidth(const QWidget* scrollArea)
{
    return std::max(scrollArea->width() - 20 - kWaveLeft, 1);
}
} // namespace

bool CViewState::CanZoomOut() const
{
    if (m_zoomFactor > uint32_t(INT32_MAX) / 2)
        return false; // a 32-bit factor would wrap
    const int64_t longest = m_longest ? m_longest() : 0;
    return ColumnOfTime(longest, m_zoomFactor) > WaveWidth(m_scrollArea);
}

int64_t CViewState::ViewSpan() const
{
    return TimeOfX(kWaveLeft + WaveWidth(m_scrollArea), m_zoomFactor, 0);
}

bool CViewState::ZoomOut()
{
    if (!CanZoomOut())
        return false;
    m_zoomFactor *= 2;
    m_marks.ZoomOut();
    emit zoomed(false);
    return true;
}

void CViewState::ZoomAt(int notches, int x)
{
    const int64_t t = std::max<int64_t>(TimeAt(x), 0);
    for (int i = 0; i < std::abs(notches); ++i)
        if (!(notches > 0 ? ZoomIn() : ZoomOut()))
            break;
    const int64_t left = t - TimeOfX(x, m_zoomFactor, 0);
    ScrollToTime(std::max<int64_t>(left, 0));
}

int64_t CViewState::TimeAt(int x) const
{
    return TimeOfX(x, m_zoomFactor, m_hScrollPos);
}

int CViewState::XAt(int64_t time) const
{
    return ToPixel(XOfTime(time, m_zoomFactor, m_hScrollPos));
}

// ---- horizontal scroll -------------------------------------------------------------

void CViewState::SetHBar(const ScrollInfo& info)
{
    m_hBar = info;
    emit hBarChanged();
}

int CViewState::HScroll(int d, int exceptId)
{
    if (d == 0 || !m_hBar.Contains(m_hScrollPos))
        return 0;
    const int w = m_scrollArea->width();
    if (int64_t(m_hScrollPos) + d < 0)
        d = -m_hScrollPos;
    else if (int64_t(m_hBar.nMax) < int64_t(m_hScrollPos) + d + w - kWaveLeft)
        d = m_hBar.nMax - m_hScrollPos - w + kWaveLeft;
    if (d == 0)
        return 0;
    VorlainOutputDebugString("GetScrollInfo min:%d max:%d m_nHScrollPos=%d nDelta=%d", m_hBar.nMin,
                             m_hBar.nMax, m_hScrollPos, d);
    m_hScrollPos += d;
    m_hBar.nPos = m_hScrollPos;
    emit hScrolled(d, exceptId);
    return d;
}

void CViewState::ForceHScrollTo(int pos)
{
    const int d = pos - m_hScrollPos;
    if (d == 0)
        return;
    m_hScrollPos = pos;
    m_hBar.nPos = pos;
    emit hScrolled(d, std::nullopt);
}

bool CViewState::ScrollToTime(int64_t time)
{
    // The time lands on the first wave column, x = 140.
    const int64_t column = ColumnOfTime(time, m_zoomFactor);
    if (m_hBar.nMax > 0)
        HScroll(ToPixel(column - m_hScrollPos), 0);
    return true;
}

// ---- markers -------------------------------------------------------------------------

void CViewState::MarkRange(int a, int b)
{
    if (m_playing)
        return;
    if (m_marks.SetRange(a, b, m_hScrollPos))
        emit marksChanged();
}

void CViewState::ClearMarks()
{
    m_marks.SetRange(kNone, kNone, 0);
    emit marksChanged();
}

void CViewState::MarkStart(int a)
{
    if (m_playing)
        return;
    m_marks.SetStart(a, m_hScrollPos);
    emit marksChanged();
}

// ---- reports from the rows -----------------------------------------------------------

void CViewState::SelectRow(const QWidget* row)
{
    emit rowSelected(row);
}

void CViewState::ReportColumnsChanged()
{
    emit columnsChanged();
}

void CViewState::WheelRows(int notches)
{
    emit rowsWheeled(notches);
}

void CViewState::FireSelectTrack(int trackId)
{
    emit selectTrack(trackId);
}

void CViewState::FireSelectingTime(int64_t from, int64_t to)
{
    emit selectingTime(from, to);
}
