#include "wave/wave_header.h"

#include <algorithm>
#include <cstring>

namespace kernel {

void PutLE32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutLE16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

uint32_t GetLE32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

uint16_t GetLE16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

WaveHeaderBytes MakeWaveHeader(uint32_t channels, uint32_t sampleRate, int64_t dataBytes)
{
    const int64_t maxData = 0xFFFFFFFFLL - 36;
    auto data = static_cast<uint32_t>(std::clamp<int64_t>(dataBytes, 0, maxData));
    WaveHeaderBytes h{};
    std::memcpy(h.data(), "RIFF", 4);
    PutLE32(&h[4], data + 36);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    PutLE32(&h[16], 16);
    PutLE16(&h[20], 1);
    PutLE16(&h[22], static_cast<uint16_t>(channels));
    PutLE32(&h[24], sampleRate);
    PutLE32(&h[28], sampleRate * 2 * channels);
    PutLE16(&h[32], static_cast<uint16_t>(channels * 2));
    PutLE16(&h[34], 16);
    std::memcpy(&h[36], "data", 4);
    PutLE32(&h[40], data);
    return h;
}

WaveFormat ReadWaveFormat(const WaveHeaderBytes& header)
{
    return {GetLE16(&header[22]), GetLE32(&header[24])};
}

} // namespace kernel
