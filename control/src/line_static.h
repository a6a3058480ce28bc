// A one-pixel-wide, row-high line that paints itself in a solid colour: the
// playing line, the click line and the two edge lines of a track view.
#pragma once

#include <QColor>
#include <QWidget>

class CLineStatic : public QWidget {
    Q_OBJECT
public:
    /** id is the control number the line is known by ("id" + id). */
    CLineStatic(const QString& text, int id, QWidget* parent);

    void SetColor(const QColor& color);
    QColor Color() const { return m_color; }
    QString Text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QColor m_color{0, 0, 0};
};
