// The peak summary of a data file: per block of frames and per channel the
// largest and the smallest offset value of the block's samples, at a fine and
// a coarse block size. The kernel writes one beside every data file it writes;
// the display control draws from it instead of reading the audio. A data file
// never changes, so neither does its summary; the summary names the size and
// modification time of its data file, so that a summary is never taken for
// another file that later got the same name.
//
// File layout (little-endian): the 48-byte header, then the coarse entries,
// then the fine entries. An entry is, per channel, the largest and the
// smallest offset value (two unsigned 16-bit values). The last block of each
// level may be shorter than the level's block size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace vorlain {

/** Folder, inside a data file's folder, that holds the summaries. Projects
 *  accept sub-folders beside their data files, so the summaries travel with them. */
inline constexpr const char* kPeakFolder = "peaks";
/** Suffix of a summary file; its stem is the data file's name without ".dat". */
inline constexpr const char* kPeakSuffix = ".pks";
inline constexpr uint32_t kPeakFineFrames = 64;
inline constexpr uint32_t kPeakCoarseFrames = 4096; // 64 fine blocks
inline constexpr uint32_t kPeakFormatVersion = 1;

/** The offset value of a sample: sample + 0x7FFF in 16 bits. The display maps
 *  it to y monotonically, so the extremes of a block's offset values give the
 *  extremes of its y: -32767 is the smallest, and -32768 wraps to 65535,
 *  above 32767. */
inline uint16_t PeakOffsetValue(int16_t sample)
{
    return static_cast<uint16_t>(static_cast<uint16_t>(sample) + 0x7FFF);
}

struct PeakSummaryHeader {
    char magic[4];          // "VPKS"
    uint16_t version;       // kPeakFormatVersion
    uint16_t channels;      // 1 or 2
    uint32_t fineFrames;    // kPeakFineFrames
    uint32_t coarseFrames;  // kPeakCoarseFrames
    uint64_t frames;        // whole frames of the data file
    uint64_t dataBytes;     // size of the data file
    int64_t dataModifiedNs; // modification time of the data file, ns since the epoch
    uint64_t reserved;      // 0
};
static_assert(sizeof(PeakSummaryHeader) == 48);
static_assert(offsetof(PeakSummaryHeader, frames) == 16);
static_assert(offsetof(PeakSummaryHeader, dataModifiedNs) == 32);

/** One channel of one entry. */
struct PeakEntry {
    uint16_t maximum;
    uint16_t minimum;
};
static_assert(sizeof(PeakEntry) == 4);

inline uint64_t PeakBlocks(uint64_t frames, uint32_t blockFrames)
{
    return (frames + blockFrames - 1) / blockFrames;
}

/** Byte offset of the coarse entries and of the fine entries in a summary file. */
inline uint64_t PeakCoarseOffset()
{
    return sizeof(PeakSummaryHeader);
}
inline uint64_t PeakFineOffset(uint64_t frames, uint32_t channels)
{
    return PeakCoarseOffset() +
           PeakBlocks(frames, kPeakCoarseFrames) * channels * sizeof(PeakEntry);
}
inline uint64_t PeakSummaryBytes(uint64_t frames, uint32_t channels)
{
    return PeakFineOffset(frames, channels) +
           PeakBlocks(frames, kPeakFineFrames) * channels * sizeof(PeakEntry);
}

/** Whether a header describes a summary of a data file of this size and time. */
inline bool PeakHeaderMatches(const PeakSummaryHeader& h, uint32_t channels, uint64_t dataBytes,
                              int64_t dataModifiedNs)
{
    return std::memcmp(h.magic, "VPKS", 4) == 0 && h.version == kPeakFormatVersion &&
           h.channels == channels && h.fineFrames == kPeakFineFrames &&
           h.coarseFrames == kPeakCoarseFrames && channels > 0 &&
           h.frames == dataBytes / (2 * channels) && h.dataBytes == dataBytes &&
           h.dataModifiedNs == dataModifiedNs;
}

/** Where the summary of a data file lives: "<folder>/peaks/<stem>.pks". */
inline std::string PeakSummaryPath(const std::string& dataPath)
{
    const size_t slash = dataPath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : dataPath.substr(0, slash);
    std::string name = slash == std::string::npos ? dataPath : dataPath.substr(slash + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dat") == 0)
        name.resize(name.size() - 4);
    return folder + "/" + kPeakFolder + "/" + name + kPeakSuffix;
}

} // namespace vorlain
