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
 * Two lists of column peaks, index 0 the left or mono channel, 1 the right,
 * for the columns [first, first + Columns()) of the track: a view keeps the
 * columns around what it shows, not the whole track. A column's index is
 * its position from first, so the list needs two bytes per channel and
 * column instead of two 8-byte points.
 */
class CDisplayList {
public:
    uint64_t first = 0;
    std::vector<ColumnPeak> channel[2];

    /** Columns in the list. */
    size_t Columns() const { return channel[0].size(); }
    /** One past the last column in the list. */
    uint64_t End() const { return first + channel[0].size(); }
    bool Holds(uint64_t column) const { return column >= first && column < End(); }
    /** Two entries per column, as the point count of the list is defined. */
    size_t DisplayCount() const { return 2 * channel[0].size(); }
    void Clear()
    {
        first = 0;
        channel[0].clear();
        channel[1].clear();
    }
    bool operator==(const CDisplayList& other) const
    {
        return first == other.first && channel[0] == other.channel[0] &&
               channel[1] == other.channel[1];
    }
};

} // namespace brimsel
