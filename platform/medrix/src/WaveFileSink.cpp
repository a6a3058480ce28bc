// PCM wave writer: RIFF, a 16-byte fmt chunk, then data; or RF64 with its
// ds64 chunk between the RIFF header and fmt when the data passes 4 GiB.
#include "WaveFileSink.h"

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <vector>

namespace medrix {

namespace {

constexpr long kCanonicalHeaderBytes = 44;
// Headroom on the expected size: a decoder may give a few frames more than
// the container declares, and the file must not cross 4 GiB by surprise.
constexpr int64_t kExpectedSlack = int64_t(1) << 20;

void put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void put64(uint8_t* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void putFormat(uint8_t* p, int channels, int rate)
{
    const uint16_t blockAlign = static_cast<uint16_t>(channels * 2);
    std::copy_n("fmt ", 4, p);
    put32(p + 4, 16);
    put16(p + 8, 1); // PCM
    put16(p + 10, static_cast<uint16_t>(channels));
    put32(p + 12, static_cast<uint32_t>(rate));
    put32(p + 16, static_cast<uint32_t>(rate) * blockAlign);
    put16(p + 20, blockAlign);
    put16(p + 22, 16);
}

} // namespace

WaveFileSink::WaveFileSink(int sampleRate, int channels, uint64_t canonicalLimit)
    : m_rate(sampleRate), m_channels(channels), m_limit(canonicalLimit)
{
    av_channel_layout_default(&m_layout, channels);
}

WaveFileSink::~WaveFileSink()
{
    if (m_file)
        std::fclose(m_file);
    av_channel_layout_uninit(&m_layout);
}

bool WaveFileSink::open(const std::string& path, int64_t expectedBytes)
{
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        return false;
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
    m_rf64 = expectedBytes > static_cast<int64_t>(m_limit) - kExpectedSlack;
    return writeHeader();
}

bool WaveFileSink::writeHeader()
{
    if (!m_rf64) {
        std::array<uint8_t, kCanonicalHeaderBytes> h{};
        const auto data = static_cast<uint32_t>(m_dataBytes);
        std::copy_n("RIFF", 4, h.begin());
        put32(&h[4], 36 + data);
        std::copy_n("WAVE", 4, h.begin() + 8);
        putFormat(&h[12], m_channels, m_rate);
        std::copy_n("data", 4, h.begin() + 36);
        put32(&h[40], data);
        return std::fwrite(h.data(), 1, h.size(), m_file) == h.size();
    }
    std::array<uint8_t, kRf64HeaderBytes> h{};
    std::copy_n("RF64", 4, h.begin());
    put32(&h[4], 0xFFFFFFFFu); // the sizes are in ds64
    std::copy_n("WAVE", 4, h.begin() + 8);
    std::copy_n("ds64", 4, h.begin() + 12);
    put32(&h[16], 28);
    put64(&h[20], kRf64HeaderBytes - 8 + m_dataBytes);                    // RIFF size
    put64(&h[28], m_dataBytes);                                           // data size
    put64(&h[36], m_dataBytes / (2 * static_cast<uint64_t>(m_channels))); // frames
    put32(&h[44], 0);                                                     // no table
    putFormat(&h[48], m_channels, m_rate);
    std::copy_n("data", 4, h.begin() + 72);
    put32(&h[76], 0xFFFFFFFFu);
    return std::fwrite(h.data(), 1, h.size(), m_file) == h.size();
}

bool WaveFileSink::promote()
{
    if (std::fflush(m_file) != 0)
        return false;
    const int fd = fileno(m_file);
    constexpr off_t shift = kRf64HeaderBytes - kCanonicalHeaderBytes;
    std::vector<uint8_t> buffer(1 << 20);
    // From the end down, so that no byte is overwritten before it has moved.
    off_t end = kCanonicalHeaderBytes + static_cast<off_t>(m_dataBytes);
    while (end > kCanonicalHeaderBytes) {
        const off_t begin =
            std::max<off_t>(kCanonicalHeaderBytes, end - static_cast<off_t>(buffer.size()));
        const auto size = static_cast<size_t>(end - begin);
        if (::pread(fd, buffer.data(), size, begin) != static_cast<ssize_t>(size) ||
            ::pwrite(fd, buffer.data(), size, begin + shift) != static_cast<ssize_t>(size))
            return false;
        end = begin;
    }
    m_rf64 = true;
    return std::fseek(m_file, 0, SEEK_SET) == 0 && writeHeader() &&
           std::fseek(m_file, 0, SEEK_END) == 0;
}

bool WaveFileSink::write(const uint8_t* const* planes, int samples)
{
    if (!m_file || samples < 0)
        return false;
    const size_t bytes = static_cast<size_t>(samples) * static_cast<size_t>(m_channels) * 2;
    if (!m_rf64 && m_dataBytes + bytes > m_limit && !promote())
        return false;
    if (bytes > 0 && std::fwrite(planes[0], 1, bytes, m_file) != bytes)
        return false;
    m_dataBytes += bytes;
    return true;
}

bool WaveFileSink::finish()
{
    if (!m_file)
        return false;
    bool ok = std::fseek(m_file, 0, SEEK_SET) == 0 && writeHeader() && std::fflush(m_file) == 0;
    ok = (std::fclose(m_file) == 0) && ok;
    m_file = nullptr;
    return ok;
}

} // namespace medrix
