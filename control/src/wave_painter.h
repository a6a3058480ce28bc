// Draws the picture of one track row: frame, background, separators,
// channel letters and the wave, pixel by pixel as a line-drawing device
// would (each line includes its first point and leaves out its last).
#pragma once

#include "display_list.h"

#include <QColor>
#include <QFont>
#include <QImage>

#include <cstdint>

namespace brimsel {

struct WaveColors {
    QColor frame{125, 125, 125};
    QColor background{225, 225, 225}; // panelColor, or selectedColor when selected
    QColor wave{0, 255, 0};
    QColor mark{255, 0, 0};
    QColor letters{255, 255, 255};
};

class CWavePainter {
public:
    /**
     * The row picture, width x 150. Channels 1 and 2 get their wave (mono
     * layout, stereo layout); other counts show the background, separators and
     * letters only. Column scrollPos is drawn at x = 140, the next ones one
     * per x up to width - 1; columns the list does not hold are left out.
     */
    static QImage Render(const CDisplayList& display, int channels, int width, int64_t scrollPos,
                         const WaveColors& colors, const QFont& letterFont);

    /** Inverts the columns [x0, x1) over the full height. */
    static void InvertColumns(QImage& image, int x0, int x1);
};

} // namespace brimsel
