#include "peak_walk.h"

#include "column_accumulator.h"
#include "sample_mapping.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>

namespace brimsel {

namespace {

/** y of every channel of one frame. */
inline void FrameY(const uint8_t* frame, int channels, uint8_t* y)
{
    const auto bits = [](const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); };
    if (channels == 2) {
        y[0] = LeftBandTable()[bits(frame)];
        y[1] = RightBandTable()[bits(frame + 2)];
    } else {
        y[0] = MonoTable()[bits(frame)];
    }
}

/** y of an offset value (sample + 0x7FFF) in the band of channel ch. */
inline uint8_t OffsetY(uint16_t offset, int channels, int ch)
{
    const auto bits = static_cast<uint16_t>(offset + 0x8001u); // back to the sample's bits
    if (channels == 2)
        return ch == 0 ? LeftBandTable()[bits] : RightBandTable()[bits];
    return MonoTable()[bits];
}

/** The extremes of one column as its parts come in. */
struct ColumnRange {
    bool have = false;
    uint8_t max[2] = {0, 0};
    uint8_t min[2] = {0, 0};

    void Merge(const uint8_t* maxY, const uint8_t* minY, int channels)
    {
        for (int ch = 0; ch < channels; ++ch) {
            max[ch] = have ? std::max(max[ch], maxY[ch]) : maxY[ch];
            min[ch] = have ? std::min(min[ch], minY[ch]) : minY[ch];
        }
        have = true;
    }
    /** Whether a block with these extremes cannot widen the column: then any
     *  part of it can be left out. */
    bool Contains(const uint8_t* maxY, const uint8_t* minY, int channels) const
    {
        if (!have)
            return false;
        for (int ch = 0; ch < channels; ++ch)
            if (maxY[ch] > max[ch] || minY[ch] < min[ch])
                return false;
        return true;
    }
};

} // namespace

CPeakWalk::CPeakWalk(CSummaryStore* store, const FileList& files,
                     const std::vector<uint64_t>& starts, int channels,
                     const std::atomic<bool>* cancel, PeakResult& result)
    : m_store(store), m_files(files), m_starts(starts), m_channels(channels),
      m_frameBytes(2 * size_t(channels)), m_cancel(cancel), m_result(result),
      m_summaries(files.size())
{
}

bool CPeakWalk::Straight(const CColumnGrid& grid, uint64_t first, uint64_t last)
{
    CColumnAccumulator columns(grid, m_channels, &m_result.display, first);
    const uint64_t from = grid.Boundary(first), to = grid.Boundary(last);
    for (size_t k = FileAt(from); k < m_files.size() && m_starts[k] < to; ++k) {
        const uint64_t a = std::max(from, m_starts[k]) - m_starts[k];
        const uint64_t b = std::min(to, m_starts[k + 1]) - m_starts[k];
        if (a >= b)
            continue;
        ++m_result.filesWalked;
        const Outcome outcome =
            Read(k, a, b, [&](const uint8_t* maxY, const uint8_t*) { columns.AddFrame(maxY); });
        if (outcome != Outcome::Done)
            return outcome == Outcome::Ended;
    }
    return true;
}

