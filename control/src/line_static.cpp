#include "line_static.h"

#include <QPainter>

CLineStatic::CLineStatic(const QString& text, int id, QWidget* parent)
    : QWidget(parent), m_text(text)
{
    setObjectName(QStringLiteral("id%1").arg(id));
    // A line sits exactly where the user clicks and drags: it must not take
    // the mouse away from the view under it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 1, 150);
    hide();
}

void CLineStatic::SetColor(const QColor& color)
{
    m_color = color;
    update();
}

void CLineStatic::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), m_color);
}
