#include "row_selection.h"

#include "line_static.h"
#include "sample_mapping.h"
#include "time_mapping.h"
#include "view_state.h"
#include "vorlain/platform.h"

#include <QMouseEvent>
#include <QWidget>

#include <algorithm>

using namespace brimsel;

CRowSelection::CRowSelection(QWidget& row, ISelectionHost& host, CViewState& state)
    : m_row(row), m_host(host), m_state(state), m_left(kNone), m_right(kNone), m_clickLine(kNone)
{
    m_clickLineWidget = new CLineStatic(QStringLiteral("LeftDownLine"), 205, &row);
    m_clickLineWidget->SetColor(QColor(125, 125, 125));
    m_timer1.setInterval(100);
    m_timer2.setInterval(100);
    QObject::connect(&m_timer1, &QTimer::timeout, &m_timer1, [this] { OnTimer(1); });
    QObject::connect(&m_timer2, &QTimer::timeout, &m_timer2, [this] { OnTimer(2); });
}

// ---- the selection ------------------------------------------------------------------

bool CRowSelection::HasSelection() const
{
    return m_left != kNone;
}

void CRowSelection::ClearRange()
{
    m_left = m_right = kNone;
    m_row.update();
}

void CRowSelection::Clear()
{
    m_clickLine = kNone;
    ClearRange();
    m_clickLineWidget->hide();
}

void CRowSelection::Show(int64_t from, int64_t to)
{
    const int x1 = m_state.XAt(from), x2 = m_state.XAt(to);
    m_clickLine = kNone;
    m_clickLineWidget->hide();
    m_left = x1;
    m_right = x2;
    m_row.update();
    m_state.MarkRange(x1, x2);
}

void CRowSelection::Restore(int64_t from, int64_t to)
{
    if (from == to) {
        m_clickLine = m_state.XAt(from);
        PlaceClickLine();
        m_state.MarkRange(m_state.XAt(from), kNone);
    } else {
        m_left = m_state.XAt(from);
        m_right = m_state.XAt(to);
        m_clickLine = kNone;
        m_clickLineWidget->hide();
        m_state.MarkRange(m_state.XAt(from), m_state.XAt(to));
    }
}

void CRowSelection::PlaceClickLine()
{
    if (m_clickLine == kNone || m_clickLine < kWaveLeft) {
        m_clickLineWidget->hide();
        return;
    }
    m_clickLineWidget->setGeometry(m_clickLine, 0, 1, kRowHeight);
    m_clickLineWidget->show();
}

void CRowSelection::ScrollBy(int d)
{
    if (HasSelection()) {
        m_left = ToPixel(int64_t(m_left) - d);
        m_right = ToPixel(int64_t(m_right) - d);
        VorlainOutputDebugString("ScrollH m_rcLastSelectRect.left=%d m_rcLastSelectRect.right=%d",
                                 m_left, m_right);
    }
    if (m_clickLine != kNone)
        m_clickLine = ToPixel(int64_t(m_clickLine) - d);
    m_clickLineWidget->hide();
}

void CRowSelection::Rescale(bool zoomIn)
{
    const int64_t pos = m_state.HScrollPos();
    auto scale = [&](int x) -> int {
        if (x == kNone)
            return kNone;
        if (zoomIn)
            return ToPixel(pos + 2 * int64_t(x) - kWaveLeft);
        return ToPixel((int64_t(x) - pos - kWaveLeft) / 2 + kWaveLeft);
    };
    if (HasSelection()) {
        m_left = scale(m_left);
        m_right = scale(m_right);
        m_clickLine = kNone;
    } else if (m_clickLine != kNone) {
        m_clickLine = scale(m_clickLine);
    }
}

int CRowSelection::EndOfData() const
{
    return ToPixel(int64_t(m_host.Columns()) - m_state.HScrollPos() + kWaveLeft);
}

bool CRowSelection::InWaveArea(int x, int y) const
{
    return x >= kWaveLeft && int64_t(x) < int64_t(EndOfData()) + 1 && y >= 0 && y < kRowHeight;
}

