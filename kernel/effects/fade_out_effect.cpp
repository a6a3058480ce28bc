#include "effects/fade_out_effect.h"

#include "effects/sample_io.h"

#include <cmath>

bool CFadeOutEffect::SetRange(int64_t from, int64_t to)
{
    m_from = from;
    m_to = to;
    m_rangeBytes = rangeBytes(from, to);
    return true;
}

bool CFadeOutEffect::Process(uint8_t* buffer, int64_t byteCount)
{
    if (!buffer || byteCount < 1 || m_rangeBytes <= 0)
        return false;
    const int64_t N = m_rangeBytes;
    if (m_curve == 0 && effects::LinearRamp(buffer, byteCount, m_processed, N, true)) {
        m_processed += byteCount;
        return true;
    }
    const long double lnN = std::log(static_cast<long double>(N));
    for (int64_t i = 0; i + 1 < byteCount; i += 2) {
        const int64_t q = m_processed + i;
        const int64_t s = effects::SampleAt(buffer + i);
        if (m_curve == 0)
            effects::StoreSample(buffer + i, (N - q) * s / N);
        else
            effects::StoreSample(
                buffer + i,
                N - q <= 0 || lnN == 0
                    ? 0
                    : effects::Truncate(std::log(static_cast<long double>(N - q)) * s / lnN));
    }
    m_processed += byteCount;
    return true;
}
