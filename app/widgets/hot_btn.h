// A push button drawn entirely from four bitmaps (normal, pressed, hover,
// disabled) with its caption in white on top; the main window's Exit button.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace app {

class CHotBtn : public QAbstractButton {
    Q_OBJECT
public:
    explicit CHotBtn(QWidget* parent = nullptr);

    /** Takes the four looks; fails and changes nothing when any is null.
     *  Each is drawn stretched over the whole button, so a pixmap with a
     *  device pixel ratio stays sharp. */
    bool SetBitmaps(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                    const QPixmap& disabled);
    /** Places the button in its parent; right and bottom are exclusive. */
    void SetRect(int left, int top, int right, int bottom);
    /** Whether the mouse is over the button. */
    bool IsHovered() const { return m_hovered; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap m_normal, m_pressed, m_hover, m_disabled;
    bool m_hovered = false;
};

} // namespace app
