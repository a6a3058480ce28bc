#include "plugins/plugin_effect.h"

#include "track/track.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace kernel;

bool CPluginEffect::Open(const CTrack& track, int64_t from, int64_t to, const PluginInfo& info,
                         const std::vector<float>& controls)
{
    if (!m_source.Open(track, from, to))
        return false;
    if (!m_client.Open(info.uri, track.m_sampleRate, track.m_channels, fx::kBlockFrames))
        return false;
    m_controls = controls;
    return true;
}

bool CPluginEffect::SetRange(int64_t from, int64_t to)
{
    if (to <= from)
        return false;
    m_from = from;
    m_to = to;
    m_rangeBytes = m_source.Bytes();
    return true;
}

bool CPluginEffect::runBlock()
{
    const uint32_t channels = m_channels;
    const uint32_t frames = m_client.BlockFrames();
    const int64_t frameBytes = 2 * static_cast<int64_t>(channels);
    const int64_t available = std::max<int64_t>(0, m_source.Bytes() - m_read) / frameBytes;
    const auto take = static_cast<uint32_t>(std::min<int64_t>(available, frames));
    fx::SharedBlock& block = m_client.Block();
    m_input.resize(static_cast<size_t>(frames) * channels);
    if (take > 0 &&
        !m_source.Read(m_read, reinterpret_cast<uint8_t*>(m_input.data()), take * frameBytes))
        return false;
    m_read += take * frameBytes;
    for (uint32_t c = 0; c < channels; ++c) {
        float* in = block.input[c];
        for (uint32_t i = 0; i < take; ++i)
            in[i] = static_cast<float>(m_input[i * channels + c]) * (1.0f / 32768.0f);
        std::fill(in + take, in + frames, 0.0f);
    }
    std::copy(m_controls.begin(), m_controls.end(), block.controls);
    if (!m_client.Run())
        return false;

    uint32_t first = 0;
    if (m_discard < 0) {
        // The latency is known once the plugin has run; a figure past ten
        // seconds is not believed.
        const uint32_t latency = m_client.Latency();
        m_discard = latency <= 10 * m_sampleRate ? latency : 0;
    }
    const auto dropped = static_cast<uint32_t>(std::min<int64_t>(m_discard, frames));
    m_discard -= dropped;
    first = dropped;

    if (m_head > 0 && m_head * 2 >= m_queue.size()) {
        m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<ptrdiff_t>(m_head));
        m_head = 0;
    }
    const size_t at = m_queue.size();
    m_queue.resize(at + static_cast<size_t>(frames - first) * channels);
    int16_t* out = m_queue.data() + at;
    for (uint32_t c = 0; c < channels; ++c) {
        const float* o = block.output[c];
        for (uint32_t i = first; i < frames; ++i) {
            const float v = std::clamp(std::nearbyint(o[i] * 32768.0f), -32768.0f, 32767.0f);
            out[(i - first) * channels + c] = static_cast<int16_t>(v);
        }
    }
    return true;
}

bool CPluginEffect::Process(uint8_t* buffer, int64_t byteCount)
{
    const auto samples = static_cast<size_t>(byteCount / 2);
    if (!buffer || byteCount < 0 || byteCount % 2 != 0) {
        m_failed = true;
        return false;
    }
    while (m_queue.size() - m_head < samples) {
        if (!runBlock()) {
            m_failed = true;
            return false;
        }
    }
    std::memcpy(buffer, m_queue.data() + m_head, samples * 2);
    m_head += samples;
    return true;
}
