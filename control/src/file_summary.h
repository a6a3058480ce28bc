// The peaks of one data file at a fixed block size, kept because data files
// never change once written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brimsel {

/**
 * Per block of kBlockFrames frames (counted from the file's first frame; the
 * last block may be shorter), per channel the largest and the smallest y of
 * the view's sample mapping. Stored as bytes: a stereo hour takes 10 MB.
 */
class CFileSummary {
public:
    static constexpr uint32_t kBlockFrames = 64;

    CFileSummary(int channels, uint64_t frames);

    int Channels() const { return m_channels; }
    uint64_t Frames() const { return m_frames; }
    uint64_t Blocks() const { return (m_frames + kBlockFrames - 1) / kBlockFrames; }
    /** Frames in block b: kBlockFrames except for a short last block. */
    uint32_t BlockFrames(uint64_t block) const;

    /** Largest and smallest y of channel ch in block b. */
    uint8_t MaxY(uint64_t block, int ch) const { return m_peaks[Index(block, ch)]; }
    uint8_t MinY(uint64_t block, int ch) const { return m_peaks[Index(block, ch) + 1]; }
    void Set(uint64_t block, int ch, uint8_t maxY, uint8_t minY)
    {
        m_peaks[Index(block, ch)] = maxY;
        m_peaks[Index(block, ch) + 1] = minY;
    }

    /** Memory the summary holds, for the store's budget. */
    size_t Bytes() const { return m_peaks.size() + sizeof(*this); }

private:
    size_t Index(uint64_t block, int ch) const
    {
        return static_cast<size_t>(block) * 2 * m_channels + 2 * ch;
    }

    int m_channels;
    uint64_t m_frames;
    std::vector<uint8_t> m_peaks;
};

} // namespace brimsel
