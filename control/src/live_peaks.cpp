#include "live_peaks.h"

#include "sample_mapping.h"
#include "time_mapping.h"
#include "view_state.h"

#include <algorithm>

namespace brimsel {

namespace {

/** Columns a live recording may skip ahead before a message is taken as garbage. */
constexpr int kMaxLiveGap = 1 << 20;

/** The y of a sample offset (0..65535) in the band that starts at base. */
uint8_t LiveY(int32_t value, int base)
{
    return static_cast<uint8_t>(base +
                                HalfBandY(static_cast<uint32_t>(std::clamp(value, 0, 65535))));
}

} // namespace

bool IsLiveColumn(int idx, size_t have)
{
    return idx >= 0 && (idx == 0 || static_cast<size_t>(idx) <= have + kMaxLiveGap);
}

bool FollowLiveColumn(CViewState& state, int idx, int rowWidth)
{
    if (int64_t(idx) - state.HScrollPos() + kWaveLeft < rowWidth)
        return false;
    const int m = state.IsPlaying() ? 50 : (rowWidth - kWaveLeft) / 2 - 10;
    ScrollInfo h = state.HBar();
    h.nMin = 0;
    h.nMax = m + (h.nMax > 0 ? h.nMax : idx);
    h.nPage = rowWidth - 150;
    h.nPos = state.HScrollPos();
    state.SetHBar(h);
    state.HScroll(m, 0);
    return true;
}

void PutLiveColumn(CDisplayList& display, int idx, const RecordPeaks& left,
                   const RecordPeaks& right)
{
    if (static_cast<size_t>(idx) < display.Columns()) {
        display.channel[0].resize(idx);
        display.channel[1].resize(idx);
    }
    while (display.Columns() < static_cast<size_t>(idx)) {
        display.channel[0].push_back(ColumnPeak{37, 37});
        display.channel[1].push_back(ColumnPeak{112, 112});
    }
    display.channel[0].push_back(ColumnPeak{LiveY(left.maximum, 0), LiveY(left.minimum, 0)});
    display.channel[1].push_back(
        ColumnPeak{LiveY(right.maximum, kHalfBand), LiveY(right.minimum, kHalfBand)});
}

} // namespace brimsel
