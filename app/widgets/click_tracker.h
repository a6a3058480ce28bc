// A left-button click on a widget: pressed and then released over it. The
// labels that act as links share it.
#pragma once

#include <QMouseEvent>
#include <QWidget>

namespace app {

class CClickTracker {
public:
    void Press(QMouseEvent* event)
    {
        m_pressed = event->button() == Qt::LeftButton;
        event->accept();
    }
    /** true when this release ends a click on widget. Qt grabs the mouse
     *  between press and release, so a release outside the widget still
     *  arrives here and is not a click. */
    bool Release(const QWidget& widget, QMouseEvent* event)
    {
        const bool click = m_pressed && event->button() == Qt::LeftButton &&
                           widget.rect().contains(event->position().toPoint());
        m_pressed = false;
        event->accept();
        return click;
    }

private:
    bool m_pressed = false;
};

} // namespace app
