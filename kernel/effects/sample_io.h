// Reading and writing one 16-bit little-endian sample, the integer
// conversions the effects share, and the block loop they run in.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace effects {

inline int16_t SampleAt(const uint8_t* p)
{
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
}

/** Stores the low 16 bits of value. */
inline void StoreSample(uint8_t* p, int64_t value)
{
    auto u = static_cast<uint16_t>(static_cast<uint64_t>(value));
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
}

inline int64_t Clamp16(int64_t v)
{
    return std::clamp<int64_t>(v, -32768, 32767);
}

/** Converts toward zero to an integer. */
inline int64_t Truncate(long double v)
{
    return static_cast<int64_t>(std::trunc(v));
}

/** Samples per chunk of the block loops: small enough for the stack and the
 *  first-level cache, a fixed count so the compiler vectorises the loop body. */
inline constexpr int64_t kChunkSamples = 512;

inline int16_t swapBytes(int16_t s)
{
    const auto u = static_cast<uint16_t>(s);
    return static_cast<int16_t>(static_cast<uint16_t>(u << 8 | u >> 8));
}

/** Copies n little-endian samples from bytes into native ones. */
inline void LoadChunk(int16_t* samples, const uint8_t* bytes, int64_t n)
{
    std::memcpy(samples, bytes, static_cast<size_t>(n) * 2);
    if constexpr (std::endian::native == std::endian::big)
        for (int64_t k = 0; k < n; ++k)
            samples[k] = swapBytes(samples[k]);
    std::fill(samples + n, samples + kChunkSamples, int16_t{0});
}

/** Stores n native samples as little-endian bytes. */
inline void StoreChunk(uint8_t* bytes, int16_t* samples, int64_t n)
{
    if constexpr (std::endian::native == std::endian::big)
        for (int64_t k = 0; k < n; ++k)
            samples[k] = swapBytes(samples[k]);
    std::memcpy(bytes, samples, static_cast<size_t>(n) * 2);
}

/** Replaces every whole sample s of a block by the low 16 bits of fn(k, s),
 *  k being the sample's index in the block (a trailing odd byte is left as it
 *  is). The samples go through a native array a chunk at a time, with a
 *  fixed trip count, so fn's loop is vectorised. */
template <class Fn> inline void MapSamples(uint8_t* bytes, int64_t byteCount, Fn fn)
{
    alignas(32) int16_t chunk[kChunkSamples];
    const int64_t samples = byteCount / 2;
    for (int64_t first = 0; first < samples; first += kChunkSamples) {
        const int64_t n = std::min(kChunkSamples, samples - first);
        LoadChunk(chunk, bytes + first * 2, n);
        for (int64_t k = 0; k < kChunkSamples; ++k)
            chunk[k] = static_cast<int16_t>(fn(first + k, chunk[k]));
        StoreChunk(bytes + first * 2, chunk, n);
    }
}

/** The linear fades: each whole sample s at byte q of the range (q = q0 +
 *  2k) becomes w * s / N truncated, w = q rising or N - q falling, as the
 *  integer formula gives it. The product w * s is exact in a double and the
 *  double quotient never rounds across a whole number while N < 2^37 (days
 *  of audio), so the vectorised loop gives the integer result; false, with
 *  nothing changed, outside those bounds (the caller then runs the integers). */
inline bool LinearRamp(uint8_t* bytes, int64_t byteCount, int64_t q0, int64_t N, bool falling)
{
    constexpr int64_t kLimit = int64_t{1} << 37;
    if (N <= 0 || N >= kLimit || q0 < 0 || q0 + byteCount > 2 * N)
        return false;
    alignas(32) int16_t chunk[kChunkSamples];
    const double n = static_cast<double>(N);
    const int64_t samples = byteCount / 2;
    for (int64_t first = 0; first < samples; first += kChunkSamples) {
        const int64_t count = std::min(kChunkSamples, samples - first);
        LoadChunk(chunk, bytes + first * 2, count);
        const double base = static_cast<double>(q0 + first * 2);
        for (int k = 0; k < static_cast<int>(kChunkSamples); ++k) {
            const double q = base + 2.0 * k;
            const double w = falling ? n - q : q;
            chunk[k] = static_cast<int16_t>(static_cast<int32_t>(w * chunk[k] / n));
        }
        StoreChunk(bytes + first * 2, chunk, count);
    }
    return true;
}

} // namespace effects
