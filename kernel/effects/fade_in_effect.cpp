#include "effects/fade_in_effect.h"

#include "effects/sample_io.h"

#include <cmath>

bool CFadeInEffect::SetRange(int64_t from, int64_t to)
{
    if (to <= from)
        return false;
    m_from = from;
    m_to = to;
    m_rangeBytes = rangeBytes(from, to) / 4 * 4;
    return true;
}

bool CFadeInEffect::Process(uint8_t* buffer, int64_t byteCount)
{
    if (!buffer || byteCount < 1 || m_rangeBytes <= 0)
        return false;
    const int64_t N = m_rangeBytes;
    if (m_curve == 0 && effects::LinearRamp(buffer, byteCount, m_processed, N, false)) {
        m_processed += byteCount;
        return true;
    }
    const long double logN = std::log10(static_cast<long double>(N));
    for (int64_t i = 0; i + 1 < byteCount; i += 2) {
        const int64_t q = m_processed + i;
        const int64_t s = effects::SampleAt(buffer + i);
        if (m_curve == 0)
            effects::StoreSample(buffer + i, q * s / N);
        else
            effects::StoreSample(
                buffer + i,
                q == 0 || logN == 0
                    ? 0
                    : effects::Truncate(std::log10(static_cast<long double>(q)) / logN * s));
    }
    m_processed += byteCount;
    return true;
}
