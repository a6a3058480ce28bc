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

void CLabelEx::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void CLabelEx::mouseReleaseEvent(QMouseEvent* event)
{
    // Qt grabs the mouse between press and release, so a release outside
    // the label still arrives here and is not a click.
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

} // namespace app
