#include "effects/echo_effect.h"

#include "effects/sample_io.h"
#include "store/byte_offset.h"
#include "track/track.h"

#include <algorithm>
#include <cstring>
#include <fstream>

bool CEchoEffect::SetRange(int64_t from, int64_t to)
{
    if (to <= from)
        return false;
    m_from = from;
    m_to = to;
    m_rangeBytes = rangeBytes(from, to) / 4 * 4;
    return true;
}

bool CEchoEffect::SetDelay(int64_t delay)
{
    m_delay = delay;
    const int64_t D = kernel::ByteOffset(delay, 2, m_sampleRate, m_channels);
    m_line.assign(static_cast<size_t>(std::max<int64_t>(D, 0)), 0);
    m_ring = 0;
    m_seen = 0;
    if (!m_track || !m_track->Timeline() || m_line.empty())
        return true;
    // Fill the line with the track's audio from the range start, reading the
    // data files back to back from the segment that holds it, at the offset
    // the effect engine starts at (the files before it are not opened).
    size_t filled = 0;
    bool started = false;
    for (const CSegmentSpan& s : m_track->Timeline()->Spans()) {
        if (s.IsHeader() || (!started && s.end <= m_from))
            continue;
        const int64_t skip =
            started || s.start >= m_from
                ? 0
                : kernel::ByteOffset(m_from - s.start, 2, m_sampleRate, m_channels);
        started = true;
        std::ifstream in(m_track->Timeline()->Lookup(s.index)->path, std::ios::binary);
        if (!in)
            return false;
        in.seekg(skip);
        in.read(reinterpret_cast<char*>(m_line.data() + filled),
                static_cast<std::streamsize>(m_line.size() - filled));
        filled += static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0));
        if (filled == m_line.size())
            break;
    }
    return true;
}

bool CEchoEffect::Process(uint8_t* buffer, int64_t byteCount)
{
    if (!buffer || byteCount < 1 || m_decay <= 0 || m_line.empty())
        return false;
    const auto D = static_cast<int64_t>(m_line.size());
    const int64_t blockStart = m_seen;
    m_seen += byteCount;
    if (m_seen <= D)
        return true; // the first second of the range passes through
    int64_t i = std::max<int64_t>(0, D - blockStart);
    // A decay this large makes echoes past 32 bits: the integers, one by one.
    if (m_decay >= 65536.0f || (i % 2) != 0 || (m_ring % 2) != 0) {
        for (; i + 1 < byteCount; i += 2) {
            const int64_t x = effects::SampleAt(buffer + i);
            const int64_t echo = static_cast<int16_t>(static_cast<uint16_t>(effects::Truncate(
                static_cast<double>(m_decay) * effects::SampleAt(m_line.data() + m_ring))));
            const int64_t y = effects::Clamp16(x + echo);
            effects::StoreSample(buffer + i, y);
            effects::StoreSample(m_line.data() + m_ring, y);
            m_ring = (m_ring + 2) % m_line.size();
        }
        return true;
    }
    // The line is read a second behind where it is written, so a run up to
    // the line's end never reads what it writes: whole chunks at a time.
    const double decay = m_decay;
    alignas(32) int16_t x[effects::kChunkSamples];
    alignas(32) int16_t past[effects::kChunkSamples];
    while (i + 1 < byteCount) {
        const int64_t n = std::min({effects::kChunkSamples, (byteCount - i) / 2,
                                    static_cast<int64_t>(m_line.size() - m_ring) / 2});
        effects::LoadChunk(x, buffer + i, n);
        effects::LoadChunk(past, m_line.data() + m_ring, n);
        for (int k = 0; k < static_cast<int>(effects::kChunkSamples); ++k) {
            // trunc(decay * y[q - D]) wrapped to 16 bits, then added and clamped.
            const auto echo = static_cast<int16_t>(static_cast<int32_t>(decay * past[k]));
            x[k] = static_cast<int16_t>(std::clamp(int32_t{x[k]} + echo, -32768, 32767));
        }
        effects::StoreChunk(buffer + i, x, n);
        std::memcpy(m_line.data() + m_ring, buffer + i, static_cast<size_t>(n) * 2);
        i += n * 2;
        m_ring += static_cast<size_t>(n) * 2;
        if (m_ring >= m_line.size())
            m_ring = 0;
    }
    return true;
}