bool CPeakWalk::FromSummaries(const CColumnGrid& grid, uint64_t first, uint64_t last)
{
    constexpr uint32_t kCoarse = CFileSummary::kCoarseFrames;
    constexpr uint32_t kFine = CFileSummary::kFineFrames;
    struct Part {
        size_t file;
        uint64_t block; // coarse or fine, by the list it is in
        uint64_t a, b;  // the frames of the file inside the column
    };
    std::vector<Part> coarseParts, fineParts;
    std::vector<size_t> touched;
    uint8_t maxY[2], minY[2];
    size_t k = FileAt(grid.Boundary(first));
    if (m_store && last > first)
        Prefetch(k, std::min(FileAt(grid.Boundary(last) - 1) + 1, m_files.size()));
    for (uint64_t c = first; c < last; ++c) {
        if ((c & 63) == 0 && Cancelled(m_cancel))
            return Stop(Outcome::Cancelled);
        const uint64_t from = grid.Boundary(c), to = grid.Boundary(c + 1);
        while (k < m_files.size() && m_starts[k + 1] <= from)
            ++k;
        ColumnRange range;
        const auto merge = [&](const uint8_t* mx, const uint8_t* mn) {
            range.Merge(mx, mn, m_channels);
        };
        coarseParts.clear();
        fineParts.clear();
        // The whole coarse blocks, and the split ones for later.
        for (size_t f = k; f < m_files.size() && m_starts[f] < to; ++f) {
            const uint64_t a = std::max(from, m_starts[f]) - m_starts[f];
            const uint64_t b = std::min(to, m_starts[f + 1]) - m_starts[f];
            if (a >= b)
                continue;
            Touch(f, touched);
            const CFileSummary* s = Summary(f);
            if (!s) {
                const Outcome outcome = Read(f, a, b, merge);
                if (outcome != Outcome::Done)
                    return Stop(outcome);
                continue;
            }
            // The whole blocks in one pass; the blocks that an edge splits
            // (at most one at either side) for later. The file's last
            // block may be short and still lie wholly inside.
            const uint64_t left = a / kCoarse;
            const bool leftSplit = a % kCoarse != 0;
            const uint64_t whole = leftSplit ? left + 1 : left;
            const uint64_t wholeEnd = b == s->Frames() ? s->CoarseBlocks() : b / kCoarse;
            if (leftSplit)
                coarseParts.push_back({f, left, a, std::min(b, (left + 1) * kCoarse)});
            if (whole < wholeEnd) {
                s->CoarseRange(whole, wholeEnd, maxY, minY);
                range.Merge(maxY, minY, m_channels);
            }
            const uint64_t right = (b - 1) / kCoarse;
            if (right >= wholeEnd && !(leftSplit && right == left))
                coarseParts.push_back({f, right, std::max(a, right * kCoarse), b});
        }
        // Split coarse blocks: their whole fine blocks, unless they lie within.
        for (const Part& part : coarseParts) {
            const CFileSummary& s = *Summary(part.file);
            for (int ch = 0; ch < m_channels; ++ch) {
                maxY[ch] = s.CoarseMax(part.block, ch);
                minY[ch] = s.CoarseMin(part.block, ch);
            }
            if (range.Contains(maxY, minY, m_channels))
                continue;
            for (uint64_t fine = part.a / kFine; fine * kFine < part.b; ++fine) {
                const uint64_t start = fine * kFine, end = start + s.BlockFrames(fine, kFine);
                if (start >= part.a && end <= part.b) {
                    if (FineY(part.file, fine, maxY, minY)) {
                        range.Merge(maxY, minY, m_channels);
                        continue;
                    }
                    // The summary file went: the audio tells the same.
                    const Outcome outcome = Read(part.file, start, end, merge);
                    if (outcome != Outcome::Done)
                        return Stop(outcome);
                } else {
                    fineParts.push_back(
                        {part.file, fine, std::max(part.a, start), std::min(part.b, end)});
                }
            }
        }
        // Split fine blocks: their frames, unless they lie within.
        for (const Part& part : fineParts) {
            if (FineY(part.file, part.block, maxY, minY) && range.Contains(maxY, minY, m_channels))
                continue;
            const Outcome outcome = Read(part.file, part.a, part.b, merge);
            if (outcome != Outcome::Done)
                return Stop(outcome);
        }
        for (int ch = 0; ch < m_channels; ++ch)
            m_result.display.channel[ch].push_back(ColumnPeak{range.max[ch], range.min[ch]});
    }
    return true;
}

bool CPeakWalk::Stop(Outcome outcome)
{
    if (outcome == Outcome::Cancelled)
        m_result.cancelled = true;
    return outcome != Outcome::Cancelled;
}

