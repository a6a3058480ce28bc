#include "plugins/plugin_effect.h"

#include "track/track.h"

#include <algorithm>
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

bool CPluginEffect::submit(uint32_t slot)
{
    const uint32_t channels = m_channels;
    const uint32_t frames = m_client.BlockFrames();
    const int64_t frameBytes = 2 * static_cast<int64_t>(channels);
    const int64_t available = std::max<int64_t>(0, m_source.Bytes() - m_read) / frameBytes;
    const auto take = static_cast<uint32_t>(std::min<int64_t>(available, frames));
    // The file's bytes go straight into the shared block.
    fx::SharedSlot& block = m_client.Slot(slot);
    if (take > 0 &&
        !m_source.Read(m_read, reinterpret_cast<uint8_t*>(block.pcmIn), take * frameBytes))
        return false;
    m_read += take * frameBytes;
    std::fill(block.pcmIn + static_cast<size_t>(take) * channels,
              block.pcmIn + static_cast<size_t>(frames) * channels, int16_t{0});
    std::copy(m_controls.begin(), m_controls.end(), block.controls);
    return m_client.Submit(slot);
}

bool CPluginEffect::runBlock()
{
    // Two blocks in flight: the next one is read and handed over before the
    // output of this one is taken, so the helper runs the plugin while this
    // process converts. Past the range's end the plugin gets silence, which
    // flushes what its latency holds back.
    if (!m_started) {
        if (!submit(m_next))
            return false;
        m_started = true;
    }
    const uint32_t ready = m_next;
    m_next = (m_next + 1) % fx::kSlots;
    if (!submit(m_next) || !m_client.Collect())
        return false;

    const uint32_t channels = m_channels;
    const uint32_t frames = m_client.BlockFrames();
    if (m_discard < 0) {
        // The latency is known once the plugin has run; a figure past ten
        // seconds is not believed.
        const uint32_t latency = m_client.Latency();
        m_discard = latency <= 10 * m_sampleRate ? latency : 0;
    }
    const auto first = static_cast<uint32_t>(std::min<int64_t>(m_discard, frames));
    m_discard -= first;

    // What is left of the queue moves to its front; the new block follows.
    const size_t left = m_tail - m_head;
    const size_t added = static_cast<size_t>(frames - first) * channels;
    if (m_head > 0) {
        std::memmove(m_queue.data(), m_queue.data() + m_head, left * sizeof(int16_t));
        m_head = 0;
        m_tail = left;
    }
    if (m_queue.size() < m_tail + added)
        m_queue.resize(m_tail + added);
    const fx::SharedSlot& block = m_client.Slot(ready);
    std::memcpy(m_queue.data() + m_tail, block.pcmOut + static_cast<size_t>(first) * channels,
                added * sizeof(int16_t));
    m_tail += added;
    return true;
}

bool CPluginEffect::Process(uint8_t* buffer, int64_t byteCount)
{
    const auto samples = static_cast<size_t>(byteCount / 2);
    if (!buffer || byteCount < 0 || byteCount % 2 != 0) {
        m_failed = true;
        return false;
    }
    while (m_tail - m_head < samples) {
        if (!runBlock()) {
            m_failed = true;
            return false;
        }
    }
    std::memcpy(buffer, m_queue.data() + m_head, samples * 2);
    m_head += samples;
    return true;
}
