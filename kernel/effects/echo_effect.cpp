#include "effects/echo_effect.h"

#include "effects/sample_io.h"
#include "store/byte_offset.h"
#include "track/track.h"

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
    // data files back to back.
    int64_t skip = kernel::ByteOffset(m_from, 2, m_sampleRate, m_channels);
    size_t filled = 0;
    for (const TrackSegment& s : *m_track->Timeline()) {
        if (s.state & vorlain::kHeaderSegment)
            continue;
        std::ifstream in(s.path, std::ios::binary | std::ios::ate);
        if (!in)
            return false;
        const int64_t size = in.tellg();
        if (skip >= size) {
            skip -= size;
            continue;
        }
        in.seekg(skip);
        skip = 0;
        in.read(reinterpret_cast<char*>(m_line.data() + filled),
                static_cast<std::streamsize>(m_line.size() - filled));
        filled += static_cast<size_t>(in.gcount());
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
    for (int64_t i = std::max<int64_t>(0, D - blockStart); i + 1 < byteCount; i += 2) {
        const int64_t x = effects::SampleAt(buffer + i);
        const int64_t echo = static_cast<int16_t>(static_cast<uint16_t>(
            effects::Truncate(static_cast<double>(m_decay) * effects::SampleAt(m_line.data() + m_ring))));
        const int64_t y = effects::Clamp16(x + echo);
        effects::StoreSample(buffer + i, y);
        effects::StoreSample(m_line.data() + m_ring, y);
        m_ring = (m_ring + 2) % m_line.size();
    }
    return true;
}
