#include "peak_builder.h"

#include "sample_mapping.h"
#include "vorlain/timeline.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace brimsel {
namespace {

/** Collects frames into columns and emits each column when its last frame is in. */
class ColumnAccumulator {
public:
    ColumnAccumulator(const CColumnGrid& grid, int channels, CDisplayList* out)
        : m_grid(grid), m_channels(channels), m_out(out), m_next(grid.Boundary(1))
    {
    }

    uint64_t FramesToBoundary() const { return m_next - m_frame; }
    uint64_t Frames() const { return m_frame; }

    void AddFrame(const uint8_t* y)
    {
        Merge(y, y);
        if (++m_frame == m_next)
            Emit();
    }

    /** A run of frames that no column boundary splits (count <= FramesToBoundary()). */
    void AddBlock(const uint8_t* maxY, const uint8_t* minY, uint32_t count)
    {
        if (count == 0)
            return;
        Merge(maxY, minY);
        m_frame += count;
        if (m_frame == m_next)
            Emit();
    }

private:
    void Merge(const uint8_t* maxY, const uint8_t* minY)
    {
        if (!m_have) {
            for (int ch = 0; ch < m_channels; ++ch) {
                m_max[ch] = maxY[ch];
                m_min[ch] = minY[ch];
            }
            m_have = true;
            return;
        }
        for (int ch = 0; ch < m_channels; ++ch) {
            m_max[ch] = std::max(m_max[ch], maxY[ch]);
            m_min[ch] = std::min(m_min[ch], minY[ch]);
        }
    }

    void Emit()
    {
        for (int ch = 0; ch < m_channels; ++ch)
            m_out->channel[ch].push_back(ColumnPeak{m_max[ch], m_min[ch]});
        ++m_column;
        m_next = m_grid.Boundary(m_column + 1);
        m_have = false;
    }

    CColumnGrid m_grid;
    int m_channels;
    CDisplayList* m_out;
    uint64_t m_frame = 0;
    uint64_t m_column = 0;
    uint64_t m_next;
    bool m_have = false;
    uint8_t m_max[2] = {0, 0};
    uint8_t m_min[2] = {0, 0};
};

/** Builds one file's summary block by block while the file is read. */
class SummaryWriter {
public:
    explicit SummaryWriter(CFileSummary* summary) : m_summary(summary) {}

    void AddFrame(const uint8_t* y, int channels)
    {
        if (!m_summary)
            return;
        for (int ch = 0; ch < channels; ++ch) {
            if (m_count == 0) {
                m_max[ch] = m_min[ch] = y[ch];
            } else {
                m_max[ch] = std::max(m_max[ch], y[ch]);
                m_min[ch] = std::min(m_min[ch], y[ch]);
            }
        }
        ++m_frames;
        if (++m_count == CFileSummary::kBlockFrames)
            Flush(channels);
    }

    /** Writes a short last block; true when the file had the frames its size promised. */
    bool Finish(int channels)
    {
        if (!m_summary)
            return false;
        if (m_count > 0)
            Flush(channels);
        return m_frames == m_summary->Frames();
    }

private:
    void Flush(int channels)
    {
        if (m_block < m_summary->Blocks())
            for (int ch = 0; ch < channels; ++ch)
                m_summary->Set(m_block, ch, m_max[ch], m_min[ch]);
        ++m_block;
        m_count = 0;
    }

