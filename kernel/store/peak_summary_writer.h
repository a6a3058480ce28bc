// Writes the peak summary of a data file (see vorlain/peak_summary.h), either
// from the bytes as they are written or by reading a finished file back.
// A summary is an aid to drawing, never needed for the audio: failing to
// write one fails nothing.
#pragma once

#include "vorlain/peak_summary.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kernel {

class CPeakSummaryWriter {
public:
    /** channels 1 or 2; any other count makes a writer that writes nothing. */
    explicit CPeakSummaryWriter(uint32_t channels);

    /** The next bytes of the data file, split anywhere (a frame may straddle
     *  two calls). */
    void Feed(const uint8_t* bytes, size_t count);
    /** count bytes of zeros, without touching memory per sample. */
    void FeedSilence(uint64_t count);

    /** Writes the summary of dataPath, which must hold exactly the bytes fed
     *  and be closed; then starts over for the next file. false when nothing
     *  was written (the sizes disagree, or the summary cannot be created). */
    bool Finish(const std::string& dataPath);
    /** Forgets what was fed. */
    void Reset();

    /** Frames fed since the last Finish or Reset. */
    uint64_t Frames() const { return m_frames; }

private:
    void addFrame(const int16_t* frame);
    void closeFine();
    void closeCoarse();

    uint32_t m_channels;
    uint64_t m_frames = 0;
    uint8_t m_partial[4] = {};
    size_t m_partialBytes = 0;
    // The open fine and coarse blocks, in the signed order of offset values
    // (value - 0x8000): the order survives and the compare is a plain one.
    int16_t m_fineMax[2], m_fineMin[2];
    int16_t m_coarseMax[2], m_coarseMin[2];
    uint32_t m_fineCount = 0;
    uint32_t m_coarseCount = 0;
    std::vector<vorlain::PeakEntry> m_fine;   // channels per block
    std::vector<vorlain::PeakEntry> m_coarse; // channels per block
};

/** Reads a finished data file and writes its summary. */
bool WritePeakSummary(const std::string& dataPath, uint32_t channels);

/** Removes the summary of a data file; missing is fine. */
void RemovePeakSummary(const std::string& dataPath);

/** Removes the summaries in a track folder whose data files are gone, and the
 *  summary folder itself when it is left empty. */
void PrunePeakSummaries(const std::string& trackFolder);

} // namespace kernel
