// An LV2 plugin as a sample effect. The plugin runs in the helper on blocks
// of a fixed length, and its output lags by the latency it reports, so the
// effect reads the range itself, ahead of the engine's blocks, and hands
// each engine block the output that lines up with it.
#pragma once

#include "effects/audio_effect.h"
#include "effects/range_source.h"
#include "plugins/fx_host_client.h"
#include "plugins/plugin_info.h"

#include <vector>

class CTrack;

class CPluginEffect : public CAudioEffect {
public:
    /** Starts the helper with the plugin for the track and reads the range
     *  through a source. false with the last error set. */
    bool Open(const CTrack& track, int64_t from, int64_t to, const kernel::PluginInfo& info,
              const std::vector<float>& controls);
    bool SetRange(int64_t from, int64_t to) override;
    bool Process(uint8_t* buffer, int64_t byteCount) override;

private:
    /** Runs the plugin over the next block of the range (silence past its
     *  end) and queues the output that follows the latency. */
    bool runBlock();
    /** Reads the next block of the range into the slot and asks for its run. */
    bool submit(uint32_t slot);

    kernel::CRangeSource m_source;
    kernel::CFxHostClient m_client;
    std::vector<float> m_controls;
    std::vector<int16_t> m_queue; // output samples [m_head, m_tail) not yet handed out
    size_t m_head = 0;
    size_t m_tail = 0;
    int64_t m_read = 0;     // bytes of the range fed to the plugin
    int64_t m_discard = -1; // output frames still to drop; -1 before the first run
    uint32_t m_next = 0;    // the slot whose run comes back next
    bool m_started = false;
};