int64_t CRowSelection::ClampTime(int64_t time) const
{
    return std::clamp<int64_t>(time, 0, std::max<int64_t>(m_host.Length(), 0));
}

void CRowSelection::Fire(int64_t from, int64_t to)
{
    m_state.FireSelectingTime(ClampTime(from), ClampTime(to));
}

void CRowSelection::Publish(int64_t from, int64_t to)
{
    m_state.MarkRange(m_left, m_right);
    m_row.update();
    m_from = ClampTime(from);
    m_to = ClampTime(to);
    Fire(m_from, m_to);
}

// ---- the mouse ------------------------------------------------------------------------

void CRowSelection::Press(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    if ((event->modifiers() & Qt::ShiftModifier) && m_host.IsSelected() && p.x() >= kWaveLeft &&
        !m_state.IsPlaying() && !m_state.IsRecording()) {
        ExtendTo(p.x());
        return;
    }
    m_buttonDown = true;
    m_outside = false;
    OnLButtonDown(p.x(), p.y());
}

void CRowSelection::Move(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (m_buttonDown) {
        if (!m_row.rect().contains(p)) {
            if (!m_outside) {
                m_outside = true;
                OnMouseLeave(p.x(), p.y());
            }
            return;
        }
        m_outside = false;
    }
    OnMouseMove(p.x(), p.y());
}

void CRowSelection::Release(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    m_buttonDown = false;
    m_outside = false;
    m_timer1.stop();
    m_timer2.stop();
    OnLButtonUp(p.x(), p.y());
}

void CRowSelection::OnLButtonDown(int x, int y)
{
    VorlainOutputDebugString("CDlgBrimsel::OnLButtonDown index=%d", m_host.TrackId());
    m_host.Select();

    if (InWaveArea(x, y)) {
        const bool grabbed = m_leftEdgeGrab || m_rightEdgeGrab;
        if (grabbed) {
            m_edgeDrag = true;
        } else {
            m_edgeDrag = false;
            if (HasSelection()) {
                VorlainOutputDebugString("OnLButtonDown index=%d  left =%d", m_host.TrackId(),
                                         m_left);
                ClearRange();
            }
            m_clickLine = x;
        }
        m_dragging = true;
        m_from = m_to = m_state.TimeAt(x);
        m_state.FireSelectTrack(m_host.TrackId());
        m_state.FireSelectingTime(m_from, m_to);
        if (grabbed) {
            m_row.setCursor(Qt::SizeHorCursor);
            m_clickLineWidget->hide();
        } else {
            PlaceClickLine();
            if (!m_state.Marks().StartLocked())
                m_state.MarkRange(x, kNone);
        }
    } else if (!m_state.IsPlaying() && !m_state.IsRecording()) {
        ClearRange();
        m_clickLine = kWaveLeft + 1;
        PlaceClickLine();
        m_state.FireSelectTrack(m_host.TrackId());
        m_state.FireSelectingTime(0, 0);
        m_state.MarkRange(0, 0);
    }
}

void CRowSelection::OnLButtonUp(int, int)
{
    m_dragging = false;
    m_leftEdgeGrab = m_rightEdgeGrab = false;
    m_edgeDrag = false;
}

