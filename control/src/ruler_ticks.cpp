#include "ruler_ticks.h"

#include "column_grid.h"
#include "time_mapping.h"

#include <algorithm>

namespace brimsel {
namespace {

constexpr int64_t kMillisecond = 1000;
constexpr int64_t kSecond = 1000 * kMillisecond;
constexpr int64_t kMinute = 60 * kSecond;

/** Columns a time span covers, as a fraction: the spacing of its ticks. */
double SpanPixels(int64_t span, uint32_t zoomFactor)
{
    return double(span) * kScaleRate / zoomFactor / double(kSecond);
}

/** 1, 2 or 5: the leading digit of a step within its unit. */
int64_t LeadingDigit(int64_t step)
{
    for (int64_t unit : {kMinute, kSecond, kMillisecond}) {
        if (step >= unit && step % unit == 0) {
            int64_t n = step / unit;
            while (n % 10 == 0)
                n /= 10;
            return n;
        }
    }
    return 1;
}

} // namespace

const std::vector<int64_t>& RulerMajorSteps()
{
    static const std::vector<int64_t> steps = [] {
        std::vector<int64_t> s;
        for (int64_t decade = kMillisecond; decade <= 100 * kMillisecond; decade *= 10)
            for (int64_t d : {1, 2, 5})
                s.push_back(d * decade);
        for (int64_t d : {1, 2, 5, 10, 20})
            s.push_back(d * kSecond);
        // Minutes on to far beyond the coarsest zoom: 2^31 samples a column.
        for (int64_t decade = kMinute; decade <= 100000000 * kMinute; decade *= 10)
            for (int64_t d : {1, 2, 5})
                s.push_back(d * decade);
        return s;
    }();
    return steps;
}

QString RulerText(int64_t time, bool msMode)
{
    const auto t = static_cast<long long>(std::max<int64_t>(time, 0));
    const long long hours = t / 3600000000LL;
    const long long minutes = t / 60000000LL % 60;
    const long long seconds = t / 1000000LL % 60;
    if (!msMode)
        return QString::asprintf("%lld:%.2lld:%.2lld", hours, minutes, seconds);
    const long long millis = t / 1000 % 1000;
    if (hours > 0)
        return QString::asprintf("%lld:%.2lld:%.2lld.%.3lld", hours, minutes, seconds, millis);
    return QString::asprintf("%.2lld:%.2lld.%.3lld", minutes, seconds, millis);
}

RulerLayout LayoutRuler(uint32_t zoomFactor, int64_t scrollPos, int firstX, int right, int gap,
                        const std::function<int(const QString&)>& textWidth)
{
    RulerLayout layout;
    if (zoomFactor == 0 || right <= firstX)
        return layout;
    const int64_t tFirst = std::max<int64_t>(TimeOfX(firstX, zoomFactor, scrollPos), 0);
    const int64_t tLast = std::max<int64_t>(TimeOfX(right, zoomFactor, scrollPos), 0);

    // The widest label is that of the latest time: texts only grow with it.
    // One pixel more than the gap absorbs the columns' truncation.
    const std::vector<int64_t>& steps = RulerMajorSteps();
    layout.majorStep = steps.back();
    for (int64_t step : steps) {
        const bool ms = step < kSecond;
        const int w = textWidth(RulerText(tLast / step * step, ms));
        if (SpanPixels(step, zoomFactor) >= w + gap + 1) {
            layout.majorStep = step;
            break;
        }
    }
    const int64_t major = layout.majorStep;
    layout.msMode = major < kSecond;

    // Minor ticks: a fifth of a 1 or 5 step, a quarter of a 2 step, or a
    // half when those would crowd; none when even halves would.
    const int64_t digit = LeadingDigit(major);
    for (int64_t parts : {digit == 2 ? int64_t(4) : int64_t(5), int64_t(2)}) {
        if (major % parts == 0 && SpanPixels(major / parts, zoomFactor) >= 4) {
            layout.minorStep = major / parts;
            break;
        }
    }

    auto xOf = [&](int64_t t) { return ToPixel(XOfTime(t, zoomFactor, scrollPos)); };
    // The walks stop before a step past the end: no time wraps near the 64-bit limit.
    for (int64_t t = tFirst / major * major; t <= tLast; t += major) {
        const int x = xOf(t);
        if (x >= firstX && x < right) {
            RulerLabel label;
            label.x = x;
            label.time = t;
            label.text = RulerText(t, layout.msMode);
            label.width = textWidth(label.text);
            label.left = x - label.width / 2;
            layout.labels.push_back(std::move(label));
        }
        if (tLast - t < major)
            break;
    }
    if (layout.minorStep > 0) {
        const int64_t minor = layout.minorStep;
        for (int64_t t = tFirst / minor * minor; t <= tLast; t += minor) {
            const int x = xOf(t);
            if (t % major != 0 && x >= firstX && x < right)
                layout.minorX.push_back(x);
            if (tLast - t < minor)
                break;
        }
    }
    return layout;
}

} // namespace brimsel
