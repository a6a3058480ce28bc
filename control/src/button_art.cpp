#include "button_art.h"

#include <QPainter>
#include <QPolygon>

namespace {

void Arrow(QPainter& p, int x0, int x1, int y, bool headRight, bool headLeft)
{
    p.drawLine(x0, y, x1, y);
    if (headRight)
        p.drawPolygon(QPolygon({QPoint(x1, y), QPoint(x1 - 4, y - 4), QPoint(x1 - 4, y + 4)}));
    if (headLeft)
        p.drawPolygon(QPolygon({QPoint(x0, y), QPoint(x0 + 4, y - 4), QPoint(x0 + 4, y + 4)}));
}

} // namespace

QPixmap CButtonArt::Make(Glyph glyph, Look look, QSize size)
{
    QPixmap pixmap(size);
    const int w = size.width(), h = size.height();
    QPainter p(&pixmap);

    QColor top, bottom, border, ink;
    switch (look) {
    case Look::Normal:
        top = QColor(246, 246, 246), bottom = QColor(196, 196, 196);
        border = QColor(110, 110, 110), ink = QColor(30, 30, 30);
        break;
    case Look::Active:
        top = QColor(214, 232, 255), bottom = QColor(150, 190, 240);
        border = QColor(40, 90, 170), ink = QColor(0, 40, 120);
        break;
    case Look::Disabled:
        top = bottom = QColor(214, 214, 214);
        border = QColor(170, 170, 170), ink = QColor(160, 160, 160);
        break;
    }
    for (int y = 0; y < h; ++y) {
        double t = h > 1 ? double(y) / (h - 1) : 0.0;
        p.setPen(QColor(int(top.red() + (bottom.red() - top.red()) * t),
                        int(top.green() + (bottom.green() - top.green()) * t),
                        int(top.blue() + (bottom.blue() - top.blue()) * t)));
        p.drawLine(0, y, w - 1, y);
    }
    p.setPen(border);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, w - 1, h - 1);

    const int cy = h / 2;
    if (glyph == Glyph::DeleteTrack && look != Look::Disabled)
        ink = QColor(190, 20, 20);
    p.setPen(QPen(ink, 1));
    p.setBrush(ink);
    switch (glyph) {
    case Glyph::WholeTrack:
        p.drawLine(6, cy - 6, 6, cy + 6);
        p.drawLine(w - 7, cy - 6, w - 7, cy + 6);
        Arrow(p, 8, w - 9, cy, true, true);
        break;
    case Glyph::RangeStart:
        p.drawLine(8, cy - 6, 8, cy + 6);
        p.drawLine(8, cy - 6, 11, cy - 6);
        p.drawLine(8, cy + 6, 11, cy + 6);
        Arrow(p, 12, w - 7, cy, true, false);
        break;
    case Glyph::RangeEnd:
        p.drawLine(w - 9, cy - 6, w - 9, cy + 6);
        p.drawLine(w - 12, cy - 6, w - 9, cy - 6);
        p.drawLine(w - 12, cy + 6, w - 9, cy + 6);
        Arrow(p, 6, w - 13, cy, true, false);
        break;
    case Glyph::DeleteTrack:
        p.setPen(QPen(ink, 2));
        p.drawLine(w / 2 - 5, cy - 5, w / 2 + 5, cy + 5);
        p.drawLine(w / 2 - 5, cy + 5, w / 2 + 5, cy - 5);
        break;
    }
    return pixmap;
}
