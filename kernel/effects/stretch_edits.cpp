#include "effects/stretch_edits.h"

#include "common/progress.h"
#include "edits/range_edits.h"
#include "effects/time_stretcher.h"

#include <cmath>

namespace kernel {

namespace {

// Both edits replace the range. Pitch keeps the length and could in principle
// go through the effect engine's in-place rewrite of each segment, but that
// rewrite hands the effect the segment's bytes block by block and wants the
// same bytes back at once, while Rubber Band gives its output late and only
// completes it after the last input block. The replace walk takes the
// stretched range as one stream of new pieces instead, with the same frame
// count and the same duration, so the track keeps its length exactly.
bool stretchRange(CTrack& track, int64_t from, int64_t to, double timeRatio, double pitchScale,
                  const char* label, int64_t& newTo)
{
    CTimeStretcher stretcher(track, timeRatio, pitchScale);
    bool ok = stretcher.Open(from, to);
    if (ok) {
        ok = ReplaceRange(track, from, to, label,
                          [&](CTimelineBuilder& builder) { return stretcher.Append(builder); });
    }
    if (ok)
        newTo = from + stretcher.Duration();
    PostFinalProgress();
    return ok;
}

} // namespace

bool ChangeTempo(CTrack& track, int64_t from, int64_t to, int32_t percent, int64_t& newTo)
{
    return stretchRange(track, from, to, 100.0 / (100.0 + percent), 1.0, "Changing tempo", newTo);
}

bool ChangePitch(CTrack& track, int64_t from, int64_t to, int32_t cents)
{
    int64_t newTo = to;
    return stretchRange(track, from, to, 1.0, std::exp2(cents / 1200.0), "Changing pitch", newTo);
}

} // namespace kernel
