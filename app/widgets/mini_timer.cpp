#include "widgets/mini_timer.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace app {
namespace {

constexpr int kLimit[4] = {100, 60, 60, 1000};
constexpr qint64 kWeightSeconds[3] = {3600, 60, 1};
constexpr int kDigits[4] = {2, 2, 2, 3};
constexpr char kSeparator[3] = {':', ':', '.'};
// Until the window sets a range, everything the fields can show is allowed.
constexpr qint64 kLargestShown = (99 * 3600 + 59 * 60 + 59) * 1000LL + 999;

const QColor kFrame(125, 125, 125);
const QColor kFocusFill(0, 255, 64);

int PowerOfTen(int exponent)
{
    int value = 1;
    while (exponent-- > 0)
        value *= 10;
    return value;
}

} // namespace

CMiniTimer::CMiniTimer(QWidget* parent) : QWidget(parent), m_maximum(kLargestShown)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setCursor(Qt::IBeamCursor);

    m_upDown = new QWidget(this);
    m_upDown->setObjectName(QStringLiteral("id%1").arg(kUpDownId));
    m_upDown->setCursor(Qt::ArrowCursor);
    m_up = new QToolButton(m_upDown);
    m_up->setObjectName(QStringLiteral("up"));
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(m_upDown);
    m_down->setObjectName(QStringLiteral("down"));
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_up, m_down}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setAutoRaise(false);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
    // The size the up-down control is created with, until the first resize.
    m_upDown->setGeometry(80, 0, 20, 19);
}

void CMiniTimer::SetValue(qint64 us)
{
    // The echo of a clamped time being typed leaves the typed digits shown.
    if (m_typing && us / 1000 == m_value)
        return;
    m_typing = false;
    const qint64 seconds = us / 1000000;
    m_field[0] = int(seconds / kWeightSeconds[0]);
    m_field[1] = int(seconds % kWeightSeconds[0] / kWeightSeconds[1]);
    m_field[2] = int(seconds % kWeightSeconds[1]);
    m_field[3] = int(us % 1000000 / 1000);
    m_value = Total(m_field);
    update();
}

void CMiniTimer::SetMin(qint64 us)
{
    m_minimum = us / 1000;
}

void CMiniTimer::SetMax(qint64 us)
{
    m_maximum = us / 1000;
}

qint64 CMiniTimer::Total(const int (&fields)[kFields])
{
    qint64 seconds = 0;
    for (int i = 0; i < 3; ++i)
        seconds += fields[i] * kWeightSeconds[i];
    return seconds * 1000 + fields[3];
}

QString CMiniTimer::FieldText(int field) const
{
    return QStringLiteral("%1").arg(m_field[field], kDigits[field], 10, QChar(u'0'));
}

QString CMiniTimer::Text() const
{
    QString text;
    for (int i = 0; i < kFields; ++i) {
        text += FieldText(i);
        if (i < 3)
            text += QChar(kSeparator[i]);
    }
    return text;
}

int CMiniTimer::CharWidth() const
{
    // The layout is a grid of one character per digit or separator. Most
    // fonts' digits are wider than their average character, and fields
    // measured by the average alone would run into each other, so the grid
    // is at least as wide as the widest digit.
    const QFontMetricsF metrics(font());
    qreal digit = 0;
    for (char16_t c = u'0'; c <= u'9'; ++c)
        digit = std::max(digit, metrics.horizontalAdvance(QChar(c)));
    return std::max({1, fontMetrics().averageCharWidth(), int(std::ceil(digit))});
}

QRect CMiniTimer::FieldRect(int field) const
{
    if (field < 0 || field >= kFields)
        return {};
    const int w = CharWidth();
    const int left = 3 * field * w + 2;
    const int right = (kDigits[field] + 3 * field) * w;
    return QRect(QPoint(left, 0), QPoint(right - 1, height() - 1));
}

int CMiniTimer::CaretX() const
{
    if (m_focusedField < 0)
        return -1;
    return FieldRect(m_focusedField).left() +
           (kDigits[m_focusedField] - m_caretDigit) * CharWidth();
}

QSize CMiniTimer::sizeHint() const
{
    // Room for the four fields, their separators and the up-down buttons.
    const QFontMetrics metrics = fontMetrics();
    // The milliseconds' digits end at 12 characters + 2; then a gap, the
    // up-down buttons and the frame.
    const int fields = 12 * CharWidth() + 2;
    return QSize(std::max(110, fields + 4 + 19 + 1), std::max(20, metrics.height() + 4));
}

