// A link label: plain text on a transparent background that shows a hand
// cursor and reports clicks. What a click opens is the caller's business.
#pragma once

#include "widgets/click_tracker.h"

#include <QLabel>

namespace app {

class CLabelEx : public QLabel {
    Q_OBJECT
public:
    explicit CLabelEx(QWidget* parent = nullptr);
    explicit CLabelEx(const QString& text, QWidget* parent = nullptr);

signals:
    /** A left click: pressed and released over the label. */
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CClickTracker m_click;
};

} // namespace app
