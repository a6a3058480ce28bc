#include "effects/normalize_effect.h"

#include "common/stop.h"
#include "effects/range_source.h"
#include "effects/sample_io.h"

#include <ebur128.h>

#include <bit>
#include <cmath>
#include <vector>

bool CNormalizeEffect::Measure(const CTrack& track, int64_t from, int64_t to, int32_t peakMilliDb)
{
    kernel::CRangeSource source;
    if (!source.Open(track, from, to))
        return false;
    std::vector<uint8_t> block(256 * 1024);
    int32_t peak = 0;
    for (int64_t at = 0; at < source.Bytes();) {
        if (kernel::StopRequested())
            return false;
        const int64_t n =
            std::min<int64_t>(static_cast<int64_t>(block.size()), source.Bytes() - at);
        if (!source.Read(at, block.data(), n))
            return false;
        alignas(32) int16_t chunk[effects::kChunkSamples];
        for (int64_t first = 0; first < n / 2; first += effects::kChunkSamples) {
            const int64_t count = std::min(effects::kChunkSamples, n / 2 - first);
            effects::LoadChunk(chunk, block.data() + first * 2, count);
            int32_t high = 0;
            for (int k = 0; k < static_cast<int>(effects::kChunkSamples); ++k)
                high = std::max(high, std::abs(int32_t{chunk[k]}));
            peak = std::max(peak, high);
        }
        at += n;
    }
    m_peak = peak;
    const double target = kFullScale * std::pow(10.0, peakMilliDb / 20000.0);
    m_gain = peak > 0 ? target / peak : 1.0;
    return true;
}

bool CNormalizeEffect::MeasureLoudness(const CTrack& track, int64_t from, int64_t to,
                                       int32_t lufsTenths)
{
    kernel::CRangeSource source;
    if (!source.Open(track, from, to))
        return false;
    ebur128_state* meter =
        ebur128_init(m_channels, m_sampleRate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (!meter)
        return false;
    const int64_t frameBytes = 2 * static_cast<int64_t>(m_channels);
    std::vector<int16_t> block(64 * 1024);
    bool ok = true;
    for (int64_t at = 0; ok && at + frameBytes <= source.Bytes();) {
        const int64_t n = std::min<int64_t>(static_cast<int64_t>(block.size()) * 2,
                                            (source.Bytes() - at) / frameBytes * frameBytes);
        ok = !kernel::StopRequested() &&
             source.Read(at, reinterpret_cast<uint8_t*>(block.data()), n);
        if (ok) {
            if constexpr (std::endian::native == std::endian::big)
                for (int64_t k = 0; k < n / 2; ++k)
                    block[static_cast<size_t>(k)] =
                        effects::swapBytes(block[static_cast<size_t>(k)]);
            ok = ebur128_add_frames_short(meter, block.data(),
                                          static_cast<size_t>(n / frameBytes)) == EBUR128_SUCCESS;
        }
        at += n;
    }
    double loudness = -HUGE_VAL;
    double truePeak = 0;
    if (ok) {
        ebur128_loudness_global(meter, &loudness);
        for (uint32_t ch = 0; ch < m_channels; ++ch) {
            double peak = 0;
            if (ebur128_true_peak(meter, ch, &peak) == EBUR128_SUCCESS)
                truePeak = std::max(truePeak, peak);
        }
    }
    ebur128_destroy(&meter);
    if (!ok)
        return false;
    m_loudness = loudness;
    m_truePeak = truePeak;
    m_gain = 1.0;
    if (std::isfinite(loudness) && truePeak > 0) {
        const double ceiling = std::pow(10.0, -1.0 / 20); // -1 dBTP
        m_gain = std::min(std::pow(10.0, (lufsTenths / 10.0 - loudness) / 20), ceiling / truePeak);
    }
    return true;
}

bool CNormalizeEffect::SetRange(int64_t from, int64_t to)
{
    if (to <= from)
        return false;
    m_from = from;
    m_to = to;
    m_rangeBytes = rangeBytes(from, to);
    return true;
}

bool CNormalizeEffect::Process(uint8_t* buffer, int64_t byteCount)
{
    if (!buffer || byteCount < 1)
        return false;
    const double gain = m_gain;
    effects::MapSamples(buffer, byteCount, [gain](int64_t, int16_t s) {
        const double v = s * gain;
        // Half away from zero, within 32 bits: the clamp comes after.
        const double r = std::clamp(v + (v >= 0 ? 0.5 : -0.5), -65536.0, 65536.0);
        return std::clamp(static_cast<int32_t>(r), -32768, 32767);
    });
    m_processed += byteCount;
    return true;
}
