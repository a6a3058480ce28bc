// Canonical PCM wave writer: RIFF, a 16-byte fmt chunk, then data.
#include "WaveFileSink.h"

#include <algorithm>
#include <array>

namespace medrix {

namespace {

// The RIFF size field holds 36 + data bytes in 32 bits; larger data cannot be
// described, so a conversion that would exceed it fails instead of writing a
// header that lies.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

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

} // namespace

WaveFileSink::WaveFileSink(int sampleRate, int channels) : m_rate(sampleRate), m_channels(channels)
{
    av_channel_layout_default(&m_layout, channels);
}

WaveFileSink::~WaveFileSink()
{
    if (m_file)
        std::fclose(m_file);
    av_channel_layout_uninit(&m_layout);
}

bool WaveFileSink::open(const std::string& path)
{
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        return false;
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
    return writeHeader(0);
}

bool WaveFileSink::writeHeader(uint32_t dataBytes)
{
    std::array<uint8_t, 44> h{};
    const uint16_t blockAlign = static_cast<uint16_t>(m_channels * 2);
    std::copy_n("RIFF", 4, h.begin());
    put32(&h[4], 36 + dataBytes);
    std::copy_n("WAVEfmt ", 8, h.begin() + 8);
    put32(&h[16], 16);
    put16(&h[20], 1); // PCM
    put16(&h[22], static_cast<uint16_t>(m_channels));
    put32(&h[24], static_cast<uint32_t>(m_rate));
    put32(&h[28], static_cast<uint32_t>(m_rate) * blockAlign);
    put16(&h[32], blockAlign);
    put16(&h[34], 16);
    std::copy_n("data", 4, h.begin() + 36);
    put32(&h[40], dataBytes);
    return std::fwrite(h.data(), 1, h.size(), m_file) == h.size();
}

bool WaveFileSink::write(const uint8_t* const* planes, int samples)
{
    if (!m_file || samples < 0)
        return false;
    const size_t bytes = static_cast<size_t>(samples) * static_cast<size_t>(m_channels) * 2;
    if (m_dataBytes + bytes > kMaxDataBytes)
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
    bool ok = std::fseek(m_file, 0, SEEK_SET) == 0 &&
              writeHeader(static_cast<uint32_t>(m_dataBytes)) && std::fflush(m_file) == 0;
    ok = (std::fclose(m_file) == 0) && ok;
    m_file = nullptr;
    return ok;
}

} // namespace medrix