    CFileSummary* m_summary;
    uint64_t m_block = 0;
    uint64_t m_frames = 0;
    uint32_t m_count = 0;
    uint8_t m_max[2] = {0, 0};
    uint8_t m_min[2] = {0, 0};
};

/** Closes a descriptor on every way out. */
class FileHandle {
public:
    explicit FileHandle(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
    }
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

/** Reads until size bytes are in or the file ends; -1 on an error. */
ssize_t ReadFull(int fd, uint8_t* buffer, size_t size)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, buffer + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

ssize_t PreadFull(int fd, uint8_t* buffer, size_t size, off_t offset)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, buffer + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

inline uint16_t SampleBits(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

/** y of every channel of one frame. */
inline void FrameY(const uint8_t* frame, int channels, uint8_t* y)
{
    if (channels == 2) {
        y[0] = LeftBandTable()[SampleBits(frame)];
        y[1] = RightBandTable()[SampleBits(frame + 2)];
    } else {
        y[0] = MonoTable()[SampleBits(frame)];
    }
}

bool Cancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

/** The straight read of one file, feeding the columns and, when asked, a new summary.
 *  False when cancelled. */
bool ReadStraight(int fd, int channels, std::vector<uint8_t>& buffer, ColumnAccumulator* columns,
                  SummaryWriter& summary, const std::atomic<bool>* cancel)
{
    const size_t frameBytes = 2 * static_cast<size_t>(channels);
    const uint8_t* left = LeftBandTable();
    const uint8_t* right = RightBandTable();
    const uint8_t* mono = MonoTable();
    for (;;) {
        ssize_t got = ReadFull(fd, buffer.data(), CPeakBuilder::kChunkBytes);
        if (got <= 0)
            break;
        size_t frames = static_cast<size_t>(got) / frameBytes;
        const uint8_t* p = buffer.data();
        uint8_t y[2];
        for (size_t i = 0; i < frames; ++i, p += frameBytes) {
            if (channels == 2) {
                y[0] = left[SampleBits(p)];
                y[1] = right[SampleBits(p + 2)];
            } else {
                y[0] = mono[SampleBits(p)];
            }
            if (columns)
                columns->AddFrame(y);
            summary.AddFrame(y, channels);
        }
        if (static_cast<size_t>(got) < CPeakBuilder::kChunkBytes)
            break;
        if (Cancelled(cancel))
            return false;
    }
    return true;
}

/** The columns of one summarised file: whole blocks from the summary, split
 *  blocks read from disk. False when cancelled. */
bool ReadFromSummary(int fd, const CFileSummary& summary, ColumnAccumulator& columns,
                     const std::atomic<bool>* cancel)
{
    const int channels = summary.Channels();
    const size_t frameBytes = 2 * static_cast<size_t>(channels);
    uint8_t raw[CFileSummary::kBlockFrames * 4];
    uint8_t maxY[2], minY[2];
    const uint64_t blocks = summary.Blocks();
    for (uint64_t b = 0; b < blocks; ++b) {
        uint32_t count = summary.BlockFrames(b);
        if (columns.FramesToBoundary() >= count) {
            for (int ch = 0; ch < channels; ++ch) {
                maxY[ch] = summary.MaxY(b, ch);
                minY[ch] = summary.MinY(b, ch);
            }
            columns.AddBlock(maxY, minY, count);
        } else {
            size_t want = count * frameBytes;
            off_t offset = static_cast<off_t>(b * CFileSummary::kBlockFrames * frameBytes);
            ssize_t got = PreadFull(fd, raw, want, offset);
            size_t frames = got > 0 ? static_cast<size_t>(got) / frameBytes : 0;
            uint8_t y[2];
            for (size_t i = 0; i < frames; ++i) {
                FrameY(raw + i * frameBytes, channels, y);
                columns.AddFrame(y);
            }
            if (frames < count)
                return true; // the file ended early: the walk goes on with the next file
        }
        if ((b & 4095) == 4095 && Cancelled(cancel))
            return false;
    }
    return true;
}

bool Identify(int fd, const std::string& path, int channels, FileIdentity& id)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    id.path = path;
    id.device = static_cast<uint64_t>(st.st_dev);
    id.inode = static_cast<uint64_t>(st.st_ino);
    id.size = static_cast<uint64_t>(st.st_size);
    id.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.channels = channels;
    return true;
}

} // namespace

PeakResult CPeakBuilder::Build(const PeakRequest& request, const std::atomic<bool>* cancel) const
{
    PeakResult result;
    result.summariesOnly = request.summariesOnly;
    const int channels = request.channels;
    if (channels != 1 && channels != 2)
        return result;
    CColumnGrid grid(request.zoomFactor, request.sampleRate);
    if (!request.summariesOnly && !grid.IsValid())
        return result;

    const size_t frameBytes = 2 * static_cast<size_t>(channels);
    const bool useSummaries = m_store && grid.FramesPerColumn() >= kMinSummaryColumn;
    std::vector<uint8_t> buffer(kChunkBytes);
    ColumnAccumulator columns(grid, channels, &result.display);
    ColumnAccumulator* sink = request.summariesOnly ? nullptr : &columns;

    for (const std::string& path : request.files) {
        if (Cancelled(cancel)) {
            result.cancelled = true;
            break;
        }
        FileHandle file(path);
        if (file.fd() < 0)
            break; // a file that cannot be opened ends the walk
        ++result.filesWalked;

        FileIdentity id;
        bool identified = m_store && Identify(file.fd(), path, channels, id);
        std::shared_ptr<const CFileSummary> known = identified ? m_store->Find(id) : nullptr;

        if (request.summariesOnly && known)
            continue;
        if (known && useSummaries) {
            ++result.filesFromSummary;
            if (!ReadFromSummary(file.fd(), *known, columns, cancel)) {
                result.cancelled = true;
                break;
            }
            continue;
        }

        std::shared_ptr<CFileSummary> fresh;
        if (identified && !known)
            fresh = std::make_shared<CFileSummary>(channels, id.size / frameBytes);
        SummaryWriter writer(fresh.get());
        if (!ReadStraight(file.fd(), channels, buffer, sink, writer, cancel)) {
            result.cancelled = true;
            break;
        }
        if (writer.Finish(channels))
            m_store->Insert(id, std::move(fresh));
    }
    result.frames = columns.Frames();
    return result;
}

uint64_t CPeakBuilder::CountFrames(const std::vector<std::string>& files, int channels)
{
    if (channels <= 0)
        return 0;
    const uint64_t frameBytes = 2 * static_cast<uint64_t>(channels);
    uint64_t frames = 0;
    for (const std::string& path : files) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            break;
        frames += static_cast<uint64_t>(st.st_size) / frameBytes;
    }
    return frames;
}

std::vector<std::string> CPeakBuilder::AudioFiles(const CTimeline* timeline)
{
    std::vector<std::string> files;
    if (!timeline)
        return files;
    for (uint32_t i = 0;; ++i) {
        const TrackSegment* segment = timeline->Lookup(i);
        if (!segment)
            break;
        if (segment->state & vorlain::kHeaderSegment)
            continue;
        files.emplace_back(segment->path, strnlen(segment->path, sizeof segment->path));
    }
    return files;
}

} // namespace brimsel
