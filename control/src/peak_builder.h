// Computes a track's display list at a zoom from its data files, reusing the
// per-file summaries of files it has seen before.
#pragma once

#include "column_grid.h"
#include "display_list.h"
#include "summary_store.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class CTimeline;

namespace brimsel {

/** Everything a build needs, copied out of the track so that the builder
 *  never touches kernel objects from its thread. */
struct PeakRequest {
    std::vector<std::string> files; // audio data files in timeline order
    int channels = 0;               // 1 or 2; anything else draws nothing
    uint32_t sampleRate = 0;
    uint64_t zoomFactor = 0;    // samples at 44100 Hz per column
    bool summariesOnly = false; // only make sure every file has a summary
};

struct PeakResult {
    CDisplayList display;
    uint64_t frames = 0;    // frames walked before the walk ended
    size_t filesWalked = 0; // files that could be opened
    size_t filesFromSummary = 0;
    bool cancelled = false;
    bool summariesOnly = false; // the display was not built
};

/**
 * The walk: files in order, each read from its beginning as 16-bit frames
 * (a file's frames are its size divided by the frame size); the first file
 * that cannot be opened ends the walk. The frame counter runs across files,
 * column c takes the frames of CColumnGrid column c, and a column cut short by
 * the end of the walk is dropped.
 *
 * With a store, a file that has a summary is not read again: its blocks are
 * merged whole, and only a block that a column boundary splits is read from
 * disk (one small read). A file without a summary is read straight through in
 * chunks of 128000 bytes and leaves its summary in the store. Both ways give
 * the very same display list.
 */
class CPeakBuilder {
public:
    static constexpr size_t kChunkBytes = 128000;
    /** Below this many frames per column nearly every block is split by a
     *  boundary, so files are read straight through instead. */
    static constexpr uint64_t kMinSummaryColumn = 8 * CFileSummary::kBlockFrames;

    /** store may be null: every file is then read straight through. */
    explicit CPeakBuilder(CSummaryStore* store) : m_store(store) {}

    PeakResult Build(const PeakRequest& request, const std::atomic<bool>* cancel = nullptr) const;

    /** Frames the walk will find, from the file sizes alone (no reading):
     *  the sum over the files up to the first missing one. */
    static uint64_t CountFrames(const std::vector<std::string>& files, int channels);

    /** The audio data files of a timeline in order: segments by index 0, 1,
     *  ... up to the first missing index, header segments (state bit 0) left
     *  out. Copies, so that no build depends on the timeline staying alive. */
    static std::vector<std::string> AudioFiles(const CTimeline* timeline);

private:
    CSummaryStore* m_store;
};

} // namespace brimsel
