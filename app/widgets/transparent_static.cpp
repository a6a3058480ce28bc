#include "widgets/transparent_static.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace app {

CTransparentStatic::CTransparentStatic(QWidget* parent) : CTransparentStatic(QString(), parent) {}

CTransparentStatic::CTransparentStatic(const QString& text, QWidget* parent)
    : QLabel(text, parent), m_watch(new QTimer(this))
{
    setAutoFillBackground(false);
    setTextFormat(Qt::PlainText);
    m_watch->setInterval(50);
    connect(m_watch, &QTimer::timeout, this, &CTransparentStatic::CheckMouse);
}

void CTransparentStatic::SetHoverHighlight(bool on)
{
    m_highlight = on;
    if (on && m_hovered)
        m_watch->start();
    else
        m_watch->stop();
    update();
}

void CTransparentStatic::SetHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    if (hovered && m_highlight)
        m_watch->start();
    else
        m_watch->stop();
    update();
}

void CTransparentStatic::CheckMouse()
{
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        SetHovered(false);
}

void CTransparentStatic::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QColor ink = palette().color(QPalette::Active, QPalette::WindowText);
    if (!isEnabled())
        ink = kDisabledText;
    else if (IsHighlighted())
        ink = kHoverText;
    p.setPen(ink);
    int flags = int(alignment());
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    p.drawText(contentsRect().adjusted(margin(), margin(), -margin(), -margin()), flags, text());
}

void CTransparentStatic::enterEvent(QEnterEvent* event)
{
    SetHovered(true);
    QLabel::enterEvent(event);
}

void CTransparentStatic::leaveEvent(QEvent* event)
{
    SetHovered(false);
    QLabel::leaveEvent(event);
}

void CTransparentStatic::mousePressEvent(QMouseEvent* event) { m_click.Press(event); }

void CTransparentStatic::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_click.Release(*this, event))
        emit clicked();
}

} // namespace app
