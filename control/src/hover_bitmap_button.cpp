#include "hover_bitmap_button.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>

CHoverBitmapButton::CHoverBitmapButton(int id, QWidget* parent) : QAbstractButton(parent)
{
    setObjectName(QStringLiteral("id%1").arg(id));
    setAttribute(Qt::WA_Hover);
    // Tab reaches the button; a click does not take the focus from the rows.
    setFocusPolicy(Qt::TabFocus);
}

void CHoverBitmapButton::focusInEvent(QFocusEvent* event)
{
    // The program filters Space and Enter for the whole window: while the
    // button has the focus, a filter of its own, installed after the
    // program's and so asked first, takes them for the button.
    qApp->installEventFilter(this);
    QAbstractButton::focusInEvent(event);
}

void CHoverBitmapButton::focusOutEvent(QFocusEvent* event)
{
    qApp->removeEventFilter(this);
    QAbstractButton::focusOutEvent(event);
}

bool CHoverBitmapButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != this ||
        (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool acts =
        key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!acts || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    if (event->type() == QEvent::KeyPress && !key->isAutoRepeat() && isEnabled())
        click();
    return true;
}

void CHoverBitmapButton::Attach(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                                const QPixmap& disabled, const QRect& rect)
{
    m_bmpNormal = normal;
    m_bmpPressed = pressed;
    m_bmpHover = hover;
    m_bmpDisabled = disabled;
    setGeometry(rect);
    update();
}

void CHoverBitmapButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(rect(), m_bmpNormal);
    if (isDown())
        p.drawPixmap(rect(), m_bmpPressed);
    else if (!isEnabled())
        p.drawPixmap(rect(), m_bmpDisabled);
    else if (m_hovered)
        p.drawPixmap(rect(), m_bmpHover);
    if (hasFocus()) {
        // The focus frame: two pixels of the selection blue inside the edge.
        p.setPen(QPen(QColor(0, 90, 200), 2));
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    if (!text().isEmpty()) {
        p.setPen(Qt::white);
        p.drawText(rect().adjusted(0, 6, 0, 0), Qt::AlignHCenter | Qt::AlignTop, text());
    }
}

void CHoverBitmapButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CHoverBitmapButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

QSize CHoverBitmapButton::sizeHint() const
{
    return m_bmpNormal.size();
}
