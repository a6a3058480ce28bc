#include "edits/insertion.h"

#include "common/last_error.h"
#include "common/progress.h"
#include "edits/timeline_builder.h"
#include "track/track.h"
#include "vorlain/platform.h"

#include <algorithm>
#include <cinttypes>

namespace kernel {

bool InsertSilence(CTrack& track, int64_t at, int64_t duration)
{
    VorlainOutputDebugString("AddSilence IN tFrom:%" PRId64 " tDuration:%" PRId64, at, duration);
    const int64_t lengthBefore = track.m_length;
    CTimelineBuilder builder(track);
    builder.OnAppend([lengthBefore](int64_t end) {
        if (lengthBefore > 0)
            PostProgress(static_cast<unsigned>(std::clamp<int64_t>(end * 100 / lengthBefore, 0, 99)));
    });
    bool ok;
    if (track.IsBlank()) {
        TrackSegment header{};
        header.state = vorlain::kHeaderSegment;
        ok = track.MakeTrackFolder();
        if (ok) {
            builder.AppendHeader(header);
            ok = builder.AppendSilence(duration);
            if (!ok)
                SetLastError(0x08A7B001);
        }
    } else {
        bool written = true;
        ok = builder.InsertAt(at, [&](CTimelineBuilder& b) { return written = b.AppendSilence(duration); });
        if (!written)
            SetLastError(0x087AB001);
    }
    ok = ok && builder.Commit("AddSilence");
    PostFinalProgress();
    return ok;
}

} // namespace kernel
