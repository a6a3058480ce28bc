// 16-bit samples to the plugins' floats and back, written so that the
// compiler vectorises them: full scale is 32768, and the way back rounds to
// the nearest value (halves to even) and clamps to 16 bits.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kernel::fx {

/** Rounds to the nearest sample value (halves to even) and clamps. Adding
 *  and taking away 1.5 * 2^23 leaves a float of magnitude below 2^22
 *  rounded to a whole number in the default rounding mode. */
inline int16_t ToSample(float v)
{
    constexpr float kRound = 12582912.0f;
    v *= 32768.0f;
    // Written as selects, not std::clamp, so that they become min and max.
    v = v < -32768.0f ? -32768.0f : v;
    v = v > 32767.0f ? 32767.0f : v;
    return static_cast<int16_t>((v + kRound) - kRound);
}

/** Frames per chunk of the loops below: a fixed count and pointers that do
 *  not alias, so the compiler vectorises the loop bodies at -O2 too. */
inline constexpr uint32_t kChunk = 256;

/** frames interleaved frames of channels samples into one float row each. */
inline void Deinterleave(const int16_t* in, uint32_t channels, uint32_t frames, float* const* out)
{
    constexpr float kScale = 1.0f / 32768.0f;
    uint32_t at = 0;
    if (channels == 1) {
        for (; at + kChunk <= frames; at += kChunk) {
            const int16_t* __restrict src = in + at;
            float* __restrict dst = out[0] + at;
            for (uint32_t i = 0; i < kChunk; ++i)
                dst[i] = static_cast<float>(src[i]) * kScale;
        }
        for (; at < frames; ++at)
            out[0][at] = static_cast<float>(in[at]) * kScale;
        return;
    }
    for (; at + kChunk <= frames; at += kChunk) {
        const int16_t* __restrict src = in + 2 * at;
        float* __restrict left = out[0] + at;
        float* __restrict right = out[1] + at;
        for (uint32_t i = 0; i < kChunk; ++i) {
            left[i] = static_cast<float>(src[2 * i]) * kScale;
            right[i] = static_cast<float>(src[2 * i + 1]) * kScale;
        }
    }
    for (; at < frames; ++at) {
        out[0][at] = static_cast<float>(in[2 * at]) * kScale;
        out[1][at] = static_cast<float>(in[2 * at + 1]) * kScale;
    }
}

/** The rows back into interleaved samples. */
inline void Interleave(const float* const* in, uint32_t channels, uint32_t frames, int16_t* out)
{
    uint32_t at = 0;
    if (channels == 1) {
        for (; at + kChunk <= frames; at += kChunk) {
            const float* __restrict src = in[0] + at;
            int16_t* __restrict dst = out + at;
            for (uint32_t i = 0; i < kChunk; ++i)
                dst[i] = ToSample(src[i]);
        }
        for (; at < frames; ++at)
            out[at] = ToSample(in[0][at]);
        return;
    }
    for (; at + kChunk <= frames; at += kChunk) {
        const float* __restrict left = in[0] + at;
        const float* __restrict right = in[1] + at;
        int16_t* __restrict dst = out + 2 * at;
        for (uint32_t i = 0; i < kChunk; ++i) {
            dst[2 * i] = ToSample(left[i]);
            dst[2 * i + 1] = ToSample(right[i]);
        }
    }
    for (; at < frames; ++at) {
        out[2 * at] = ToSample(in[0][at]);
        out[2 * at + 1] = ToSample(in[1][at]);
    }
}

/** Whether no sample is NaN or infinite: those have every exponent bit set. */
inline bool AllFinite(const float* samples, uint32_t count)
{
    uint32_t special = 0;
    uint32_t at = 0;
    for (; at + kChunk <= count; at += kChunk) {
        const float* __restrict chunk = samples + at;
        uint32_t found = 0;
        for (uint32_t i = 0; i < kChunk; ++i) {
            uint32_t bits;
            std::memcpy(&bits, &chunk[i], sizeof bits);
            found |= (bits & 0x7F800000u) == 0x7F800000u ? 1u : 0u;
        }
        special |= found;
    }
    for (; at < count; ++at) {
        uint32_t bits;
        std::memcpy(&bits, &samples[at], sizeof bits);
        special |= (bits & 0x7F800000u) == 0x7F800000u ? 1u : 0u;
    }
    return special == 0;
}

} // namespace kernel::fx
