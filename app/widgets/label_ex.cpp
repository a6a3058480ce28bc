#include "widgets/label_ex.h"

#include <QMouseEvent>

namespace app {

CLabelEx::CLabelEx(QWidget* parent) : CLabelEx(QString(), parent) {}

CLabelEx::CLabelEx(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(false);
    setTextFormat(Qt::PlainText);
}

void CLabelEx::mousePressEvent(QMouseEvent* event) { m_click.Press(event); }

void CLabelEx::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_click.Release(*this, event))
        emit clicked();
}

} // namespace app
