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

uint16_t GetLE16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

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

Rf64HeaderBytes MakeRf64Header(uint32_t channels, uint32_t sampleRate, int64_t dataBytes)
{
    const auto data = static_cast<uint64_t>(std::max<int64_t>(dataBytes, 0));
    auto put64 = [](uint8_t* at, uint64_t value) {
        PutLE32(at, static_cast<uint32_t>(value));
        PutLE32(at + 4, static_cast<uint32_t>(value >> 32));
    };
    const WaveHeaderBytes canonical = MakeWaveHeader(channels, sampleRate, 0);
    Rf64HeaderBytes h{};
    std::memcpy(h.data(), "RF64", 4);
    PutLE32(&h[4], 0xFFFFFFFFu);
    std::memcpy(&h[8], "WAVEds64", 8);
    PutLE32(&h[16], 28);
    put64(&h[20], data + h.size() - 8);                  // RIFF size
    put64(&h[28], data);                                 // data size
    put64(&h[36], channels ? data / (2 * channels) : 0); // frames
    PutLE32(&h[44], 0);                                  // no table entries
    std::memcpy(&h[48], &canonical[12], 24);             // "fmt " and its 16 bytes
    std::memcpy(&h[72], "data", 4);
    PutLE32(&h[76], 0xFFFFFFFFu);
    return h;
}

WaveFormat ReadWaveFormat(const WaveHeaderBytes& header)
{
    return {GetLE16(&header[22]), GetLE32(&header[24])};
}

} // namespace kernel
