#include "time_mapping.h"

#include "column_grid.h"

namespace brimsel {
namespace {

constexpr int64_t kPixelLimit = int64_t(1) << 30;

int64_t Saturate(__int128 v)
{
    if (v > INT64_MAX)
        return INT64_MAX;
    if (v < INT64_MIN)
        return INT64_MIN;
    return static_cast<int64_t>(v);
}

} // namespace

int64_t ColumnOfTime(int64_t time, uint32_t zoomFactor)
{
    if (zoomFactor == 0)
        return 0;
    __int128 samples = static_cast<__int128>(time) * kScaleRate / zoomFactor;
    return Saturate(samples / 1000000);
}

int64_t XOfTime(int64_t time, uint32_t zoomFactor, int64_t scrollPos)
{
    return Saturate(static_cast<__int128>(ColumnOfTime(time, zoomFactor)) - scrollPos + kWaveLeft);
}

int64_t TimeOfX(int64_t x, uint32_t zoomFactor, int64_t scrollPos)
{
    __int128 columns = static_cast<__int128>(scrollPos) + x - kWaveLeft;
    return Saturate(columns * zoomFactor * 1000000 / kScaleRate);
}

int ToPixel(int64_t x)
{
    if (x == kNone)
        return kNone;
    if (x > kPixelLimit)
        return static_cast<int>(kPixelLimit);
    if (x < -kPixelLimit)
        return static_cast<int>(-kPixelLimit);
    return static_cast<int>(x);
}

} // namespace brimsel
