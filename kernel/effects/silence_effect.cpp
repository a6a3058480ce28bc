#include "effects/silence_effect.h"

#include "effects/sample_io.h"

#include <cstring>

bool CSilenceEffect::SetRange(int64_t from, int64_t to)
{
    if (to <= 0)
        return false;
    m_from = from;
    m_to = to;
    m_rangeBytes = rangeBytes(from, to);
    return true;
}

bool CSilenceEffect::Process(uint8_t* buffer, int64_t byteCount)
{
    if (!buffer || byteCount < 1)
        return false;
    std::memset(buffer, 0, static_cast<size_t>(byteCount));
    m_processed += byteCount;
    return true;
}
