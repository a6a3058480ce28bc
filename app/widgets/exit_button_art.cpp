#include "widgets/exit_button_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace app {
namespace {

struct Shade {
    QColor top, bottom, border;
    int highlightAlpha; // the thin lit edge under the top border
};

QPixmap Paint(QSize size, qreal ratio, const Shade& shade)
{
    QPixmap pixmap(
        QSize(int(std::ceil(size.width() * ratio)), int(std::ceil(size.height() * ratio))));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Half-pixel inset puts the 1-pixel border on whole pixels.
    const QRectF box = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min<qreal>(4.0, size.height() / 4.0);

    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0.0, shade.top);
    fill.setColorAt(1.0, shade.bottom);
    p.setPen(QPen(shade.border, 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(box, radius, radius);

    if (shade.highlightAlpha > 0) {
        QColor lit(255, 255, 255, shade.highlightAlpha);
        p.setPen(QPen(lit, 1.0));
        p.drawLine(QPointF(box.left() + radius, box.top() + 1.0),
                   QPointF(box.right() - radius, box.top() + 1.0));
    }
    return pixmap;
}

} // namespace

HotBtnBitmaps MakeExitButtonBitmaps(QSize size, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    HotBtnBitmaps bitmaps;
    if (size.isEmpty())
        return bitmaps;
    bitmaps.normal =
        Paint(size, ratio, {QColor(110, 140, 168), QColor(74, 104, 134), QColor(56, 80, 104), 90});
    bitmaps.pressed =
        Paint(size, ratio, {QColor(58, 84, 110), QColor(76, 104, 132), QColor(40, 60, 80), 0});
    bitmaps.hover =
        Paint(size, ratio, {QColor(138, 168, 196), QColor(98, 130, 162), QColor(66, 96, 126), 120});
    bitmaps.disabled = Paint(
        size, ratio, {QColor(190, 190, 190), QColor(166, 166, 166), QColor(150, 150, 150), 60});
    return bitmaps;
}

} // namespace app
