#include "file_summary.h"

namespace brimsel {

CFileSummary::CFileSummary(int channels, uint64_t frames)
    : m_channels(channels), m_frames(frames),
      m_peaks(static_cast<size_t>((frames + kBlockFrames - 1) / kBlockFrames) * 2 * channels)
{
}

uint32_t CFileSummary::BlockFrames(uint64_t block) const
{
    uint64_t start = block * kBlockFrames;
    if (start >= m_frames)
        return 0;
    uint64_t left = m_frames - start;
    return left < kBlockFrames ? static_cast<uint32_t>(left) : kBlockFrames;
}

} // namespace brimsel
