// Time <-> pixel conversions shared by the views and the ruler. Times are
// microseconds; x values are client coordinates of a track view, whose wave
// area starts at x = 140.
#pragma once

#include <climits>
#include <cstdint>

namespace brimsel {

inline constexpr int kWaveLeft = 140;
/** "No position" for selections, click lines and ruler markers. */
inline constexpr int kNone = INT_MAX;

/** column(t) = t x 44100 / zoom / 1000000, each division truncating. */
int64_t ColumnOfTime(int64_t time, uint32_t zoomFactor);
/** x(t) = column(t) - scroll position + 140. */
int64_t XOfTime(int64_t time, uint32_t zoomFactor, int64_t scrollPos);
/** time(x) = (scroll position + x - 140) x zoom x 1000000 / 44100, truncating.
 *  Formed in 64 bits (and wider): a 32-bit product would wrap after 27 hours. */
int64_t TimeOfX(int64_t x, uint32_t zoomFactor, int64_t scrollPos);

/** An x value brought into a range where pixel arithmetic cannot overflow;
 *  kNone passes through unchanged. */
int ToPixel(int64_t x);

} // namespace brimsel
