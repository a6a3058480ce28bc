// The time editor of the main window's start-time and end-time fields: one
// time shown as hours:minutes:seconds.milliseconds, typed digit by digit or
// stepped with its up-down buttons, always kept within a minimum and maximum.
#pragma once

#include <QRect>
#include <QWidget>

class QToolButton;

namespace app {

class CMiniTimer : public QWidget {
    Q_OBJECT
public:
    /** Notification code sent with every change the user makes. */
    static constexpr int kNotifyChanged = -169;
    /** objectName of the up-down child; its buttons are "up" and "down". */
    static constexpr int kUpDownId = 1051;

    explicit CMiniTimer(QWidget* parent = nullptr);

    /** Shows time us (microseconds, truncated to milliseconds). Neither
     *  clamps to the range nor notifies. */
    void SetValue(qint64 us);
    /** Lower and upper bound, in microseconds, stored as milliseconds. */
    void SetMin(qint64 us);
    void SetMax(qint64 us);
    /** With clamping on, a typed time past the maximum gives the maximum
     *  (the digits typed stay shown until Enter, Tab or the focus leaves);
     *  off, such a digit is refused and Refused is raised. Off at first. */
    void SetClampToMaximum(bool clamp) { m_clampToMaximum = clamp; }

    /** The time shown, in microseconds (a whole number of milliseconds). */
    qint64 Value() const { return m_value * 1000; }
    qint64 Minimum() const { return m_minimum * 1000; }
    qint64 Maximum() const { return m_maximum * 1000; }
    /** The time as drawn, "hh:mm:ss.mmm"; a typed 75 minutes reads "75". */
    QString Text() const;
    /** 0 hours, 1 minutes, 2 seconds, 3 milliseconds; -1 before any click. */
    int FocusedField() const { return m_focusedField; }
    /** Where the next typed digit goes in the focused field, counted from
     *  its right end: 1 units, 2 tens, 3 hundreds. */
    int CaretDigit() const { return m_caretDigit; }
    /** The width of one character cell of the layout: the font's average
     *  character width, widened to its widest digit where that is wider. */
    int CharWidth() const;
    /** Field i's rectangle, used for drawing and hit-testing clicks. */
    QRect FieldRect(int field) const;
    /** The caret's x position inside the widget; -1 without a focused field. */
    int CaretX() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    /** Raised after every accepted typed digit or step, with kNotifyChanged
     *  and the new time in microseconds. */
    void Notify(int code, qint64 us);
    /** A typed digit was refused because it would pass the maximum; us is
     *  the time it would have given. */
    void Refused(qint64 us);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static constexpr int kFields = 4;

    void TypeDigit(int digit);
    /** step +1 for the up button, -1 for the down button. */
    void Step(int step);
    /** The total in milliseconds that the fields would give. */
    static qint64 Total(const int (&fields)[kFields]);
    void Accept(const int (&fields)[kFields]);
    QString FieldText(int field) const;
    /** Ends typing: the fields show the value taken again. */
    void EndTyping();

    int m_field[kFields] = {0, 0, 0, 0};
    int m_focusedField = -1;
    int m_caretDigit = 0;
    qint64 m_value = 0;   // milliseconds
    qint64 m_minimum = 0; // milliseconds
    qint64 m_maximum;     // milliseconds
    bool m_clampToMaximum = false;
    // While digits are typed past the maximum, the fields show them and
    // m_value holds the maximum taken.
    bool m_typing = false;
    QWidget* m_upDown = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
};

} // namespace app
