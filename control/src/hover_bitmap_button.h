// An owner-drawn button with four bitmaps (normal, pressed, hover, disabled),
// a tooltip and a focus frame; Space and Enter click it when it has the focus.
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
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    /** Space and Enter click the focused button, before the program's keys see them. */
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPixmap m_bmpNormal, m_bmpPressed, m_bmpHover, m_bmpDisabled;
    bool m_hovered = false;
};
