#include "plugins/plugin_preview.h"

#include "common/last_error.h"
#include "track/track.h"
#include "vorlain/platform.h"

#include <algorithm>

namespace kernel {

CPluginPreview::~CPluginPreview()
{
    Stop();
}

bool CPluginPreview::Start(const CTrack& track, int64_t from, int64_t to, const PluginInfo& info,
                           const std::vector<float>& controls)
{
    Stop();
    if (!m_source.Open(track, from, to))
        return false;
    if (m_source.Bytes() < 2 * static_cast<int64_t>(track.m_channels)) {
        SetLastError(0x0E79B002); // nothing to play
        return false;
    }
    if (!m_client.Open(info.uri, track.m_sampleRate, track.m_channels, kBlockFrames))
        return false;
    m_channels = track.m_channels;
    VorlainWaveFormat format{};
    format.formatTag = 1;
    format.channels = static_cast<uint16_t>(m_channels);
    format.samplesPerSec = track.m_sampleRate;
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<uint16_t>(2 * m_channels);
    format.avgBytesPerSec = format.blockAlign * track.m_sampleRate;
    if (VorlainWaveOutOpen(&m_device, nullptr, &format, &CPluginPreview::onBlockDone, this) !=
        VORLAIN_WAVE_OK) {
        m_device = nullptr;
        m_client.Close();
        SetLastError(0x0E40B001); // as a play without an output device
        return false;
    }
    m_buffers.assign(kBlockCount, std::vector<int16_t>(kBlockFrames * m_channels));
    m_headers.assign(kBlockCount, VorlainWaveHeader{});
    for (int k = 0; k < kBlockCount; ++k) {
        m_headers[k].data = reinterpret_cast<char*>(m_buffers[k].data());
        m_headers[k].bufferLength = kBlockFrames * 2 * m_channels;
        m_headers[k].user = &m_headers[k];
        VorlainWaveOutPrepareHeader(m_device, &m_headers[k]);
    }
    {
        std::lock_guard g(m_lock);
        m_freeBlocks = kBlockCount;
        m_stop = false;
        m_controls = controls;
        m_controlSerial = 0;
        m_change = {};
    }
    m_read = 0;
    m_failure = 0;
    m_playing = true;
    m_thread = std::thread(&CPluginPreview::loop, this);
    return true;
}

void CPluginPreview::SetControls(const std::vector<float>& controls)
{
    std::lock_guard g(m_lock);
    m_controls = controls;
    ++m_controlSerial;
    m_change = {Clock::now(), {}, false};
}

CPluginPreview::ChangeTimes CPluginPreview::LastChange()
{
    std::lock_guard g(m_lock);
    return m_change;
}

void CPluginPreview::Stop()
{
    {
        std::lock_guard g(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    // A plugin that hangs must not hold the person who pressed Stop.
    if (m_thread.joinable()) {
        m_client.Interrupt();
        m_thread.join();
    }
    if (m_device) {
        VorlainWaveOutClose(m_device); // every queued block comes back first
        m_device = nullptr;
    }
    m_client.Kill();
    m_playing = false;
}

void CPluginPreview::onBlockDone(void* context, VorlainWaveHeader*)
{
    auto* self = static_cast<CPluginPreview*>(context);
    {
        std::lock_guard g(self->m_lock);
        ++self->m_freeBlocks;
    }
    self->m_changed.notify_all();
}

bool CPluginPreview::fillBlock(VorlainWaveHeader& header)
{
    const int64_t frameBytes = 2 * static_cast<int64_t>(m_channels);
    const int64_t total = m_source.Bytes() / frameBytes * frameBytes;
    m_input.resize(static_cast<size_t>(kBlockFrames) * m_channels);
    // The loop: the range read again from its start as it ends.
    for (int64_t done = 0; done < kBlockFrames * frameBytes;) {
        if (m_read >= total)
            m_read = 0;
        const int64_t n = std::min(kBlockFrames * frameBytes - done, total - m_read);
        if (!m_source.Read(m_read, reinterpret_cast<uint8_t*>(m_input.data()) + done, n))
            return false;
        m_read += n;
        done += n;
    }
    fx::SharedSlot& block = m_client.Slot(0);
    std::memcpy(block.pcmIn, m_input.data(), m_input.size() * sizeof(int16_t));
    uint64_t serial;
    {
        std::lock_guard g(m_lock);
        std::copy(m_controls.begin(), m_controls.end(), block.controls);
        serial = m_controlSerial;
    }
    if (!m_client.Run()) {
        std::lock_guard g(m_lock);
        if (!m_stop) // a stop interrupts the run: that is no failure
            m_failure = LastError();
        return false;
    }
    std::memcpy(header.data, block.pcmOut, m_input.size() * sizeof(int16_t));
    if (VorlainWaveOutWrite(m_device, &header) != VORLAIN_WAVE_OK)
        return false;
    std::lock_guard g(m_lock);
    if (serial == m_controlSerial && serial > 0 && !m_change.done) {
        m_change.written = Clock::now();
        m_change.done = true;
    }
    return true;
}

void CPluginPreview::loop()
{
    int next = 0;
    for (;;) {
        {
            std::unique_lock lock(m_lock);
            m_changed.wait(lock, [&] { return m_stop || m_freeBlocks > 0; });
            if (m_stop)
                break;
            --m_freeBlocks;
        }
        if (!fillBlock(m_headers[next])) {
            VorlainOutputDebugString("plugin preview ended: 0x%08x", m_failure.load());
            break;
        }
        next = (next + 1) % kBlockCount;
    }
    m_playing = false;
}

} // namespace kernel
