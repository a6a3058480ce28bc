#include "widgets/tool_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace app {
namespace {

// Toolbar command ids.
enum : int {
    kAddFile = 32793,
    kSaveProject = 32816,
    kCut = 36896,
    kCopy = 36897,
    kPaste = 36898,
    kUndo = 36912,
    kRedo = 36913,
    kZoomIn = 36944,
    kZoomOut = 36945,
    kScrollToBegin = 36880,
    kPlay = 36881,
    kPause = 36882,
    kStop = 36883,
    kScrollToEnd = 36884,
    kStartRecord = 36928,
    kStopRecord = 36929,
    kRecordOptions = 36930,
};

constexpr int kIconSize = 32;  // logical pixels; every drawing uses this grid
constexpr qreal kStroke = 2.0; // outlines and rules
constexpr qreal kMark = 3.0;   // marks drawn as lines: arrows, plus and minus, rings
constexpr qreal kDetail = 1.5; // small details inside a shape
constexpr qreal kHandle = 4.5; // the magnifier's handle
constexpr qreal kRadius = 2.5;

enum class Look { Normal, Active, Disabled };

/** The palette of one look. Every drawing takes its colours from here, so
 *  the three looks of an icon differ only in colour. */
class Palette {
public:
    explicit Palette(Look look) : m_look(look) {}

    QColor ink() const { return Adjust(QColor(0x3b, 0x4a, 0x58)); }
    QColor paper() const { return Adjust(QColor(0xff, 0xff, 0xff)); }
    QColor fold() const { return Adjust(QColor(0xd5, 0xdf, 0xe8)); }
    QColor rule() const { return Adjust(QColor(0x9d, 0xab, 0xb8)); }
    QColor blue() const { return Adjust(QColor(0x2b, 0x7b, 0xd0)); }
    QColor blueDark() const { return Adjust(QColor(0x1c, 0x57, 0x98)); }
    QColor glass() const { return Adjust(QColor(0xe6, 0xf1, 0xfc)); }
    QColor green() const { return Adjust(QColor(0x2e, 0xa0, 0x4c)); }
    QColor greenDark() const { return Adjust(QColor(0x1d, 0x70, 0x33)); }
    QColor red() const { return Adjust(QColor(0xe2, 0x3a, 0x31)); }
    QColor redDark() const { return Adjust(QColor(0xa3, 0x21, 0x1b)); }
    QColor tan() const { return Adjust(QColor(0xd9, 0xa8, 0x5f)); }
    QColor tanDark() const { return Adjust(QColor(0x97, 0x6c, 0x30)); }

private:
    QColor Adjust(const QColor& color) const
    {
        switch (m_look) {
        case Look::Normal:
            break;
        case Look::Active: {
            // Lighter and a touch more saturated: lit, but the same icon.
            float h, s, l, a;
            color.getHslF(&h, &s, &l, &a);
            l = l + (1.0f - l) * 0.22f;
            s = std::min(1.0f, s * 1.12f);
            return QColor::fromHslF(h, s, l, a);
        }
        case Look::Disabled: {
            // Grey of the same lightness, then pulled well toward the
            // toolbar's background so it reads as unavailable.
            const double grey = 0.299 * color.red() + 0.587 * color.green() + 0.114 * color.blue();
            const int v = int(std::lround(grey + (228.0 - grey) * 0.55));
            return QColor(v, v, v);
        }
        }
        return color;
    }

