// Live preview of a plugin: a stretch of the track played in a loop through
// the plugin in the helper, straight to the output device in short blocks,
// so that a control moved while it plays is heard within a few blocks.
#pragma once

#include "effects/range_source.h"
#include "plugins/fx_host_client.h"
#include "plugins/plugin_info.h"
#include "vorlain/waveout.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CTrack;

namespace kernel {

class CPluginPreview {
public:
    /** Frames of one plugin run and one output block. */
    static constexpr uint32_t kBlockFrames = 512;
    /** Output blocks queued at the device: what is heard lags the plugin by
     *  at most this many blocks (70 ms at 44.1 kHz). */
    static constexpr int kBlockCount = 6;

    using Clock = std::chrono::steady_clock;

    CPluginPreview() = default;
    ~CPluginPreview();
    CPluginPreview(const CPluginPreview&) = delete;
    CPluginPreview& operator=(const CPluginPreview&) = delete;

    /** Starts the helper, the device and the loop over [from, to) of the
     *  track. false with the last error set. */
    bool Start(const CTrack& track, int64_t from, int64_t to, const PluginInfo& info,
               const std::vector<float>& controls);
    /** New control values for the next run. */
    void SetControls(const std::vector<float>& controls);
    /** Ends the loop and closes the device; harmless when stopped. */
    void Stop();
    /** Whether the loop still plays. */
    bool Playing() const { return m_playing.load(); }
    /** The code the loop ended with (a plugin failure), 0 when none. */
    uint32_t Failure() const { return m_failure.load(); }

    /** When the last SetControls came, and when the first block run with
     *  those values was written to the device (the time a person waits to
     *  hear a change, less the device's own queue). */
    struct ChangeTimes {
        Clock::time_point changed;
        Clock::time_point written;
        bool done = false;
    };
    ChangeTimes LastChange();

private:
    static void onBlockDone(void* context, VorlainWaveHeader* header);
    void loop();
    bool fillBlock(VorlainWaveHeader& header);

    CRangeSource m_source;
    CFxHostClient m_client;
    VorlainWaveOut* m_device = nullptr;
    uint32_t m_channels = 0;
    int64_t m_read = 0;

    std::vector<int16_t> m_input;
    std::vector<std::vector<int16_t>> m_buffers;
    std::vector<VorlainWaveHeader> m_headers;

    std::mutex m_lock; // guards what follows
    std::condition_variable m_changed;
    int m_freeBlocks = 0;
    bool m_stop = false;
    std::vector<float> m_controls;
    uint64_t m_controlSerial = 0;
    ChangeTimes m_change;

    std::atomic<bool> m_playing{false};
    std::atomic<uint32_t> m_failure{0};
    std::thread m_thread;
};

} // namespace kernel
