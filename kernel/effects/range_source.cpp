#include "effects/range_source.h"

#include "common/last_error.h"
#include "edits/timeline_builder.h"
#include "store/byte_offset.h"
#include "store/segment_files.h"
#include "track/track.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kernel {

CRangeSource::~CRangeSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CRangeSource::Open(const CTrack& track, int64_t from, int64_t to)
{
    m_spans.clear();
    m_bytes = 0;
    const CTimeline* timeline = track.Timeline();
    if (!timeline)
        return false;
    return to <= 0 || Open(*timeline, FormatOf(track), from, to); // an empty range reads nothing
}

bool CRangeSource::Open(const CTimeline& timeline, const AudioFormat& format, int64_t from,
                        int64_t to)
{
    m_spans.clear();
    m_bytes = 0;
    if (to == 0)
        to = INT64_MAX;
    auto offset = [&](int64_t dt) {
        return ByteOffset(dt, format.bytesPerSample, format.sampleRate, format.channels);
    };
    for (const CSegmentSpan& s : timeline.Spans()) {
        if (!(s.state & vorlain::kAudioSegment) || s.end < from || s.start >= to)
            continue;
        const TrackSegment record = *timeline.Lookup(s.index);
        const int64_t size = FileSize(record.path);
        if (size < 0) {
            NoteReadFailure(errno);
            return false;
        }
        const int64_t a = std::clamp<int64_t>(offset(std::max(from, s.start) - s.start), 0, size);
        const int64_t b = to >= s.end
                              ? size
                              : std::clamp<int64_t>(offset(std::min(to, s.end) - s.start), a, size);
        m_spans.push_back({record.path, a, m_bytes, b - a});
        m_bytes += b - a;
    }
    return true;
}

bool CRangeSource::open(size_t span)
{
    if (m_openSpan == span)
        return true;
    if (m_fd >= 0)
        ::close(m_fd);
    m_openSpan = SIZE_MAX;
    m_fd = ::open(m_spans[span].path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        NoteReadFailure(errno);
        return false;
    }
    m_openSpan = span;
    return true;
}

bool CRangeSource::Read(int64_t offset, uint8_t* out, int64_t count)
{
    if (offset < 0 || count < 0 || offset + count > m_bytes)
        return false;
    // The span holding offset: the last one starting at or before it.
    auto it = std::upper_bound(m_spans.begin(), m_spans.end(), offset,
                               [](int64_t at, const Span& s) { return at < s.offset; });
    size_t span = static_cast<size_t>(it - m_spans.begin()) - 1;
    while (count > 0) {
        if (span >= m_spans.size())
            return false;
        const Span& s = m_spans[span];
        const int64_t inSpan = offset - s.offset;
        const int64_t n = std::min(count, s.bytes - inSpan);
        if (n > 0) {
            if (!open(span))
                return false;
            int64_t done = 0;
            while (done < n) {
                const ssize_t got = ::pread(m_fd, out + done, static_cast<size_t>(n - done),
                                            static_cast<off_t>(s.first + inSpan + done));
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0) {
                    NoteReadFailure(got < 0 ? errno : EIO);
                    return false;
                }
                done += got;
            }
            out += n;
            offset += n;
            count -= n;
        }
        ++span;
    }
    return true;
}

} // namespace kernel
