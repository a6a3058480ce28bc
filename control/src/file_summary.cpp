#include "file_summary.h"

#include <algorithm>

namespace brimsel {

CFileSummary::CFileSummary(int channels, uint64_t frames)
    : m_channels(channels), m_frames(frames),
      m_coarse(static_cast<size_t>(CoarseBlocks()) * 2 * channels),
      m_fine(static_cast<size_t>(FineBlocks()) * 2 * channels)
{
}

CFileSummary::CFileSummary(int channels, uint64_t frames, std::string fineFile, uint64_t fineOffset)
    : m_channels(channels), m_frames(frames),
      m_coarse(static_cast<size_t>(CoarseBlocks()) * 2 * channels), m_fineFile(std::move(fineFile)),
      m_fineOffset(fineOffset)
{
}

uint32_t CFileSummary::BlockFrames(uint64_t block, uint32_t blockFrames) const
{
    const uint64_t start = block * blockFrames;
    if (start >= m_frames)
        return 0;
    const uint64_t left = m_frames - start;
    return left < blockFrames ? static_cast<uint32_t>(left) : blockFrames;
}

void CFileSummary::CoarseRange(uint64_t first, uint64_t last, uint8_t* maxY, uint8_t* minY) const
{
    // A whole-track view merges hundreds of thousands of entries: one plain
    // pass over the bytes, which the compiler turns into vector code.
    const uint8_t* p = m_coarse.data() + Index(first, 0);
    const size_t n = static_cast<size_t>(last - first);
    if (m_channels == 2) {
        uint8_t hi0 = p[0], lo0 = p[1], hi1 = p[2], lo1 = p[3];
        for (size_t i = 1; i < n; ++i) {
            const uint8_t* e = p + 4 * i;
            hi0 = std::max(hi0, e[0]);
            lo0 = std::min(lo0, e[1]);
            hi1 = std::max(hi1, e[2]);
            lo1 = std::min(lo1, e[3]);
        }
        maxY[0] = hi0, minY[0] = lo0, maxY[1] = hi1, minY[1] = lo1;
    } else {
        uint8_t hi = p[0], lo = p[1];
        for (size_t i = 1; i < n; ++i) {
            hi = std::max(hi, p[2 * i]);
            lo = std::min(lo, p[2 * i + 1]);
        }
        maxY[0] = hi, minY[0] = lo;
    }
}

void CFileSummary::SetCoarse(uint64_t block, int ch, uint8_t maxY, uint8_t minY)
{
    m_coarse[Index(block, ch)] = maxY;
    m_coarse[Index(block, ch) + 1] = minY;
}

void CFileSummary::SetFine(uint64_t block, int ch, uint8_t maxY, uint8_t minY)
{
    m_fine[Index(block, ch)] = maxY;
    m_fine[Index(block, ch) + 1] = minY;
}

size_t CFileSummary::Bytes() const
{
    return sizeof(*this) + m_coarse.size() + m_fine.size() + m_fineFile.size();
}

} // namespace brimsel