void CRowSelection::OnMouseMove(int x, int y)
{
    m_timer1.stop();
    if (InWaveArea(x, y)) {
        if (!m_dragging) {
            m_leftEdgeGrab = m_rightEdgeGrab = false;
            if (HasSelection()) {
                if (m_left - 4 < x && x < m_left + 4)
                    m_leftEdgeGrab = true;
                else if (m_right - 4 < x && x < m_right + 4)
                    m_rightEdgeGrab = true;
            }
            if (m_leftEdgeGrab || m_rightEdgeGrab)
                m_row.setCursor(Qt::SizeHorCursor);
            else
                m_row.unsetCursor();
        } else {
            VorlainOutputDebugString("CDlgBrimsel::OnMouseMove  left:%d ", m_left);
            if (m_leftEdgeGrab && !m_rightEdgeGrab) {
                m_left = x;
            } else if (m_rightEdgeGrab) {
                m_right = x;
            } else {
                // A fresh drag spans the click line and the pointer, in order.
                const int a = m_clickLine == kNone ? x : m_clickLine;
                m_left = std::min(a, x);
                m_right = std::max(a, x);
            }
            Publish(m_state.TimeAt(m_left), m_state.TimeAt(m_right));
            if (m_edgeDrag)
                m_row.setCursor(Qt::SizeHorCursor);
        }
    } else if (m_dragging) {
        // Leaving the drawn data keeps the selection on the track: past the
        // end it runs to the track's end, before the wave to its start. A
        // drag that has no selection yet starts from its click line.
        if (!HasSelection() && m_clickLine != kNone)
            m_left = m_right = m_clickLine;
        if (m_left != kNone && m_right < m_left)
            std::swap(m_left, m_right);
        int64_t from = 0, to = 0;
        if (HasSelection() && x > m_right) {
            m_right = EndOfData() - 1;
            from = m_state.TimeAt(m_left);
            to = m_host.Length();
        } else if (HasSelection() && x < m_left) {
            m_left = kWaveLeft;
            from = 0;
            to = m_state.TimeAt(m_right);
        }
        Publish(from, to);
    }

    if (m_dragging && x >= 0 && x < kWaveLeft && m_state.HScrollPos() > 0) {
        if (HasSelection()) {
            m_left = kWaveLeft;
            m_row.update();
        }
        m_timer2.start();
    } else {
        m_timer2.stop();
    }
}

void CRowSelection::OnMouseLeave(int x, int)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    if (m_state.IsPlaying() || m_state.IsRecording())
        return;
    if (HasSelection() && m_right < m_left)
        std::swap(m_left, m_right);
    if (x >= kWaveLeft && x < m_row.width() + 500) {
        if (HasSelection()) {
            m_right = std::min(x, EndOfData());
            Publish(m_state.TimeAt(m_left), m_state.TimeAt(m_right));
        }
        m_timer1.start();
    } else if (x >= 0 && x < kWaveLeft) {
        if (HasSelection()) {
            m_left = kWaveLeft;
            Publish(m_state.TimeAt(m_left), m_state.TimeAt(m_right));
        }
        m_timer2.start();
    }
    VorlainOutputDebugString("OnMouseLeave");
}

void CRowSelection::OnTimer(int timer)
{
    QTimer& t = timer == 1 ? m_timer1 : m_timer2;
    if (!m_buttonDown) {
        t.stop();
        return;
    }
    if (!m_host.IsScrollable()) {
        VorlainOutputDebugString("OnTimer FALSE");
        return;
    }
    const int d = m_state.HScroll(timer == 1 ? 20 : -20, m_host.TrackId());
    if (d == 0) {
        t.stop();
        return;
    }
    // This row was left out of the rows' scroll: its selection keeps the
    // edge under the pointer and grows at the other.
    if (timer == 1) {
        if (HasSelection())
            m_left = ToPixel(int64_t(m_left) - d);
    } else if (HasSelection()) {
        m_right = ToPixel(int64_t(m_right) - d);
    }
    if (HasSelection())
        m_state.MarkRange(m_left, m_right);
    if (m_clickLine != kNone)
        m_clickLine = ToPixel(int64_t(m_clickLine) - d);
    m_clickLineWidget->hide();
    m_host.FollowScroll();
    if (timer == 1)
        m_to = ClampTime(m_state.TimeAt(m_right == kNone ? kWaveLeft : m_right));
    else
        m_from = ClampTime(m_state.TimeAt(kWaveLeft));
    Fire(m_from, m_to);
}

void CRowSelection::ExtendTo(int x)
{
    const int64_t t = ClampTime(m_state.TimeAt(x));
    int64_t from = m_from, to = m_to;
    if (t < from)
        from = t;
    else if (t > to)
        to = t;
    else if (t - from < to - t)
        from = t;
    else
        to = t;
    m_host.SelectRange(from, to);
    m_from = from;
    m_to = to;
    Fire(from, to);
}
