// Computes the display list of the visible part of a track at a zoom, from
// the per-file peak summaries at two resolutions, reading audio only where a
// column edge splits a summary block.
#pragma once

#include "column_grid.h"
#include "display_list.h"
#include "summary_store.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
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
    uint64_t zoomFactor = 0; // samples at 44100 Hz per column
    /** The columns to build: [firstColumn, firstColumn + columnCount), cut
     *  at the track's last complete column. The default builds them all. */
    uint64_t firstColumn = 0;
    uint64_t columnCount = std::numeric_limits<uint64_t>::max();
    /** What the files were when the request was made (a row keeps them
     *  from one build to the next, so a request does not copy them); null:
     *  the builder looks the files up itself. */
    std::shared_ptr<const FileList> stats;
};

struct PeakResult {
    CDisplayList display;      // display.first = the request's first column
    uint64_t frames = 0;       // frames in the files (up to the first missing one)
    uint64_t totalColumns = 0; // complete columns of the whole track
    size_t filesWalked = 0;    // files the built columns cover
    size_t filesFromSummary = 0;
    bool cancelled = false;
};

/**
 * The walk: files in order, each holding its size divided by the frame size
 * of 16-bit frames; the first file that cannot be found ends the track. The
 * frame counter runs across files, column c takes the frames of CColumnGrid
 * column c, and a column cut short by the end of the track is dropped.
 *
 * Only the files under the requested columns are touched. With a store, a
 * file's columns come from its summary: whole coarse blocks, then whole fine
 * blocks, and audio is read only inside the fine block that a column edge
 * splits. The summary is the one in the store, else the one the kernel wrote
 * beside the data file, else it is computed from the audio and kept in the
 * store. Without a store every frame is read. Both ways give the very same
 * display list.
 */
class CPeakBuilder {
public:
    static constexpr size_t kChunkBytes = 128000;
    /** Below this many frames per column nearly every fine block is split by
     *  an edge, so the requested frames are read straight. */
    static constexpr uint64_t kMinSummaryColumn = 8 * CFileSummary::kFineFrames;

    /** store may be null: every file is then read straight through. */
    explicit CPeakBuilder(CSummaryStore* store) : m_store(store) {}

    PeakResult Build(const PeakRequest& request, const std::atomic<bool>* cancel = nullptr) const;

    /** The identity of each file, in order, up to the first that is not a
     *  regular file (the track ends there). */
    static FileList StatFiles(const std::vector<std::string>& files, int channels);
    /** Frames the walk will find, from the file sizes alone (no reading). */
    static uint64_t CountFrames(const std::vector<std::string>& files, int channels);
    static uint64_t CountFrames(const FileList& files, int channels);

    /** The audio data files of a timeline in order: segments by index 0, 1,
     *  ... up to the first missing index, header segments (state bit 0) left
     *  out. Copies, so that no build depends on the timeline staying alive. */
    static std::vector<std::string> AudioFiles(const CTimeline* timeline);

    /** What a build reads, for tests that count it: a data file's audio, or
     *  a summary file. Called on the builder's thread. */
    enum class ReadKind { Audio, Summary };
    using ReadObserver = std::function<void(ReadKind kind, const std::string& path, uint64_t offset,
                                            uint64_t bytes)>;
    static void SetReadObserver(ReadObserver observer);

private:
    CSummaryStore* m_store;
};

} // namespace brimsel
