#include "project/project_files.h"

#include "track/track.h"

namespace kernel {

namespace {
// Whether version is one of the track's own versions.
bool isVersion(const CTrack& track, const CTimeline* version)
{
    for (const CTimeline* v = track.m_timeline; v; v = v->m_prev)
        if (v == version)
            return true;
    for (const CTimeline* v = track.m_timeline ? track.m_timeline->m_next : track.m_redoTimeline; v; v = v->m_next)
        if (v == version)
            return true;
    return false;
}
} // namespace

void SetProjectFiles(CTrack& track, std::unique_ptr<CTimeline> files)
{
    CTimeline* old = track.m_projectTimeline;
    track.m_projectTimeline = files.release();
    // Only the copies made here are freed here; versions belong to the track.
    if (old && old != track.m_projectTimeline && !isVersion(track, old))
        delete old;
}

std::unique_ptr<CTimeline> NamedSegments(const CTimeline* timeline)
{
    auto copy = std::make_unique<CTimeline>();
    if (timeline)
        for (const TrackSegment& s : *timeline)
            if (!(s.state & vorlain::kHeaderSegment))
                copy->Append(s);
    if (copy->GetCount() == 0)
        return nullptr;
    return copy;
}

} // namespace kernel
