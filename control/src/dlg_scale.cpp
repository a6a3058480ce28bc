#include "dlg_scale.h"

#include "dlg_panel.h"
#include "time_mapping.h"
#include "vorlain/platform.h"

#include <QPainter>

#include <algorithm>

using namespace brimsel;

namespace {

/** Marker values are content x (view x + scroll position); kNone stays kNone. */
int Shift(int64_t x, int64_t pos)
{
    return x == kNone ? kNone : ToPixel(x + pos);
}

} // namespace

CDlgScale::CDlgScale(CDlgPanel* owner, QWidget* parent)
    : QWidget(parent), m_owner(owner), m_markStart(kNone), m_markEnd(kNone), m_prevStart(kNone),
      m_prevEnd(kNone)
{
    VorlainOutputDebugString("CDlgScale::OnInitDialog IN");
    setObjectName(QStringLiteral("CDlgScale"));
    QFont labels = font();
    labels.setPixelSize(11);
    setFont(labels);
    if (parent)
        setGeometry(parent->rect());
    VorlainOutputDebugString("CDlgScale::OnInitDialog OUT");
}

void CDlgScale::SetRange(int a, int b)
{
    if (m_owner->IsPlaying())
        return;
    if (a == kNone && b == kNone) {
        m_markStart = m_markEnd = m_prevStart = m_prevEnd = kNone;
        return;
    }
    // A click that hardly moved keeps the markers where they are.
    if (b != 0 && std::abs(int64_t(a) - int64_t(b)) <= 2)
        return;
    m_startLocked = false;
    m_prevStart = m_markStart;
    m_prevEnd = m_markEnd;
    const int64_t pos = m_owner->HScrollPos();
    if (b >= a || b < 0) {
        m_markStart = Shift(a, pos);
        m_markEnd = Shift(b, pos);
    } else {
        m_markStart = Shift(b, pos);
        m_markEnd = Shift(a, pos);
    }
}

void CDlgScale::SetStart(int a)
{
    if (m_owner->IsPlaying())
        return;
    m_startLocked = true;
    m_prevStart = m_markStart;
    m_prevEnd = m_markEnd;
    m_markStart = Shift(a, m_owner->HScrollPos());
    m_markEnd = kNone;
}

void CDlgScale::InvalidateMarkers()
{
    int64_t lo = INT64_MAX, hi = INT64_MIN;
    for (int v : {m_markStart, m_markEnd, m_prevStart, m_prevEnd}) {
        if (v == kNone)
            continue;
        lo = std::min<int64_t>(lo, v);
        hi = std::max<int64_t>(hi, v);
    }
    if (lo > hi)
        return;
    const int64_t pos = m_owner->HScrollPos();
    int left = ToPixel(lo - 6 - pos);
    int right = ToPixel(hi + 6 - pos + 1);
    left = std::max(left, -1);
    right = std::min(right, width() + 1);
    if (right > left)
        update(QRect(left, 16, right - left, 10));
}

void CDlgScale::OnZoomIn()
{
    if (m_markStart != kNone)
        m_markStart = ToPixel(2 * int64_t(m_markStart) - kWaveLeft);
    if (m_markEnd != kNone)
        m_markEnd = ToPixel(2 * int64_t(m_markEnd) - kWaveLeft);
}

void CDlgScale::OnZoomOut()
{
    if (m_markStart != kNone)
        m_markStart = (m_markStart - kWaveLeft) / 2 + kWaveLeft;
    if (m_markEnd != kNone)
        m_markEnd = (m_markEnd - kWaveLeft) / 2 + kWaveLeft;
}

bool CDlgScale::MillisecondMode(uint32_t zoomFactor, int majorStep)
{
    return uint64_t(zoomFactor) * uint64_t(majorStep) < 88200;
}

QString CDlgScale::LabelText(int64_t time, bool msMode)
{
    if (msMode) {
        return QString::asprintf("%.2lld:%.2lld:%.3lld", static_cast<long long>(time / 60000000),
                                 static_cast<long long>(time / 1000000 % 60),
                                 static_cast<long long>(time / 1000 % 1000));
    }
    int64_t shown = time + 200000;
    return QString::asprintf("%.2lld:%.2lld", static_cast<long long>(shown / 60000000),
                             static_cast<long long>(shown / 1000000 % 60));
}

void CDlgScale::DrawTick(QPainter& p, int x, int64_t column, bool msMode, bool skipMinor)
{
    if (column % kMinorStep == 0 && !skipMinor)
        p.drawLine(x, 26, x, 29);
    if (column % kMajorStep == 0) {
        p.drawLine(x, 22, x, 29);
        int64_t time = TimeOfX(x, m_owner->ZoomFactor(), m_owner->HScrollPos());
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
        if (msMode)
            p.drawText(QRect(x - 25, 0, 80, 15), flags, LabelText(time, true));
        else
            p.drawText(QRect(x - 10, 0, 40, 15), flags, LabelText(time, false));
    }
}

void CDlgScale::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int right = width();
    p.fillRect(QRect(0, 0, right, 30), m_background);
    const bool msMode = MillisecondMode(m_owner->ZoomFactor(), kMajorStep);
    const int64_t pos = m_owner->HScrollPos();

    p.setPen(Qt::black);
    for (int x = kWaveLeft; x < right; ++x)
        DrawTick(p, x, pos + x - kWaveLeft, msMode, x == kWaveLeft);
    if (pos > 0) {
        const int64_t stop = std::max<int64_t>(0, kWaveLeft - pos);
        for (int x = kWaveLeft - 1; x > stop; --x)
            DrawTick(p, x, pos + x - kWaveLeft, msMode, false);
    }
    p.drawLine(kWaveLeft, 30, right - 1, 30);

    if (m_markStart != kNone) {
        const int s = ToPixel(int64_t(m_markStart) - pos);
        if (m_markStart != 0 && m_markEnd != 0 && m_markEnd != kNone) {
            const int e = ToPixel(int64_t(m_markEnd) - pos);
            if (e > s)
                p.fillRect(QRect(s, 16, e - s, 10), QColor(64, 128, 128));
        }
        if (m_markStart != 0 || m_markEnd != 0) {
            p.setPen(QColor(255, 0, 0));
            for (int k = 0; k <= 5; ++k)
                p.drawLine(s + k, 16 + k, s + k, 25 - k);
            if (m_markEnd != kNone && m_markEnd != m_markStart) {
                const int e = ToPixel(int64_t(m_markEnd) - pos);
                for (int k = 0; k <= 5; ++k)
                    p.drawLine(e - k, 16 + k, e - k, 25 - k);
                if (e - 6 >= s + 5)
                    p.drawLine(s + 5, 21, e - 6, 21);
            }
        }
    }
    VorlainOutputDebugString("CDlgScale::OnPaint");
}
