#include "effects/reverse_effect.h"

#include <algorithm>
#include <cstring>

bool CReverseEffect::SetSource(const CTrack& track, int64_t from, int64_t to)
{
    return m_source.Open(track, from, to);
}

bool CReverseEffect::SetRange(int64_t from, int64_t to)
{
    if (to <= from)
        return false;
    m_from = from;
    m_to = to;
    m_rangeBytes = m_source.Bytes();
    return true;
}

bool CReverseEffect::Process(uint8_t* buffer, int64_t byteCount)
{
    const int64_t frame = 2 * static_cast<int64_t>(m_channels);
    const int64_t total = m_source.Bytes();
    if (!buffer || byteCount < 1 || byteCount % frame != 0 || m_processed % frame != 0 ||
        total % frame != 0 || m_processed + byteCount > total) {
        m_failed = true; // the blocks no longer line up with the range read
        return false;
    }
    // Output bytes [p, p + n) are the source's [total - p - n, total - p),
    // frame by frame from its end.
    m_mirror.resize(static_cast<size_t>(byteCount));
    if (!m_source.Read(total - m_processed - byteCount, m_mirror.data(), byteCount)) {
        m_failed = true;
        return false;
    }
    const int64_t frames = byteCount / frame;
    for (int64_t k = 0; k < frames; ++k)
        std::memcpy(buffer + k * frame, m_mirror.data() + (frames - 1 - k) * frame,
                    static_cast<size_t>(frame));
    m_processed += byteCount;
    return true;
}