size_t CPeakWalk::FileAt(uint64_t frame) const
{
    return static_cast<size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), frame) -
                               m_starts.begin()) -
           1;
}

void CPeakWalk::Touch(size_t file, std::vector<size_t>& touched)
{
    if (touched.empty() || touched.back() < file) {
        touched.push_back(file);
        ++m_result.filesWalked;
    }
}

template <typename Take>
CPeakWalk::Outcome CPeakWalk::Read(size_t k, uint64_t a, uint64_t b, Take take)
{
    const FileIdentity& file = *m_files[k];
    const int fd = m_open.Open(file.path);
    if (fd < 0)
        return End(k, a);
    if (m_buffer.empty())
        m_buffer.resize(CPeakBuilder::kChunkBytes);
    const size_t chunkFrames = m_buffer.size() / m_frameBytes;
    uint8_t y[2];
    while (a < b) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(b - a, chunkFrames));
        const off_t offset = static_cast<off_t>(a * m_frameBytes);
        ObserveRead(CPeakBuilder::ReadKind::Audio, file.path, offset, want * m_frameBytes);
        const ssize_t got = PreadFull(fd, m_buffer.data(), want * m_frameBytes, offset);
        const size_t frames = got > 0 ? static_cast<size_t>(got) / m_frameBytes : 0;
        for (size_t i = 0; i < frames; ++i) {
            FrameY(m_buffer.data() + i * m_frameBytes, m_channels, y);
            take(y, y);
        }
        if (frames < want)
            return End(k, a + frames); // the file is shorter than it was
        a += frames;
        if (Cancelled(m_cancel))
            return Outcome::Cancelled;
    }
    return Outcome::Done;
}

CPeakWalk::Outcome CPeakWalk::End(size_t k, uint64_t frame)
{
    m_ended = true;
    m_endFrame = m_starts[k] + frame;
    return Outcome::Ended;
}

const CFileSummary* CPeakWalk::Summary(size_t k)
{
    if (!m_summaries[k] && !m_missing.count(k)) {
        if (k < m_prefetched.size() && m_prefetched[k])
            m_summaries[k] = std::move(m_prefetched[k]); // in the store already
        else
            m_summaries[k] = Acquire(*m_files[k]);
        if (!m_summaries[k])
            m_missing.insert(k);
        else
            ++m_result.filesFromSummary;
    }
    return m_summaries[k].get();
}

bool CPeakWalk::FineY(size_t k, uint64_t fine, uint8_t* maxY, uint8_t* minY)
{
    const CFileSummary& s = *m_summaries[k];
    if (s.HasFine()) {
        for (int ch = 0; ch < m_channels; ++ch) {
            maxY[ch] = s.FineMax(fine, ch);
            minY[ch] = s.FineMin(fine, ch);
        }
        return true;
    }
    const uint64_t coarse = fine / CFileSummary::kFinePerCoarse;
    if (m_fineFile != k || m_fineOf != coarse) {
        if (!LoadFine(s, coarse))
            return false;
        m_fineFile = k;
        m_fineOf = coarse;
    }
    const size_t at = static_cast<size_t>(fine % CFileSummary::kFinePerCoarse) * 2 * m_channels;
    for (int ch = 0; ch < m_channels; ++ch) {
        maxY[ch] = m_fine[at + 2 * ch];
        minY[ch] = m_fine[at + 2 * ch + 1];
    }
    return true;
}

