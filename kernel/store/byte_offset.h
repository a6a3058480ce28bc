// The byte offset rule: where a time falls inside a data file.
#pragma once

#include <cstdint>

namespace kernel {

/** Bytes of a duration dt (microseconds) at the given format, rounded down to
 *  a multiple of 4, so that a split never falls inside a stereo frame. For a
 *  mono track a boundary can therefore move by up to one sample. */
inline int64_t ByteOffset(int64_t dt, uint32_t bytesPerSample, uint32_t sampleRate,
                          uint32_t channels)
{
    int64_t bytes = dt * static_cast<int64_t>(bytesPerSample) * sampleRate * channels / 1'000'000;
    return bytes - bytes % 4;
}

/** The same without the rounding: the logical byte length of a duration. */
inline int64_t ByteLength(int64_t dt, uint32_t bytesPerSample, uint32_t sampleRate,
                          uint32_t channels)
{
    return dt * static_cast<int64_t>(bytesPerSample) * sampleRate * channels / 1'000'000;
}

} // namespace kernel
