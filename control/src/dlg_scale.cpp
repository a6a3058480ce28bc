#include "dlg_scale.h"

#include "time_mapping.h"
#include "view_state.h"
#include "vorlain/platform.h"

#include <QPainter>

#include <algorithm>

using namespace brimsel;

CDlgScale::CDlgScale(const CViewState* state, QWidget* parent) : QWidget(parent), m_state(state)
{
    VorlainOutputDebugString("CDlgScale::OnInitDialog IN");
    setObjectName(QStringLiteral("CDlgScale"));
    QFont labels = font();
    labels.setPixelSize(11);
    setFont(labels);
    if (parent)
        setGeometry(parent->rect());
    connect(m_state, &CViewState::marksChanged, this, &CDlgScale::InvalidateMarkers);
    connect(m_state, &CViewState::hScrolled, this, [this] { update(); });
    VorlainOutputDebugString("CDlgScale::OnInitDialog OUT");
}

int CDlgScale::MarkStart() const
{
    return m_state->Marks().Start();
}

int CDlgScale::MarkEnd() const
{
    return m_state->Marks().End();
}

bool CDlgScale::StartLocked() const
{
    return m_state->Marks().StartLocked();
}

void CDlgScale::InvalidateMarkers()
{
    const CRangeMarks& marks = m_state->Marks();
    int64_t lo = INT64_MAX, hi = INT64_MIN;
    for (int v : {marks.Start(), marks.End(), marks.PrevStart(), marks.PrevEnd()}) {
        if (v == kNone)
            continue;
        lo = std::min<int64_t>(lo, v);
        hi = std::max<int64_t>(hi, v);
    }
    if (lo > hi)
        return;
    const int64_t pos = m_state->HScrollPos();
    int left = ToPixel(lo - 6 - pos);
    int right = ToPixel(hi + 6 - pos + 1);
    left = std::max(left, -1);
    right = std::min(right, width() + 1);
    if (right > left)
        update(QRect(left, 16, right - left, 10));
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
        int64_t time = m_state->TimeAt(x);
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
    const bool msMode = MillisecondMode(m_state->ZoomFactor(), kMajorStep);
    const int64_t pos = m_state->HScrollPos();
    const int markStart = MarkStart(), markEnd = MarkEnd();

    p.setPen(Qt::black);
    for (int x = kWaveLeft; x < right; ++x)
        DrawTick(p, x, pos + x - kWaveLeft, msMode, x == kWaveLeft);
    if (pos > 0) {
        const int64_t stop = std::max<int64_t>(0, kWaveLeft - pos);
        for (int x = kWaveLeft - 1; x > stop; --x)
            DrawTick(p, x, pos + x - kWaveLeft, msMode, false);
    }
    p.drawLine(kWaveLeft, 30, right - 1, 30);

    if (markStart != kNone) {
        const int s = ToPixel(int64_t(markStart) - pos);
        if (markStart != 0 && markEnd != 0 && markEnd != kNone) {
            const int e = ToPixel(int64_t(markEnd) - pos);
            if (e > s)
                p.fillRect(QRect(s, 16, e - s, 10), QColor(64, 128, 128));
        }
        if (markStart != 0 || markEnd != 0) {
            p.setPen(QColor(255, 0, 0));
            for (int k = 0; k <= 5; ++k)
                p.drawLine(s + k, 16 + k, s + k, 25 - k);
            if (markEnd != kNone && markEnd != markStart) {
                const int e = ToPixel(int64_t(markEnd) - pos);
                for (int k = 0; k <= 5; ++k)
                    p.drawLine(e - k, 16 + k, e - k, 25 - k);
                if (e - 6 >= s + 5)
                    p.drawLine(s + 5, 21, e - 6, 21);
            }
        }
    }
    VorlainOutputDebugString("CDlgScale::OnPaint");
}
