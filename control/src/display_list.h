// The display point list of a view: per channel one pair of y values per
// pixel column, the column being the position in the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brimsel {

/** One column of one channel: the largest y (drawn first) and the smallest. */
struct ColumnPeak {
    uint8_t maxY;
    uint8_t minY;
    bool operator==(const ColumnPeak&) const = default;
};

/**
 * Two lists of column peaks, index 0 the left or mono channel, 1 the right.
 * A column's index is its position, so the list needs two bytes per channel
 * and column instead of two 8-byte points.
 */
class CDisplayList {
public:
    std::vector<ColumnPeak> channel[2];

    /** Columns in the list: the drawn width of the track. */
    size_t Columns() const { return channel[0].size(); }
    /** Two entries per column, as the point count of the list is defined. */
    size_t DisplayCount() const { return 2 * channel[0].size(); }
    void Clear()
    {
        channel[0].clear();
        channel[1].clear();
    }
    bool operator==(const CDisplayList& other) const
    {
        return channel[0] == other.channel[0] && channel[1] == other.channel[1];
    }
};

} // namespace brimsel
