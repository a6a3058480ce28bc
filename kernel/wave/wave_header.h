// The canonical 44-byte PCM wave header the kernel writes and reads, and the
// RF64 header (the EBU's 64-bit wave format) of exports past 4 GiB.
#pragma once

#include <array>
#include <cstdint>

namespace kernel {

using WaveHeaderBytes = std::array<uint8_t, 44>;

/** A header for 16-bit PCM with the given format and audio byte count. Sizes
 *  above 4 GiB cannot be expressed; they are clamped to the largest value. */
WaveHeaderBytes MakeWaveHeader(uint32_t channels, uint32_t sampleRate, int64_t dataBytes);

/** The most audio bytes a canonical header can describe (RIFF size = 36 + data). */
inline constexpr int64_t kMaxCanonicalWaveData = 0xFFFFFFFFLL - 36;

using Rf64HeaderBytes = std::array<uint8_t, 80>;

/** An RF64 header for 16-bit PCM: "RF64" and "data" sizes of 0xFFFFFFFF, the
 *  true sizes and the frame count in the ds64 chunk, then the same 16-byte
 *  fmt chunk as the canonical header; the audio starts at byte 80. */
Rf64HeaderBytes MakeRf64Header(uint32_t channels, uint32_t sampleRate, int64_t dataBytes);

/** Format fields read back from a header. */
struct WaveFormat {
    uint32_t channels;
    uint32_t sampleRate;
};
WaveFormat ReadWaveFormat(const WaveHeaderBytes& header);

void PutLE32(uint8_t* at, uint32_t value);
void PutLE16(uint8_t* at, uint16_t value);
uint32_t GetLE32(const uint8_t* at);
uint16_t GetLE16(const uint8_t* at);

} // namespace kernel
