// One version of a track's audio: segments by index 0, 1, 2, ... with no gaps,
// linked to the previous and next version. The kernel builds timelines; the
// display control walks them read-only through the track base info record.
#pragma once

#include "vorlain/records.h"

#include <cstdint>
#include <cstdio>
#include <vector>

/** A segment record for [start, end) held by the data file at path. Callers
 *  check that the path fits the record's field before they name a file. */
inline TrackSegment MakeSegment(uint32_t state, int64_t start, int64_t end, const char* path)
{
    TrackSegment s{};
    s.state = state;
    s.start = start;
    s.end = end;
    std::snprintf(s.path, sizeof s.path, "%s", path ? path : "");
    return s;
}

class CTimeline {
public:
    /** Number of segments; indexes run from 0 to count - 1. */
    uint32_t GetCount() const { return static_cast<uint32_t>(m_segments.size()); }
    /** The segment at index, or null when there is none (the end of the walk). */
    const TrackSegment* Lookup(uint32_t index) const
    {
        return index < m_segments.size() ? &m_segments[index] : nullptr;
    }
    /** Adds a segment under the next free index. */
    void Append(const TrackSegment& segment) { m_segments.push_back(segment); }
    void Reserve(size_t count) { m_segments.reserve(count); }

    /** End of the last audio segment: the length of a track on this timeline. */
    int64_t EndTime() const
    {
        for (auto it = m_segments.rbegin(); it != m_segments.rend(); ++it)
            if (!(it->state & vorlain::kHeaderSegment))
                return it->end;
        return 0;
    }

    auto begin() const { return m_segments.begin(); }
    auto end() const { return m_segments.end(); }

    CTimeline* m_prev = nullptr;
    CTimeline* m_next = nullptr;

private:
    std::vector<TrackSegment> m_segments;
};
