// The helper's side of a plugin: the features the host gives, one or two
// instances of the plugin wired to the track's one or two channels, and one
// fixed-length block run at a time from the shared block.
#pragma once

#include "plugins/fx_protocol.h"
#include "plugins/plugin_info.h"

#include <lilv/lilv.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kernel::fx {

class CLv2Instance {
public:
    CLv2Instance();
    ~CLv2Instance();
    CLv2Instance(const CLv2Instance&) = delete;
    CLv2Instance& operator=(const CLv2Instance&) = delete;

    /** Loads and activates the plugin for a track of channels channels. */
    Status Open(CPluginWorld& world, const std::string& uri, uint32_t sampleRate, uint32_t channels,
                uint32_t blockFrames);
    /** Runs one block of the opened length from shared.pcmIn into
     *  shared.pcmOut with the control values in shared.controls. NotFinite
     *  when the plugin gave NaN or infinite samples. */
    Status Run(SharedSlot& shared);
    /** The latency the plugin reported after the last run, in frames. */
    uint32_t Latency() const;

    // Called by the features' C callbacks.
    LV2_URID Map(const char* uri);
    const char* Unmap(LV2_URID urid) const;
    LV2_Worker_Status ScheduleWork(uint32_t size, const void* data);

private:
    struct Instance {
        LilvInstance* lilv = nullptr;
        std::vector<float> controls; // one per port index
        std::vector<std::vector<float>> outputs;
        const LV2_Worker_Interface* worker = nullptr;
    };
    void close();
    void runWorkerReplies(Instance& instance);
    /** Each channel gets the average of the outputs that fall to it. */
    void mixOutputs(SharedSlot& shared);

    PluginInfo m_info;
    uint32_t m_channels = 0;
    uint32_t m_blockFrames = kBlockFrames;
    bool m_perChannel = false; // a one-input plugin on a stereo track: one instance a channel
    std::vector<Instance> m_instances;
    Instance* m_running = nullptr; // whose run() may schedule work now

    std::unordered_map<std::string, LV2_URID> m_ids;
    std::vector<std::string> m_uris;
    LV2_URID_Map m_map{};
    LV2_URID_Unmap m_unmap{};
    LV2_Log_Log m_log{};
    LV2_Worker_Schedule m_schedule{};
    int32_t m_minBlock = 1;
    int32_t m_maxBlock = static_cast<int32_t>(kBlockFrames);
    int32_t m_nominalBlock = static_cast<int32_t>(kBlockFrames);
    float m_sampleRate = 44100;
    std::vector<LV2_Options_Option> m_options;
    std::vector<LV2_Feature> m_featureStore;
    std::vector<const LV2_Feature*> m_features;
    std::vector<std::vector<uint8_t>> m_workReplies;
};

} // namespace kernel::fx