void CMiniTimer::Accept(const int (&fields)[kFields])
{
    std::copy(std::begin(fields), std::end(fields), std::begin(m_field));
    m_value = std::min(Total(m_field), m_maximum);
    m_typing = m_value != Total(m_field);
    emit Notify(kNotifyChanged, m_value * 1000);
}

void CMiniTimer::EndTyping()
{
    if (!m_typing)
        return;
    m_typing = false;
    SetValue(m_value * 1000);
}

void CMiniTimer::TypeDigit(int digit)
{
    if (m_focusedField < 0)
        return;
    const int field = m_focusedField;
    if (m_field[field] >= kLimit[field])
        return;
    const int place = PowerOfTen(m_caretDigit - 1);
    int fields[kFields];
    std::copy(std::begin(m_field), std::end(m_field), std::begin(fields));
    fields[field] += (digit - fields[field] / place % 10) * place;
    // The field's own limit is deliberately not applied here: a typed 75
    // minutes stays 75 minutes and counts as 4500 s.
    const qint64 total = Total(fields);
    if (total < m_minimum)
        return;
    // A refused digit still moves the caret on: the digits typed after it
    // keep their places instead of landing in the refused one.
    if (total > m_maximum && !m_clampToMaximum)
        emit Refused(total * 1000);
    else
        Accept(fields);
    if (--m_caretDigit < 1) {
        m_focusedField = (field + 1) % kFields;
        m_caretDigit = kDigits[m_focusedField];
    }
    update();
}

void CMiniTimer::Step(int step)
{
    setFocus(Qt::OtherFocusReason);
    EndTyping();
    if (m_focusedField < 0)
        return;
    const int field = m_focusedField;
    int fields[kFields];
    std::copy(std::begin(m_field), std::end(m_field), std::begin(fields));
    fields[field] += step;
    if (fields[field] < 0 || fields[field] >= kLimit[field])
        return;
    const qint64 total = Total(fields);
    if (total < m_minimum || total > m_maximum)
        return;
    Accept(fields);
    update();
}

void CMiniTimer::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);

    const QFontMetrics metrics = fontMetrics();
    const int w = CharWidth();
    const bool showFocus = hasFocus() && m_focusedField >= 0;
    for (int i = 0; i < kFields; ++i) {
        const QRect field = FieldRect(i);
        const QString text = FieldText(i);
        const bool focused = showFocus && i == m_focusedField;
        // Each digit sits centred in its own character cell, so the caret,
        // placed by whole cells, always falls between two digits.
        const QRect cells(field.left(), 0, int(text.size()) * w, height());
        if (focused)
            p.fillRect(field.united(cells), kFocusFill);
        p.setPen(focused ? Qt::white : Qt::black);
        for (int k = 0; k < text.size(); ++k)
            p.drawText(QRect(cells.left() + k * w, 0, w, height()), Qt::AlignCenter,
                       text.mid(k, 1));
        if (i < 3) {
            p.setPen(Qt::black);
            p.drawText(QRect(cells.right() + 1, 0, w, height()), Qt::AlignCenter,
                       QString(QChar(kSeparator[i])));
        }
    }

    if (showFocus) {
        // The text caret: a 1-pixel bar in front of the digit typed next.
        const int x = CaretX();
        const int top = (height() - metrics.height()) / 2;
        p.fillRect(QRect(x, std::max(2, top), 1, std::min(height() - 4, metrics.height())),
                   Qt::black);
    }

    p.setPen(kFrame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CMiniTimer::resizeEvent(QResizeEvent* event)
{
    const int h = std::max(2, height() - 2);
    m_upDown->setGeometry(width() - 19, 1, 18, h);
    m_up->setGeometry(0, 0, 18, h / 2);
    m_down->setGeometry(0, h / 2, 18, h - h / 2);
    QWidget::resizeEvent(event);
}

void CMiniTimer::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QPoint at = event->position().toPoint();
    for (int i = 0; i < kFields; ++i) {
        if (FieldRect(i).contains(at)) {
            EndTyping();
            m_focusedField = i;
            m_caretDigit = kDigits[i];
            break;
        }
    }
    // A click between the fields takes the focus but keeps the field.
    setFocus(Qt::MouseFocusReason);
    update();
    event->accept();
}

void CMiniTimer::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void CMiniTimer::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void CMiniTimer::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    if (text.size() == 1 && text[0] >= u'0' && text[0] <= u'9' &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        TypeDigit(text[0].unicode() - u'0');
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        EndTyping();
    QWidget::keyPressEvent(event);
}

void CMiniTimer::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void CMiniTimer::focusOutEvent(QFocusEvent* event)
{
    EndTyping();
    update();
    QWidget::focusOutEvent(event);
}

void CMiniTimer::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::EnabledChange)
        update();
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

} // namespace app
