#include "mix/mix_source.h"

#include "store/byte_offset.h"
#include "store/segment_files.h"

#include <algorithm>
#include <cstring>

namespace kernel {

namespace {
// Frames converted per refill: 1024 frames keep the buffers a few KiB.
constexpr size_t kFramesPerRefill = 1024;
} // namespace

CMixSource::CMixSource(const CTimeline& source, const AudioFormat& sourceFormat,
                       uint32_t destinationChannels, int64_t from, int64_t to)
    : m_sourceFrame(2 * std::clamp<uint32_t>(sourceFormat.channels, 1, 2)),
      m_destFrame(2 * std::clamp<uint32_t>(destinationChannels, 1, 2)),
      m_framesLeft(-1)
{
    if (to > 0)
        m_framesLeft = std::max<int64_t>(0, (to - from) * int64_t(sourceFormat.sampleRate) / 1'000'000);
    const uint32_t channels = m_sourceFrame / 2;
    int64_t frames = 0;
    for (const TrackSegment& s : source) {
        if ((s.state & vorlain::kHeaderSegment) || s.end <= from)
            continue;
        if (to > 0 && s.start >= to)
            break;
        const int64_t begin =
            from > s.start ? ByteOffset(from - s.start, 2, sourceFormat.sampleRate, channels) : 0;
        m_pieces.push_back({s.path, begin});
        frames += std::max<int64_t>(0, FileSize(s.path) - begin) / m_sourceFrame;
    }
    if (m_framesLeft >= 0)
        frames = std::min(frames, m_framesLeft);
    m_size = frames * m_destFrame;
    m_raw.resize(kFramesPerRefill * m_sourceFrame);
    m_buffer.resize(kFramesPerRefill * m_destFrame);
}

CMixSource::~CMixSource()
{
    if (m_file)
        std::fclose(m_file);
}

bool CMixSource::openNext()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (m_next >= m_pieces.size())
        return false;
    const Piece& piece = m_pieces[m_next++];
    m_file = std::fopen(piece.path.c_str(), "rb");
    if (!m_file || fseeko(m_file, static_cast<off_t>(piece.begin), SEEK_SET) != 0) {
        m_failed = true;
        return false;
    }
    return true;
}

bool CMixSource::refill()
{
    m_bufferPos = m_bufferEnd = 0;
    if (m_failed || m_framesLeft == 0)
        return false;
    size_t want = kFramesPerRefill;
    if (m_framesLeft > 0)
        want = static_cast<size_t>(std::min<int64_t>(m_framesLeft, static_cast<int64_t>(want)));
    size_t frames = 0;
    for (;;) {
        if (!m_file && !openNext())
            return false;
        // Whole frames only: a stray byte at the end of a file is never paired
        // with the next file's first byte.
        frames = std::fread(m_raw.data(), m_sourceFrame, want, m_file);
        if (frames > 0)
            break;
        if (std::ferror(m_file)) {
            m_failed = true;
            return false;
        }
        std::fclose(m_file);
        m_file = nullptr;
    }
    const uint8_t* in = m_raw.data();
    uint8_t* out = m_buffer.data();
    for (size_t f = 0; f < frames; ++f, in += m_sourceFrame, out += m_destFrame) {
        if (m_sourceFrame == m_destFrame) {
            std::memcpy(out, in, m_destFrame);
        } else if (m_destFrame == 4) { // mono to stereo: the sample in both channels
            out[0] = out[2] = in[0];
            out[1] = out[3] = in[1];
        } else { // stereo to mono: the left channel
            out[0] = in[0];
            out[1] = in[1];
        }
    }
    m_bufferEnd = frames * m_destFrame;
    if (m_framesLeft > 0)
        m_framesLeft -= static_cast<int64_t>(frames);
    return true;
}

bool CMixSource::Ended()
{
    return m_bufferPos == m_bufferEnd && !refill();
}

size_t CMixSource::Read(uint8_t* out, size_t count)
{
    size_t done = 0;
    while (done < count) {
        if (m_bufferPos == m_bufferEnd && !refill())
            break;
        const size_t n = std::min(count - done, m_bufferEnd - m_bufferPos);
        std::memcpy(out + done, m_buffer.data() + m_bufferPos, n);
        m_bufferPos += n;
        done += n;
    }
    return done;
}

} // namespace kernel
