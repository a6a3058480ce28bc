// Where the ruler's ticks stand: major ticks at round times (1, 2 or 5 times
// a power of ten of milliseconds, seconds or minutes), each labelled with its
// exact time, and minor ticks at round fractions between them.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace brimsel {

/** A major tick: its view x, its time and its label's text and extent. */
struct RulerLabel {
    int x = 0;
    int64_t time = 0;
    QString text;
    int left = 0; // the label spans [left, left + width)
    int width = 0;
};

struct RulerLayout {
    int64_t majorStep = 0; // microseconds
    int64_t minorStep = 0; // 0: no minor ticks
    bool msMode = false;   // labels with milliseconds
    std::vector<RulerLabel> labels;
    std::vector<int> minorX;
};

/** The steps a major tick may take, in microseconds, ascending. */
const std::vector<int64_t>& RulerMajorSteps();

/** "h:mm:ss"; in millisecond mode "mm:ss.mmm" ("h:mm:ss.mmm" from an hour on). */
QString RulerText(int64_t time, bool msMode);

/**
 * The ticks of times >= 0 whose view x lies in [firstX, right), at this zoom
 * and scroll position (x as XOfTime gives it). The major step is the
 * smallest whose spacing leaves at least gap pixels between neighbouring
 * labels; textWidth measures a label in pixels.
 */
RulerLayout LayoutRuler(uint32_t zoomFactor, int64_t scrollPos, int firstX, int right, int gap,
                        const std::function<int(const QString&)>& textWidth);

} // namespace brimsel
