// A label drawn without a background, grey when disabled and, with hover
// highlighting on, red while the mouse is over it. Reports clicks, as the
// links of the main window need.
#pragma once

#include "widgets/click_tracker.h"

#include <QLabel>

class QTimer;

namespace app {

class CTransparentStatic : public QLabel {
    Q_OBJECT
public:
    static inline const QColor kDisabledText{167, 166, 161};
    static inline const QColor kHoverText{255, 0, 0};

    explicit CTransparentStatic(QWidget* parent = nullptr);
    explicit CTransparentStatic(const QString& text, QWidget* parent = nullptr);

    /** Switches the red highlight under the mouse on or off. */
    void SetHoverHighlight(bool on);
    bool HoverHighlight() const { return m_highlight; }
    /** Whether the text is drawn red right now. */
    bool IsHighlighted() const { return m_hovered && m_highlight && isEnabled(); }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetHovered(bool hovered);
    void CheckMouse();

    QTimer* m_watch = nullptr; // ends the highlight should a leave be missed
    bool m_highlight = false;
    bool m_hovered = false;
    CClickTracker m_click;
};

} // namespace app
