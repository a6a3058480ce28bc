// Pixel checks shared by the widget tests: what a widget drew, read back
// from a grab at device pixel ratio 1.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

namespace app::test {

/** The widget as it paints itself now, one image pixel per logical pixel. */
inline QImage Grab(QWidget& widget)
{
    QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1.0);
    return image;
}

/** How many pixels inside area have exactly the colour rgb. */
inline int CountColor(const QImage& image, const QRect& area, QRgb rgb)
{
    int count = 0;
    const QRect box = area.intersected(image.rect());
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if ((image.pixel(x, y) & 0xffffff) == (rgb & 0xffffff))
                ++count;
    return count;
}

/** The topmost row inside area holding a pixel of colour rgb, or -1. */
inline int FirstRowOf(const QImage& image, const QRect& area, QRgb rgb)
{
    const QRect box = area.intersected(image.rect());
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if ((image.pixel(x, y) & 0xffffff) == (rgb & 0xffffff))
                return y;
    return -1;
}

} // namespace app::test
