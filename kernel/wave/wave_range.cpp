#include "wave/wave_range.h"

#include "common/last_error.h"
#include "store/byte_offset.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "wave/wave_header.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kernel {

std::vector<WaveRangePart> PlanWaveRange(const CTrack& track, int64_t from, int64_t to,
                                         int64_t& total)
{
    if (to == 0)
        to = track.m_length;
    auto rule = [&](int64_t dt) {
        return ByteOffset(dt, track.m_bytesPerSample, track.m_sampleRate, track.m_channels);
    };
    std::vector<WaveRangePart> plan;
    if (const CTimeline* timeline = track.Timeline()) {
        for (const TrackSegment& s : *timeline) {
            if (s.state & vorlain::kHeaderSegment)
                continue;
            if (s.end <= from) {
                continue;
            } else if (s.start <= from && to <= s.end) {
                // A range reaching the segment's end takes the file to its end: a
                // loader's last piece holds up to a frame more than its
                // truncated end time accounts for, and a round trip keeps it.
                const int64_t count = to == s.end ? -1 : std::max<int64_t>(rule(to - from), 0);
                plan.push_back({s.path, rule(from - s.start), count, WaveRangePart::Inside});
                break;
            } else if (s.start <= from && from < s.end && s.end < to) {
                plan.push_back({s.path, rule(from - s.start), -1, WaveRangePart::Head});
            } else if (from < s.start && to <= s.end) {
                const int64_t count = to == s.end ? -1 : std::max<int64_t>(rule(to - s.start), 0);
                plan.push_back({s.path, 0, count, WaveRangePart::Tail});
                break;
            } else if (from < s.start && s.end < to) {
                plan.push_back({s.path, 0, -1, WaveRangePart::Whole});
            }
        }
    }
    total = 0;
    for (WaveRangePart& part : plan) {
        const int64_t available = std::max<int64_t>(FileSize(part.path) - part.begin, 0);
        part.count = part.count < 0 ? available : std::min(part.count, available);
        total += part.count;
    }
    return plan;
}

CWaveStream::CWaveStream(const CTrack& track, int64_t from, int64_t to)
{
    int64_t total = 0;
    m_parts = PlanWaveRange(track, from, to, total);
    if (total > kMaxCanonicalWaveData) {
        const Rf64HeaderBytes h = MakeRf64Header(track.m_channels, track.m_sampleRate, total);
        m_header.assign(h.begin(), h.end());
    } else {
        const WaveHeaderBytes h = MakeWaveHeader(track.m_channels, track.m_sampleRate, total);
        m_header.assign(h.begin(), h.end());
    }
    int64_t at = static_cast<int64_t>(m_header.size());
    for (const WaveRangePart& part : m_parts) {
        m_starts.push_back(at);
        at += part.count;
    }
    m_size = at;
}

CWaveStream::~CWaveStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int64_t CWaveStream::Seek(int64_t offset)
{
    if (offset < 0 || offset > m_size)
        return -1;
    m_pos = offset;
    return offset;
}

int CWaveStream::Read(uint8_t* buffer, int size)
{
    int done = 0;
    while (done < size && m_pos < m_size) {
        const int64_t want = size - done;
        if (m_pos < static_cast<int64_t>(m_header.size())) {
            const auto n = static_cast<size_t>(
                std::min<int64_t>(want, static_cast<int64_t>(m_header.size()) - m_pos));
            std::memcpy(buffer + done, m_header.data() + m_pos, n);
            m_pos += static_cast<int64_t>(n);
            done += static_cast<int>(n);
            continue;
        }
        // The part holding the position: the last whose start is not after it.
        const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), m_pos);
        const size_t k = static_cast<size_t>(it - m_starts.begin()) - 1;
        const WaveRangePart& part = m_parts[k];
        const int64_t inPart = m_pos - m_starts[k];
        if (m_fd < 0 || m_fdPart != k) {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = ::open(part.path.c_str(), O_RDONLY | O_CLOEXEC);
            m_fdPart = k;
            if (m_fd < 0) {
                NoteReadFailure(errno);
                return -1;
            }
        }
        const auto n = static_cast<size_t>(std::min<int64_t>(want, part.count - inPart));
        const ssize_t got = ::pread(m_fd, buffer + done, n, part.begin + inPart);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            NoteReadFailure(got < 0 ? errno : EIO); // the file is shorter than it was
            return -1;
        }
        m_pos += got;
        done += static_cast<int>(got);
    }
    return done;
}

} // namespace kernel
