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
    for (int64_t i = 0; i + 1 < byteCount; i += 2) {
        const int32_t v = (effects::SampleAt(buffer + i) * factor + 128) >> 8;
        effects::StoreSample(buffer + i, effects::Clamp16(v));
    }
    m_processed += byteCount;
    return true;
}
