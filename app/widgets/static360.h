// A label on its own light blue background, in a settable text colour and
// optionally in a bold copy of its parent's font (the About dialog's texts).
#pragma once

#include <QLabel>

namespace app {

class CStatic360 : public QLabel {
    Q_OBJECT
public:
    static inline const QColor kBackground{231, 240, 247};

    explicit CStatic360(QWidget* parent = nullptr);
    explicit CStatic360(const QString& text, QWidget* parent = nullptr);

    void SetTextColor(const QColor& color);
    QColor TextColor() const;
    /** Bold keeps following the parent's font in everything but weight. */
    void SetBold(bool bold);
};

} // namespace app