    Look m_look;
};

QPen Stroke(const QColor& color, qreal width = kStroke)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

/** A sheet of paper with a folded top-right corner and ruled lines. */
void Sheet(QPainter& p, const Palette& c, const QRectF& box, int lines)
{
    const qreal fold = 6.0;
    QPainterPath outline;
    outline.moveTo(box.left(), box.top());
    outline.lineTo(box.right() - fold, box.top());
    outline.lineTo(box.right(), box.top() + fold);
    outline.lineTo(box.right(), box.bottom());
    outline.lineTo(box.left(), box.bottom());
    outline.closeSubpath();
    p.setPen(Stroke(c.ink()));
    p.setBrush(c.paper());
    p.drawPath(outline);

    QPainterPath corner;
    corner.moveTo(box.right() - fold, box.top());
    corner.lineTo(box.right() - fold, box.top() + fold);
    corner.lineTo(box.right(), box.top() + fold);
    p.setBrush(c.fold());
    p.drawPath(corner);

    p.setPen(Stroke(c.rule()));
    for (int i = 0; i < lines; ++i) {
        const qreal y = box.top() + 9.0 + 4.0 * i;
        if (y > box.bottom() - 3.0)
            break;
        const qreal right = box.right() - (i == lines - 1 ? 7.0 : 4.0);
        p.drawLine(QPointF(box.left() + 4.0, y), QPointF(right, y));
    }
}

/** A right-pointing triangle with softened corners. */
void Triangle(QPainter& p, const QColor& fill, const QColor& edge, qreal left, qreal right,
              qreal top, qreal bottom)
{
    QPainterPath path;
    path.moveTo(left, top);
    path.lineTo(right, (top + bottom) / 2.0);
    path.lineTo(left, bottom);
    path.closeSubpath();
    p.setPen(Stroke(edge));
    p.setBrush(fill);
    p.drawPath(path);
}

/** The curved arrow of Undo; Redo draws it mirrored. */
void TurnArrow(QPainter& p, const Palette& c)
{
    QPainterPath shaft;
    shaft.moveTo(25.0, 26.0);
    shaft.cubicTo(27.5, 18.0, 24.0, 11.5, 15.0, 11.5);
    shaft.lineTo(11.0, 11.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(Stroke(c.blue(), kMark));
    p.drawPath(shaft);

    QPainterPath head;
    head.moveTo(4.0, 11.5);
    head.lineTo(12.0, 5.0);
    head.lineTo(12.0, 18.0);
    head.closeSubpath();
    p.setPen(Stroke(c.blue()));
    p.setBrush(c.blue());
    p.drawPath(head);
}

/** A magnifying glass, with a plus or a minus in the lens. */
void Magnifier(QPainter& p, const Palette& c, bool plus)
{
    p.setPen(Stroke(c.ink(), kHandle));
    p.drawLine(QPointF(20.5, 20.5), QPointF(27.0, 27.0));
    p.setPen(Stroke(c.ink()));
    p.setBrush(c.glass());
    p.drawEllipse(QPointF(13.5, 13.5), 9.0, 9.0);
    p.setPen(Stroke(c.blue(), kMark));
    p.drawLine(QPointF(9.5, 13.5), QPointF(17.5, 13.5));
    if (plus)
        p.drawLine(QPointF(13.5, 9.5), QPointF(13.5, 17.5));
}

/** Skip to the end: a triangle running into a bar. Begin is it mirrored. */
void SkipToEnd(QPainter& p, const Palette& c)
{
    Triangle(p, c.ink(), c.ink(), 7.0, 20.0, 8.0, 24.0);
    p.setPen(Stroke(c.ink()));
    p.setBrush(c.ink());
    p.drawRoundedRect(QRectF(21.5, 8.0, 3.0, 16.0), 1.0, 1.0);
}

void Mirror(QPainter& p)
{
    p.translate(kIconSize, 0);
    p.scale(-1, 1);
}

void DrawGlyph(QPainter& p, int commandId, const Palette& c)
{
    switch (commandId) {
    case kAddFile: {
        Sheet(p, c, QRectF(6.0, 3.0, 17.0, 24.0), 3);
        p.setPen(Stroke(c.paper()));
        p.setBrush(c.green());
        p.drawEllipse(QPointF(22.5, 22.5), 7.0, 7.0);
        p.setPen(Stroke(c.paper(), kMark));
        p.drawLine(QPointF(22.5, 19.5), QPointF(22.5, 25.5));
        p.drawLine(QPointF(19.5, 22.5), QPointF(25.5, 22.5));
        break;
    }
    case kSaveProject: {
        const QRectF body(4.0, 4.0, 24.0, 24.0);
        QPainterPath disk;
        disk.moveTo(body.left() + kRadius, body.top());
        disk.lineTo(body.right() - 4.0, body.top());
        disk.lineTo(body.right(), body.top() + 4.0);
        disk.lineTo(body.right(), body.bottom() - kRadius);
        disk.quadTo(body.right(), body.bottom(), body.right() - kRadius, body.bottom());
        disk.lineTo(body.left() + kRadius, body.bottom());
        disk.quadTo(body.left(), body.bottom(), body.left(), body.bottom() - kRadius);
        disk.lineTo(body.left(), body.top() + kRadius);
        disk.quadTo(body.left(), body.top(), body.left() + kRadius, body.top());
        p.setPen(Stroke(c.blueDark()));
        p.setBrush(c.blue());
        p.drawPath(disk);
        // The metal shutter with its window, and the paper label.
        p.setPen(Stroke(c.blueDark()));
        p.setBrush(c.fold());
        p.drawRect(QRectF(10.0, 4.0, 12.0, 8.0));
        p.setPen(Qt::NoPen);
        p.setBrush(c.blueDark());
        p.drawRect(QRectF(17.0, 6.0, 3.0, 4.0));
        p.setPen(Stroke(c.blueDark()));
        p.setBrush(c.paper());
        p.drawRoundedRect(QRectF(8.0, 16.0, 16.0, 12.0), 1.0, 1.0);
        p.setPen(Stroke(c.rule()));
        p.drawLine(QPointF(11.0, 20.0), QPointF(21.0, 20.0));
        p.drawLine(QPointF(11.0, 24.0), QPointF(18.0, 24.0));
        break;
    }
    case kCut: {
        p.setPen(Stroke(c.ink()));
        p.drawLine(QPointF(12.0, 19.0), QPointF(21.5, 3.5));
        p.drawLine(QPointF(20.0, 19.0), QPointF(10.5, 3.5));
        p.setBrush(c.paper());
        p.setPen(Stroke(c.blue(), kMark));
        p.drawEllipse(QPointF(10.0, 23.5), 4.5, 4.5);
        p.drawEllipse(QPointF(22.0, 23.5), 4.5, 4.5);
        p.setPen(Qt::NoPen);
        p.setBrush(c.ink());
        p.drawEllipse(QPointF(16.0, 12.5), 1.6, 1.6);
        break;
    }
    case kCopy:
        Sheet(p, c, QRectF(4.0, 3.0, 15.0, 19.0), 2);
        Sheet(p, c, QRectF(12.0, 9.0, 15.0, 20.0), 3);
        break;
    case kPaste: {
        p.setPen(Stroke(c.tanDark()));
        p.setBrush(c.tan());
        p.drawRoundedRect(QRectF(4.0, 5.0, 19.0, 23.0), kRadius, kRadius);
        p.setPen(Stroke(c.ink()));
        p.setBrush(c.ink());
        p.drawRoundedRect(QRectF(9.0, 3.0, 9.0, 4.0), 1.0, 1.0);
        Sheet(p, c, QRectF(13.0, 11.0, 15.0, 18.0), 3);
        break;
    }
    case kUndo:
        TurnArrow(p, c);
        break;
    case kRedo:
        Mirror(p);
        TurnArrow(p, c);
        break;
    case kZoomIn:
        Magnifier(p, c, true);
        break;
    case kZoomOut:
        Magnifier(p, c, false);
        break;
    case kScrollToBegin:
        Mirror(p);
        SkipToEnd(p, c);
        break;
    case kScrollToEnd:
        SkipToEnd(p, c);
        break;
    case kPlay:
        Triangle(p, c.green(), c.greenDark(), 9.0, 26.0, 6.0, 26.0);
        break;
    case kPause:
        p.setPen(Stroke(c.ink()));
        p.setBrush(c.ink());
        p.drawRoundedRect(QRectF(9.0, 7.0, 4.0, 18.0), 1.0, 1.0);
        p.drawRoundedRect(QRectF(19.0, 7.0, 4.0, 18.0), 1.0, 1.0);
        break;
    case kStop:
        p.setPen(Stroke(c.ink()));
        p.setBrush(c.ink());
        p.drawRoundedRect(QRectF(8.0, 8.0, 16.0, 16.0), kRadius, kRadius);
        break;
    case kStartRecord: {
        QRadialGradient glow(QPointF(13.0, 12.0), 12.0);
        glow.setColorAt(0.0, c.red().lighter(125));
        glow.setColorAt(1.0, c.red());
        p.setPen(Stroke(c.redDark()));
        p.setBrush(glow);
        p.drawEllipse(QPointF(16.0, 16.0), 10.0, 10.0);
        break;
    }
    case kStopRecord:
        p.setPen(Stroke(c.red(), kMark));
        p.setBrush(c.paper());
        p.drawEllipse(QPointF(16.0, 16.0), 11.0, 11.0);
        p.setPen(Stroke(c.ink()));
        p.setBrush(c.ink());
        p.drawRoundedRect(QRectF(11.5, 11.5, 9.0, 9.0), 1.5, 1.5);
        break;
    case kRecordOptions: {
        // A studio microphone on its stand, with a red dot for recording.
        p.setPen(Stroke(c.ink()));
        p.setBrush(Qt::NoBrush);
        QPainterPath cradle;
        cradle.moveTo(8.0, 14.0);
        cradle.arcTo(QRectF(8.0, 6.0, 16.0, 16.0), 180.0, 180.0);
        p.drawPath(cradle);
        p.drawLine(QPointF(16.0, 22.0), QPointF(16.0, 27.0));
        p.drawLine(QPointF(11.0, 27.0), QPointF(21.0, 27.0));
        p.setBrush(c.blue());
        p.setPen(Stroke(c.blueDark()));
        p.drawRoundedRect(QRectF(12.0, 3.0, 8.0, 15.0), 4.0, 4.0);
        p.setPen(Stroke(c.paper(), kDetail));
        p.drawLine(QPointF(14.5, 8.0), QPointF(17.5, 8.0));
        p.drawLine(QPointF(14.5, 11.0), QPointF(17.5, 11.0));
        p.setPen(Stroke(c.paper(), kDetail));
        p.setBrush(c.red());
        p.drawEllipse(QPointF(25.0, 7.0), 3.5, 3.5);
        break;
    }
    default:
        break;
    }
}

bool IsToolbarCommand(int commandId)
{
    switch (commandId) {
    case kAddFile:
    case kSaveProject:
    case kCut:
    case kCopy:
    case kPaste:
    case kUndo:
    case kRedo:
    case kZoomIn:
    case kZoomOut:
    case kScrollToBegin:
    case kPlay:
    case kPause:
    case kStop:
    case kScrollToEnd:
    case kStartRecord:
    case kStopRecord:
    case kRecordOptions:
        return true;
    default:
        return false;
    }
}

QPixmap RenderTool(int commandId, Look look, qreal ratio)
{
    const int side = int(std::lround(kIconSize * ratio));
    QPixmap pixmap(side, side);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    DrawGlyph(p, commandId, Palette(look));
    return pixmap;
}

} // namespace

QIcon ToolIcon(int commandId)
{
    if (!IsToolbarCommand(commandId))
        return {};
    QIcon icon;
    const std::pair<Look, QIcon::Mode> looks[] = {{Look::Normal, QIcon::Normal},
                                                  {Look::Active, QIcon::Active},
                                                  {Look::Disabled, QIcon::Disabled}};
    for (const auto& [look, mode] : looks)
        for (qreal ratio : {1.0, 2.0})
            icon.addPixmap(RenderTool(commandId, look, ratio), mode);
    return icon;
}

QImage RenderAppIcon(int size)
{
    if (size <= 0)
        return {};
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A rounded tile in the toolbar's blue with a white waveform across it.
    const qreal s = size;
    const QRectF tile = QRectF(0, 0, s, s).adjusted(s / 32.0, s / 32.0, -s / 32.0, -s / 32.0);
    const qreal radius = s * 0.21;
    QLinearGradient sky(tile.topLeft(), tile.bottomLeft());
    sky.setColorAt(0.0, QColor(0x4a, 0x9a, 0xea));
    sky.setColorAt(1.0, QColor(0x1c, 0x57, 0x98));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(tile, radius, radius);

    // Fewer, relatively wider bars at the small sizes, every bar snapped to
    // whole pixels so that it stays crisp.
    struct Wave {
        int count;
        qreal bar, gap; // fractions of the size
        qreal tall[7];  // bar heights, fractions of the tallest
    };
    static const Wave kLarge = {7, 0.07, 0.045, {0.28, 0.52, 0.80, 1.00, 0.66, 0.42, 0.22}};
    static const Wave kMedium = {5, 0.095, 0.06, {0.40, 0.75, 1.00, 0.60, 0.30}};
    static const Wave kSmall = {4, 0.12, 0.06, {0.50, 1.00, 0.70, 0.35}};
    const Wave& wave = size >= 48 ? kLarge : size >= 22 ? kMedium : kSmall;
    const int count = wave.count;
    const qreal* tall = wave.tall;
    const int bar = std::max(1, int(std::lround(s * wave.bar)));
    const int gap = std::max(1, int(std::lround(s * wave.gap)));
    const int span = count * bar + (count - 1) * gap;
    const int left = (size - span) / 2;
    const qreal reach = s * 0.30; // half of the tallest bar
    p.setBrush(Qt::white);
    for (int i = 0; i < count; ++i) {
        const qreal half = std::max<qreal>(bar / 2.0, reach * tall[i]);
        const QRectF rect(left + i * (bar + gap), s / 2.0 - half, bar, 2.0 * half);
        p.drawRoundedRect(rect, bar / 2.0, bar / 2.0);
    }
    return image;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(RenderAppIcon(size)));
    return icon;
}

} // namespace app
