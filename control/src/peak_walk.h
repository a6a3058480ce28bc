// One build's walk over the data files under the requested columns: their
// peak summaries (from the store, the kernel's summary file, or computed)
// and, where a column edge splits a block, their audio.
#pragma once

#include "column_grid.h"
#include "file_cache.h"
#include "peak_builder.h"
#include "summary_store.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace brimsel {

/** Whether the build was asked to stop. */
inline bool Cancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

/** Hands a read to the builder's read observer (CPeakBuilder::SetReadObserver). */
void ObserveRead(CPeakBuilder::ReadKind kind, const std::string& path, uint64_t offset,
                 uint64_t bytes);

/** One build: the files under the requested columns, their summaries and
 *  their audio. starts[k] is the track frame file k begins at (one entry
 *  more than there are files). The columns go to result.display; result
 *  also counts the files walked and those read from summaries, and says
 *  whether the build was cancelled. */
class CPeakWalk {
public:
    CPeakWalk(CSummaryStore* store, const FileList& files, const std::vector<uint64_t>& starts,
              int channels, const std::atomic<bool>* cancel, PeakResult& result);

    /** Every frame of the columns, read: the definition, and the way for
     *  columns so narrow that summary blocks would not help. */
    bool Straight(const CColumnGrid& grid, uint64_t first, uint64_t last);

    /**
     * The columns from the summaries. A column takes the coarse blocks that
     * lie wholly inside it; a coarse block that one of its edges splits is
     * left out when its extremes lie within what the column has already (no
     * part of it can widen the column), else its fine blocks are taken the
     * same way, and only a fine block that an edge splits and that could
     * widen the column is read from the audio. On a wide column nearly every
     * split block lies within: the whole track shows from its summaries.
     */
    bool FromSummaries(const CColumnGrid& grid, uint64_t first, uint64_t last);

    /** The track ended in the last walk (a file went): the complete columns up to there. */
    bool Ended() const { return m_ended; }
    uint64_t EndFrame() const { return m_endFrame; }

private:
    enum class Outcome { Done, Ended, Cancelled };

    /** The walk's result at an outcome other than Done: false when cancelled. */
    bool Stop(Outcome outcome);
    size_t FileAt(uint64_t frame) const;
    void Touch(size_t file, std::vector<size_t>& touched);

    /** Frames [a, b) of file k, each handed to take as its y (twice: as the
     *  largest and the smallest). A file that cannot be read to b ends the
     *  track there. */
    template <typename Take> Outcome Read(size_t k, uint64_t a, uint64_t b, Take take);
    Outcome End(size_t k, uint64_t frame);

    /** The summary of file k for this build (looked up once), or null. */
    const CFileSummary* Summary(size_t k);

    /** The y extremes of one fine block of file k. */
    bool FineY(size_t k, uint64_t fine, uint8_t* maxY, uint8_t* minY);

    /** The fine entries of one coarse block from the summary file, as y. */
    bool LoadFine(const CFileSummary& s, uint64_t coarse);

    /** The summary of a file: from the store, the kernel's summary file, or
     *  computed from the audio; null when the file cannot be read. */
    std::shared_ptr<const CFileSummary> Acquire(const FileIdentity& file);
    /** folder: the reading thread's handle on the summaries' folder, if any. */
    std::shared_ptr<CFileSummary> FromSummaryFile(const FileIdentity& file,
                                                  CFolderHandle* folder = nullptr);
    /** Reads the summary files of files [begin, end) the store lacks, half
     *  of them on a second thread, when there are many (a long track's first
     *  draw opens thousands): what is found goes into the store. */
    void Prefetch(size_t begin, size_t end);

    /** Reads the whole file once and keeps both levels. */
    std::shared_ptr<CFileSummary> Compute(const FileIdentity& file);

    CSummaryStore* m_store;
    const FileList& m_files;
    const std::vector<uint64_t>& m_starts;
    int m_channels;
    size_t m_frameBytes;
    const std::atomic<bool>* m_cancel;
    PeakResult& m_result;
    std::vector<std::shared_ptr<const CFileSummary>> m_summaries;  // by file, once looked up
    std::vector<std::shared_ptr<const CFileSummary>> m_prefetched; // by file, read by Prefetch
    std::unordered_set<size_t> m_missing;                          // files without one
    CFileCache m_open;
    std::vector<uint8_t> m_buffer;
    std::vector<uint8_t> m_fine; // y of the fine entries of one coarse block
    size_t m_fineFile = SIZE_MAX;
    uint64_t m_fineOf = UINT64_MAX;
    bool m_ended = false;
    uint64_t m_endFrame = 0;
};

} // namespace brimsel
