// Frames gathered into pixel columns, in order: the straight read's half
// of the peak walk.
#pragma once

#include "column_grid.h"
#include "display_list.h"

#include <algorithm>
#include <cstdint>

namespace brimsel {

/** Collects frames into columns, from column `first` on, and emits each
 *  column when its last frame is in. */
class CColumnAccumulator {
public:
    CColumnAccumulator(const CColumnGrid& grid, int channels, CDisplayList* out, uint64_t first)
        : m_grid(grid), m_channels(channels), m_out(out), m_frame(grid.Boundary(first)),
          m_column(first), m_next(grid.Boundary(first + 1))
    {
    }

    uint64_t FramesToBoundary() const { return m_next - m_frame; }
    uint64_t Frame() const { return m_frame; }

    void AddFrame(const uint8_t* y)
    {
        Merge(y, y);
        if (++m_frame == m_next)
            Emit();
    }

    /** A run of frames that no column edge splits (count <= FramesToBoundary()). */
    void AddBlock(const uint8_t* maxY, const uint8_t* minY, uint32_t count)
    {
        if (count == 0)
            return;
        Merge(maxY, minY);
        m_frame += count;
        if (m_frame == m_next)
            Emit();
    }

private:
    void Merge(const uint8_t* maxY, const uint8_t* minY)
    {
        if (!m_have) {
            for (int ch = 0; ch < m_channels; ++ch) {
                m_max[ch] = maxY[ch];
                m_min[ch] = minY[ch];
            }
            m_have = true;
            return;
        }
        for (int ch = 0; ch < m_channels; ++ch) {
            m_max[ch] = std::max(m_max[ch], maxY[ch]);
            m_min[ch] = std::min(m_min[ch], minY[ch]);
        }
    }

    void Emit()
    {
        for (int ch = 0; ch < m_channels; ++ch)
            m_out->channel[ch].push_back(ColumnPeak{m_max[ch], m_min[ch]});
        ++m_column;
        m_next = m_grid.Boundary(m_column + 1);
        m_have = false;
    }

    CColumnGrid m_grid;
    int m_channels;
    CDisplayList* m_out;
    uint64_t m_frame;
    uint64_t m_column;
    uint64_t m_next;
    bool m_have = false;
    uint8_t m_max[2] = {0, 0};
    uint8_t m_min[2] = {0, 0};
};

} // namespace brimsel