bool CPeakWalk::LoadFine(const CFileSummary& s, uint64_t coarse)
{
    const uint64_t firstFine = coarse * CFileSummary::kFinePerCoarse;
    const uint64_t count =
        std::min<uint64_t>(CFileSummary::kFinePerCoarse, s.FineBlocks() - firstFine);
    const size_t bytes = static_cast<size_t>(count) * m_channels * sizeof(vorlain::PeakEntry);
    std::vector<vorlain::PeakEntry> entries(static_cast<size_t>(count) * m_channels);
    const int fd = m_open.Open(s.FineFile());
    const off_t offset =
        static_cast<off_t>(s.FineOffset() + firstFine * m_channels * sizeof(vorlain::PeakEntry));
    ObserveRead(CPeakBuilder::ReadKind::Summary, s.FineFile(), offset, bytes);
    if (fd < 0 || PreadFull(fd, reinterpret_cast<uint8_t*>(entries.data()), bytes, offset) !=
                      static_cast<ssize_t>(bytes))
        return false;
    m_fine.resize(entries.size() * 2);
    for (size_t i = 0; i < entries.size(); ++i) {
        const int ch = static_cast<int>(i % m_channels);
        m_fine[2 * i] = OffsetY(entries[i].maximum, m_channels, ch);
        m_fine[2 * i + 1] = OffsetY(entries[i].minimum, m_channels, ch);
    }
    return true;
}

void CPeakWalk::Prefetch(size_t begin, size_t end)
{
    // Below this many files one thread opens them sooner than two start.
    constexpr size_t kParallelFiles = 256;
    if (end <= begin || end - begin < kParallelFiles)
        return;
    std::vector<size_t> wanted;
    for (size_t k = begin; k < end; ++k)
        if (!m_summaries[k] && !m_missing.count(k) && !m_store->Find(*m_files[k]))
            wanted.push_back(k);
    if (wanted.size() < kParallelFiles)
        return;
    // Only the summary files: a file without one is computed from its audio
    // later, by the walk, on this thread.
    std::vector<std::shared_ptr<CFileSummary>> loaded(wanted.size());
    auto load = [&](size_t from, size_t to) {
        CFolderHandle folder;
        for (size_t i = from; i < to && !Cancelled(m_cancel); ++i)
            loaded[i] = FromSummaryFile(*m_files[wanted[i]], &folder);
    };
    const size_t half = wanted.size() / 2;
    std::thread helper;
    try {
        helper = std::thread(load, half, wanted.size());
    } catch (const std::system_error&) {
        load(half, wanted.size()); // no second thread: this one does it all
    }
    load(0, half);
    if (helper.joinable())
        helper.join();
    // Kept for this walk as well, so that it need not look each one up in
    // the store again.
    m_prefetched.resize(m_files.size());
    std::vector<std::pair<const FileIdentity*, std::shared_ptr<const CFileSummary>>> found;
    found.reserve(wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i)
        if (loaded[i]) {
            m_prefetched[wanted[i]] = loaded[i];
            found.emplace_back(m_files[wanted[i]].get(), std::move(loaded[i]));
        }
    m_store->Insert(found);
}

std::shared_ptr<const CFileSummary> CPeakWalk::Acquire(const FileIdentity& file)
{
    if (auto known = m_store->Find(file))
        return known;
    std::shared_ptr<CFileSummary> made = FromSummaryFile(file);
    if (!made)
        made = Compute(file);
    if (made)
        m_store->Insert(file, made);
    return made;
}

