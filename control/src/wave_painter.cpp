#include "wave_painter.h"

#include "sample_mapping.h"
#include "time_mapping.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace brimsel {
namespace {

/** A pen position and the line-to operation of a drawing device: the line
 *  runs from the pen to (x, y), the end point itself is not set. */
class PixelPen {
public:
    PixelPen(QImage& image, QRgb color) : m_image(image), m_color(color) {}

    void MoveTo(int x, int y)
    {
        m_x = x;
        m_y = y;
    }

    void LineTo(int x1, int y1)
    {
        int x = m_x, y = m_y;
        const int dx = std::abs(x1 - x), sx = x < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y), sy = y < y1 ? 1 : -1;
        int err = dx + dy;
        while (x != x1 || y != y1) {
            Plot(x, y);
            int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
        m_x = x1;
        m_y = y1;
    }

private:
    void Plot(int x, int y)
    {
        if (x >= 0 && y >= 0 && x < m_image.width() && y < m_image.height())
            reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = m_color;
    }

    QImage& m_image;
    QRgb m_color;
    int m_x = 0;
    int m_y = 0;
};

void DrawChannel(QImage& image, const std::vector<ColumnPeak>& peaks, uint64_t first, int startY,
                 int width, int64_t scrollPos, QRgb color)
{
    PixelPen pen(image, color);
    pen.MoveTo(kWaveLeft, startY);
    if (scrollPos < 0)
        return;
    // The list holds the columns [first, first + size): columns of the row
    // outside it are not drawn, and the pen starts at the first one held.
    int x = kWaveLeft;
    uint64_t column = static_cast<uint64_t>(scrollPos);
    if (column < first) {
        const uint64_t skip = first - column;
        if (skip >= static_cast<uint64_t>(std::max(width - kWaveLeft, 0)) || peaks.empty())
            return;
        x += static_cast<int>(skip);
        column = first;
        pen.MoveTo(x, peaks[0].maxY);
    }
    size_t index = static_cast<size_t>(column - first);
    for (; x < width && index < peaks.size(); ++x, ++index) {
        pen.LineTo(x, peaks[index].maxY);
        pen.LineTo(x, peaks[index].minY);
    }
}

} // namespace

QImage CWavePainter::Render(const CDisplayList& display, int channels, int width, int64_t scrollPos,
                            const WaveColors& colors, const QFont& letterFont)
{
    width = std::max(width, 1);
    QImage image(width, kRowHeight, QImage::Format_RGB32);
    image.fill(colors.background);

    // The frame: a one-pixel rectangle on the client rectangle.
    PixelPen frame(image, colors.frame.rgb());
    frame.MoveTo(0, 0);
    frame.LineTo(width - 1, 0);
    frame.LineTo(width - 1, kRowHeight - 1);
    frame.LineTo(0, kRowHeight - 1);
    frame.LineTo(0, 0);

    // The red line at the first wave column marks time 0: only while it is in view.
    PixelPen mark(image, colors.mark.rgb());
    if (scrollPos <= 0) {
        mark.MoveTo(kWaveLeft, 0);
        mark.LineTo(kWaveLeft, kRowHeight);
    }
    const bool stereo = channels == 2;
    if (stereo) {
        mark.MoveTo(120, kHalfBand);
        mark.LineTo(width, kHalfBand);
    }
    {
        QPainter p(&image);
        p.setFont(letterFont);
        p.setPen(colors.letters);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;
        if (stereo) {
            p.drawText(QRect(125, 31, 14, 30), flags, QStringLiteral("L"));
            p.drawText(QRect(125, 106, 14, 30), flags, QStringLiteral("R"));
        } else {
            p.drawText(QRect(125, 69, 14, 30), flags, QStringLiteral("L"));
        }
    }

    const QRgb wave = colors.wave.rgb();
    if (stereo) {
        DrawChannel(image, display.channel[0], display.first, 37, width, scrollPos, wave);
        DrawChannel(image, display.channel[1], display.first, 112, width, scrollPos, wave);
    } else if (channels == 1) {
        DrawChannel(image, display.channel[0], display.first, 75, width, scrollPos, wave);
    }
    return image;
}

void CWavePainter::InvertColumns(QImage& image, int x0, int x1)
{
    x0 = std::max(x0, 0);
    x1 = std::min(x1, image.width());
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = x0; x < x1; ++x)
            line[x] = line[x] ^ 0x00FFFFFFu;
    }
}

} // namespace brimsel
