#include "effects/volume_effect.h"

#include "effects/sample_io.h"

bool CVolumeEffect::SetVolume(uint32_t factor)
{
    if (factor > 1280)
        return false;
    m_factor = factor;
    return true;
}

bool CVolumeEffect::SetRange(int64_t from, int64_t to)
{
    m_from = from;
    m_to = to;
    m_rangeBytes = rangeBytes(from, to);
    return true;
}

bool CVolumeEffect::Process(uint8_t* buffer, int64_t byteCount)
{
    if (!buffer || byteCount < 1)
        return false;
    const auto factor = static_cast<int32_t>(m_factor);
    effects::MapSamples(buffer, byteCount, [factor](int64_t, int16_t s) {
        return std::clamp((int32_t{s} * factor + 128) >> 8, -32768, 32767);
    });
    m_processed += byteCount;
    return true;
}
