#include "hover_bitmap_button.h"

#include <QEnterEvent>
#include <QPainter>

CHoverBitmapButton::CHoverBitmapButton(int id, QWidget* parent) : QAbstractButton(parent)
{
    setObjectName(QStringLiteral("id%1").arg(id));
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
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
