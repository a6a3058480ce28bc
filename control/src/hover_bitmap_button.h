// An owner-drawn button with four bitmaps (normal, pressed, hover, disabled)
// and a tooltip.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

class CHoverBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    CHoverBitmapButton(int id, QWidget* parent);

    /** Attaches the bitmaps and moves the button to its rectangle. */
    void Attach(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                const QPixmap& disabled, const QRect& rect);
    bool IsHovered() const { return m_hovered; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    QSize sizeHint() const override;

private:
    QPixmap m_bmpNormal, m_bmpPressed, m_bmpHover, m_bmpDisabled;
    bool m_hovered = false;
};
