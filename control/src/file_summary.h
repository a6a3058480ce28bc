// The peaks of one data file at two block sizes, kept because data files
// never change once written: per block and channel the largest and the
// smallest y of the view's sample mapping.
#pragma once

#include "vorlain/peak_summary.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brimsel {

/**
 * Blocks are counted from the file's first frame; the last block of each
 * level may be shorter. The coarse level (4096 frames) is always in memory:
 * a stereo hour takes 310 kB. The fine level (64 frames) is in memory for a
 * summary computed from the audio, and read on demand from the summary file
 * the kernel wrote beside the data file otherwise, so that a long track costs
 * little memory.
 */
class CFileSummary {
public:
    static constexpr uint32_t kFineFrames = vorlain::kPeakFineFrames;
    static constexpr uint32_t kCoarseFrames = vorlain::kPeakCoarseFrames;
    static constexpr uint32_t kFinePerCoarse = kCoarseFrames / kFineFrames;

    /** Both levels in memory, to be filled with SetFine and SetCoarse. */
    CFileSummary(int channels, uint64_t frames);
    /** The coarse level in memory, the fine one in a summary file from byte
     *  fineOffset on (entries as vorlain/peak_summary.h lays them out). */
    CFileSummary(int channels, uint64_t frames, std::string fineFile, uint64_t fineOffset);

    int Channels() const { return m_channels; }
    uint64_t Frames() const { return m_frames; }
    uint64_t FineBlocks() const { return vorlain::PeakBlocks(m_frames, kFineFrames); }
    uint64_t CoarseBlocks() const { return vorlain::PeakBlocks(m_frames, kCoarseFrames); }
    /** Frames in a block of the level with blockFrames frames per block. */
    uint32_t BlockFrames(uint64_t block, uint32_t blockFrames) const;

    /** The extremes of the coarse blocks [first, last), per channel (last > first). */
    void CoarseRange(uint64_t first, uint64_t last, uint8_t* maxY, uint8_t* minY) const;
    uint8_t CoarseMax(uint64_t block, int ch) const { return m_coarse[Index(block, ch)]; }
    uint8_t CoarseMin(uint64_t block, int ch) const { return m_coarse[Index(block, ch) + 1]; }
    void SetCoarse(uint64_t block, int ch, uint8_t maxY, uint8_t minY);

    /** Whether the fine level is in memory (else it is in FineFile()). */
    bool HasFine() const { return !m_fine.empty() || FineBlocks() == 0; }
    uint8_t FineMax(uint64_t block, int ch) const { return m_fine[Index(block, ch)]; }
    uint8_t FineMin(uint64_t block, int ch) const { return m_fine[Index(block, ch) + 1]; }
    void SetFine(uint64_t block, int ch, uint8_t maxY, uint8_t minY);
    const std::string& FineFile() const { return m_fineFile; }
    uint64_t FineOffset() const { return m_fineOffset; }

    /** Memory the summary holds, for the store's budget. */
    size_t Bytes() const;

private:
    size_t Index(uint64_t block, int ch) const
    {
        return static_cast<size_t>(block) * 2 * m_channels + 2 * ch;
    }

    int m_channels;
    uint64_t m_frames;
    std::vector<uint8_t> m_coarse;
    std::vector<uint8_t> m_fine;
    std::string m_fineFile;
    uint64_t m_fineOffset = 0;
};

} // namespace brimsel
