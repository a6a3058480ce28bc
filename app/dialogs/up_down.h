// A pair of arrow buttons that step a number held in another control, as a
// spin box's arrows do, without taking over that control's text: the split
// dialog keeps numbers typed outside the arrows' range.
#pragma once

#include <QWidget>

class QToolButton;

class CUpDown : public QWidget {
    Q_OBJECT
public:
    explicit CUpDown(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    int Value() const { return m_value; }
    /** Moves to value, held within the range; emits nothing. */
    void SetValue(int value);
    /** Moves by steps (held within the range) and emits Stepped with the new value. */
    void StepBy(int steps);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    /** The arrows (or StepBy) moved the value; emitted also at a range end. */
    void Stepped(int value);

protected:
    void changeEvent(QEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_value = 0;
};
