#include "peak_builder.h"

#include "peak_walk.h"
#include "vorlain/timeline.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace brimsel {

namespace {

std::mutex s_observerLock;
CPeakBuilder::ReadObserver s_observer;

} // namespace

void ObserveRead(CPeakBuilder::ReadKind kind, const std::string& path, uint64_t offset,
                 uint64_t bytes)
{
    std::lock_guard guard(s_observerLock);
    if (s_observer)
        s_observer(kind, path, offset, bytes);
}

void CPeakBuilder::SetReadObserver(ReadObserver observer)
{
    std::lock_guard guard(s_observerLock);
    s_observer = std::move(observer);
}

PeakResult CPeakBuilder::Build(const PeakRequest& request, const std::atomic<bool>* cancel) const
{
    PeakResult result;
    const int channels = request.channels;
    if (channels != 1 && channels != 2)
        return result;
    CColumnGrid grid(request.zoomFactor, request.sampleRate);
    FileList looked;
    if (!request.stats)
        looked = StatFiles(request.files, channels);
    const FileList& files = request.stats ? *request.stats : looked;
    const uint64_t frameBytes = 2 * static_cast<uint64_t>(channels);
    // starts[k]: the track frame file k begins at.
    std::vector<uint64_t> starts(files.size() + 1, 0);
    for (size_t k = 0; k < files.size(); ++k)
        starts[k + 1] = starts[k] + files[k]->size / frameBytes;
    result.frames = starts.back();
    if (!grid.IsValid())
        return result;
    result.totalColumns = grid.CompleteColumns(result.frames);

    const uint64_t first = std::min(request.firstColumn, result.totalColumns);
    const uint64_t last = result.totalColumns - first < request.columnCount
                              ? result.totalColumns
                              : first + request.columnCount;
    result.display.first = first;
    if (first >= last)
        return result;
    if (Cancelled(cancel)) {
        result.cancelled = true;
        return result;
    }
    CPeakWalk walk(m_store, files, starts, channels, cancel, result);
    if (m_store && grid.FramesPerColumn() >= kMinSummaryColumn)
        walk.FromSummaries(grid, first, last);
    else
        walk.Straight(grid, first, last);
    if (walk.Ended()) {
        // A file went or shrank: the track ends there, and so do its columns.
        result.frames = walk.EndFrame();
        result.totalColumns = grid.CompleteColumns(result.frames);
        const uint64_t keep = result.totalColumns > first ? result.totalColumns - first : 0;
        for (auto& channel : result.display.channel)
            if (channel.size() > keep)
                channel.resize(static_cast<size_t>(keep));
    }
    return result;
}

FileList CPeakBuilder::StatFiles(const std::vector<std::string>& files, int channels)
{
    FileList out;
    out.reserve(files.size());
    for (const std::string& path : files) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            break;
        auto id = std::make_shared<FileIdentity>();
        id->path = path;
        id->device = static_cast<uint64_t>(st.st_dev);
        id->inode = static_cast<uint64_t>(st.st_ino);
        id->size = static_cast<uint64_t>(st.st_size);
        id->modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        id->channels = channels;
        out.push_back(std::move(id));
    }
    return out;
}

uint64_t CPeakBuilder::CountFrames(const FileList& files, int channels)
{
    if (channels <= 0)
        return 0;
    uint64_t frames = 0;
    for (const auto& file : files)
        frames += file->size / (2 * static_cast<uint64_t>(channels));
    return frames;
}

uint64_t CPeakBuilder::CountFrames(const std::vector<std::string>& files, int channels)
{
    return CountFrames(StatFiles(files, channels), channels);
}

std::vector<std::string> CPeakBuilder::AudioFiles(const CTimeline* timeline)
{
    std::vector<std::string> files;
    if (!timeline)
        return files;
    files.reserve(timeline->GetCount());
    for (const TrackSegment& segment : *timeline) {
        if (segment.state & vorlain::kHeaderSegment)
            continue;
        files.emplace_back(segment.path, strnlen(segment.path, sizeof segment.path));
    }
    return files;
}

} // namespace brimsel
