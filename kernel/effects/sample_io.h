// Reading and writing one 16-bit little-endian sample, and the integer
// conversions the effects share.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

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

inline int64_t Clamp16(int64_t v) { return std::clamp<int64_t>(v, -32768, 32767); }

/** Converts toward zero to an integer. */
inline int64_t Truncate(long double v) { return static_cast<int64_t>(std::trunc(v)); }

} // namespace effects
