// The sample-to-y lookup tables, built once on first use (thread-safe statics).
#include "sample_mapping.h"

#include <array>

namespace brimsel {
namespace {

using Table = std::array<uint8_t, 65536>;

Table MakeTable(int base, int (*scale)(uint32_t))
{
    Table table{};
    for (uint32_t bits = 0; bits < 65536; ++bits)
        table[bits] = static_cast<uint8_t>(
            base + scale(OffsetSample(static_cast<int16_t>(static_cast<uint16_t>(bits)))));
    return table;
}

} // namespace

const uint8_t* LeftBandTable()
{
    static const Table table = MakeTable(0, &HalfBandY);
    return table.data();
}

const uint8_t* RightBandTable()
{
    static const Table table = MakeTable(kHalfBand, &HalfBandY);
    return table.data();
}

const uint8_t* MonoTable()
{
    static const Table table = MakeTable(0, &FullBandY);
    return table.data();
}

} // namespace brimsel
