#include "widgets/static360.h"

namespace app {

CStatic360::CStatic360(QWidget* parent) : CStatic360(QString(), parent) {}

CStatic360::CStatic360(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    QPalette colors = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colors.setColor(group, QPalette::Window, kBackground);
    setPalette(colors);
    setAutoFillBackground(true);
}

void CStatic360::SetTextColor(const QColor& color)
{
    QPalette colors = palette();
    colors.setColor(QPalette::Active, QPalette::WindowText, color);
    colors.setColor(QPalette::Inactive, QPalette::WindowText, color);
    setPalette(colors);
}

QColor CStatic360::TextColor() const
{
    return palette().color(QPalette::Active, QPalette::WindowText);
}

void CStatic360::SetBold(bool bold)
{
    // A font with only the weight set inherits family and size from the
    // parent, now and after the parent's font changes.
    QFont weight;
    weight.setBold(true);
    setFont(bold ? weight : QFont());
}

} // namespace app