std::shared_ptr<CFileSummary> CPeakWalk::FromSummaryFile(const FileIdentity& file,
                                                         CFolderHandle* folder)
{
    const std::string path = vorlain::PeakSummaryPath(file.path);
    const uint64_t frames = file.size / m_frameBytes;
    const uint64_t coarseBlocks = vorlain::PeakBlocks(frames, CFileSummary::kCoarseFrames);
    const size_t bytes = static_cast<size_t>(vorlain::PeakFineOffset(frames, m_channels));
    std::vector<uint8_t> head(bytes);
    const char* name = path.c_str();
    const int at = folder ? folder->At(path, &name) : AT_FDCWD;
    const int fd = ::openat(at, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    ObserveRead(CPeakBuilder::ReadKind::Summary, path, 0, bytes);
    struct stat st {};
    const bool read = PreadFull(fd, head.data(), bytes, 0) == static_cast<ssize_t>(bytes) &&
                      ::fstat(fd, &st) == 0;
    ::close(fd);
    vorlain::PeakSummaryHeader header;
    if (!read)
        return nullptr;
    std::memcpy(&header, head.data(), sizeof header);
    if (!vorlain::PeakHeaderMatches(header, static_cast<uint32_t>(m_channels), file.size,
                                    file.modifiedNs) ||
        static_cast<uint64_t>(st.st_size) != vorlain::PeakSummaryBytes(frames, m_channels))
        return nullptr;
    auto summary = std::make_shared<CFileSummary>(m_channels, frames, path, bytes);
    const auto* entries = head.data() + sizeof header;
    for (uint64_t block = 0; block < coarseBlocks; ++block)
        for (int ch = 0; ch < m_channels; ++ch) {
            vorlain::PeakEntry e;
            std::memcpy(&e, entries + (block * m_channels + ch) * sizeof e, sizeof e);
            summary->SetCoarse(block, ch, OffsetY(e.maximum, m_channels, ch),
                               OffsetY(e.minimum, m_channels, ch));
        }
    return summary;
}

std::shared_ptr<CFileSummary> CPeakWalk::Compute(const FileIdentity& file)
{
    const int fd = m_open.Open(file.path);
    if (fd < 0)
        return nullptr;
    const uint64_t frames = file.size / m_frameBytes;
    auto summary = std::make_shared<CFileSummary>(m_channels, frames);
    // Chunks of whole coarse blocks: no block straddles two reads.
    const size_t chunkFrames = CFileSummary::kCoarseFrames * 7;
    if (m_buffer.size() < chunkFrames * m_frameBytes)
        m_buffer.resize(std::max(chunkFrames * m_frameBytes, CPeakBuilder::kChunkBytes));
    uint8_t y[2], fineMax[2], fineMin[2], coarseMax[2], coarseMin[2];
    for (uint64_t at = 0; at < frames; at += chunkFrames) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(chunkFrames, frames - at));
        const off_t offset = static_cast<off_t>(at * m_frameBytes);
        ObserveRead(CPeakBuilder::ReadKind::Audio, file.path, offset, want * m_frameBytes);
        if (PreadFull(fd, m_buffer.data(), want * m_frameBytes, offset) !=
            static_cast<ssize_t>(want * m_frameBytes))
            return nullptr; // shorter than it was: no summary of a changing file
        for (size_t i = 0; i < want; ++i) {
            const uint64_t f = at + i;
            FrameY(m_buffer.data() + i * m_frameBytes, m_channels, y);
            const bool fineStart = f % CFileSummary::kFineFrames == 0;
            const bool coarseStart = f % CFileSummary::kCoarseFrames == 0;
            for (int ch = 0; ch < m_channels; ++ch) {
                fineMax[ch] = fineStart ? y[ch] : std::max(fineMax[ch], y[ch]);
                fineMin[ch] = fineStart ? y[ch] : std::min(fineMin[ch], y[ch]);
                coarseMax[ch] = coarseStart ? y[ch] : std::max(coarseMax[ch], y[ch]);
                coarseMin[ch] = coarseStart ? y[ch] : std::min(coarseMin[ch], y[ch]);
            }
            const bool last = f + 1 == frames;
            if ((f + 1) % CFileSummary::kFineFrames == 0 || last)
                for (int ch = 0; ch < m_channels; ++ch)
                    summary->SetFine(f / CFileSummary::kFineFrames, ch, fineMax[ch], fineMin[ch]);
            if ((f + 1) % CFileSummary::kCoarseFrames == 0 || last)
                for (int ch = 0; ch < m_channels; ++ch)
                    summary->SetCoarse(f / CFileSummary::kCoarseFrames, ch, coarseMax[ch],
                                       coarseMin[ch]);
        }
        if (Cancelled(m_cancel))
            return nullptr;
    }
    return summary;
}

} // namespace brimsel
