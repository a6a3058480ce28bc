#include "dlg_scale.h"

#include "time_mapping.h"
#include "view_state.h"
#include "vorlain/platform.h"

#include <QFontMetrics>
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

RulerLayout CDlgScale::Layout() const
{
    // Ticks cover the times from 0 on, also over the info panels when the
    // rows are scrolled.
    const int64_t pos = m_state->HScrollPos();
    const int firstX = static_cast<int>(std::max<int64_t>(1, kWaveLeft - pos));
    const QFontMetrics metrics(font());
    return LayoutRuler(m_state->ZoomFactor(), pos, firstX, width(), kLabelGap,
                       [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
}

QVariantList CDlgScale::Labels() const
{
    const RulerLayout layout = Layout();
    QVariantList list;
    for (const RulerLabel& label : layout.labels) {
        QVariantMap m{{QStringLiteral("x"), label.x},
                      {QStringLiteral("time"), QVariant::fromValue<qint64>(label.time)},
                      {QStringLiteral("text"), label.text},
                      {QStringLiteral("left"), label.left},
                      {QStringLiteral("width"), label.width}};
        if (list.isEmpty()) {
            m.insert(QStringLiteral("majorStep"), QVariant::fromValue<qint64>(layout.majorStep));
            m.insert(QStringLiteral("minorStep"), QVariant::fromValue<qint64>(layout.minorStep));
        }
        list.push_back(m);
    }
    return list;
}

void CDlgScale::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int right = width();
    p.fillRect(QRect(0, 0, right, 30), m_background);
    const int64_t pos = m_state->HScrollPos();
    const int markStart = MarkStart(), markEnd = MarkEnd();

    p.setPen(Qt::black);
    const RulerLayout layout = Layout();
    for (int x : layout.minorX)
        p.drawLine(x, 26, x, 29);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    for (const RulerLabel& label : layout.labels) {
        p.drawLine(label.x, 22, label.x, 29);
        p.drawText(QRect(label.left, 0, label.width + 2, 15), flags, label.text);
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
