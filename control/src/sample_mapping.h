// Where a 16-bit sample lands in a 150-pixel row: the offset value and the
// two band scales of the wave view.
#pragma once

#include <cstdint>

namespace brimsel {

/** 75/65535 and 150/65535, rounded to single precision. */
inline constexpr float kF75 = 0.0011444266f;
inline constexpr float kF150 = 0.0022888533f;

/** Rows of a view and the channel bands inside it. */
inline constexpr int kRowHeight = 150;
inline constexpr int kHalfBand = 75;

/** The offset value of a sample: a 16-bit add, so -32767 gives 0 and -32768
 *  wraps to 65535, the bottom of the band. */
inline uint16_t OffsetSample(int16_t sample)
{
    return static_cast<uint16_t>(static_cast<uint16_t>(sample) + 0x7FFF);
}

/** y inside one half band, 0..74. The product is formed in double: in single
 *  precision 65535 x f75 rounds up to exactly 75 and the bottom sample would
 *  land on the channel divider. */
inline int HalfBandY(uint32_t offset)
{
    return static_cast<int>(static_cast<double>(offset) * static_cast<double>(kF75));
}

/** y in the full band of a mono row, 0..149 (double for the same reason). */
inline int FullBandY(uint32_t offset)
{
    return static_cast<int>(static_cast<double>(offset) * static_cast<double>(kF150));
}

/** Lookup tables indexed by the raw 16 bits of a sample (not the offset value):
 *  y of the left band (0..74), of the right band (75..149) and of a mono row. */
const uint8_t* LeftBandTable();
const uint8_t* RightBandTable();
const uint8_t* MonoTable();

} // namespace brimsel
