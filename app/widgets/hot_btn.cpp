#include "widgets/hot_btn.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>

namespace app {

CHotBtn::CHotBtn(QWidget* parent) : QAbstractButton(parent)
{
    // Tab reaches it (a click leaves the focus where it is).
    setFocusPolicy(Qt::TabFocus);
}

void CHotBtn::keyPressEvent(QKeyEvent* event)
{
    // Space presses it as any button; Enter too, as people expect.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

bool CHotBtn::SetBitmaps(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                         const QPixmap& disabled)
{
    if (normal.isNull() || pressed.isNull() || hover.isNull() || disabled.isNull())
        return false;
    m_normal = normal;
    m_pressed = pressed;
    m_hover = hover;
    m_disabled = disabled;
    updateGeometry();
    update();
    return true;
}

void CHotBtn::SetRect(int left, int top, int right, int bottom)
{
    setGeometry(left, top, right - left, bottom - top);
}

QSize CHotBtn::sizeHint() const
{
    if (m_normal.isNull())
        return QSize(90, 25);
    return m_normal.deviceIndependentSize().toSize();
}

void CHotBtn::paintEvent(QPaintEvent*)
{
    // Nothing is erased first: where the bitmaps are transparent the
    // parent shows through.
    QPainter p(this);
    if (!m_normal.isNull())
        p.drawPixmap(rect(), m_normal);
    const QPixmap* over = nullptr;
    if (isDown())
        over = &m_pressed;
    else if (!isEnabled())
        over = &m_disabled;
    else if (m_hovered)
        over = &m_hover;
    if (over && !over->isNull())
        p.drawPixmap(rect(), *over);

    if (!text().isEmpty()) {
        const int top = height() < 25 ? 4 : 6;
        p.setPen(Qt::white);
        p.drawText(rect().adjusted(0, top, 0, 0),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text());
    }
    if (hasFocus()) {
        // The keyboard's place: a frame inside the edge.
        QPen pen(palette().color(QPalette::Highlight), 1);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(2, 2, -3, -3));
    }
}

void CHotBtn::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CHotBtn::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace app
