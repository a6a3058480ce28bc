#include "plugins/fx_host/lv2_instance.h"

#include "plugins/sample_convert.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/parameters/parameters.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace kernel::fx {

namespace {

LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    return static_cast<CLv2Instance*>(handle)->Map(uri);
}

const char* unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid)
{
    return static_cast<CLv2Instance*>(handle)->Unmap(urid);
}

int logPrintf(LV2_Log_Handle, LV2_URID, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = std::vfprintf(stderr, format, args);
    va_end(args);
    return n;
}

int logVprintf(LV2_Log_Handle, LV2_URID, const char* format, va_list args)
{
    return std::vfprintf(stderr, format, args);
}

LV2_Worker_Status scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data)
{
    return static_cast<CLv2Instance*>(handle)->ScheduleWork(size, data);
}

LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
{
    auto* replies = static_cast<std::vector<std::vector<uint8_t>>*>(handle);
    const auto* bytes = static_cast<const uint8_t*>(data);
    replies->emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
}

} // namespace

CLv2Instance::CLv2Instance()
{
    m_map = {this, mapUri};
    m_unmap = {this, unmapUri};
    m_log = {this, logPrintf, logVprintf};
    m_schedule = {this, scheduleWork};
}

CLv2Instance::~CLv2Instance()
{
    close();
}

void CLv2Instance::close()
{
    for (Instance& i : m_instances) {
        lilv_instance_deactivate(i.lilv);
        lilv_instance_free(i.lilv);
    }
    m_instances.clear();
}

LV2_URID CLv2Instance::Map(const char* uri)
{
    auto [it, added] = m_ids.try_emplace(uri, static_cast<LV2_URID>(m_uris.size() + 1));
    if (added)
        m_uris.emplace_back(uri);
    return it->second;
}

const char* CLv2Instance::Unmap(LV2_URID urid) const
{
    return urid >= 1 && urid <= m_uris.size() ? m_uris[urid - 1].c_str() : nullptr;
}

LV2_Worker_Status CLv2Instance::ScheduleWork(uint32_t size, const void* data)
{
    // Rendering is not real time, so the work is done at once, in the
    // plugin's own run(); its replies are delivered when run() returns.
    if (!m_running || !m_running->worker || !m_running->worker->work)
        return LV2_WORKER_ERR_UNKNOWN;
    return m_running->worker->work(lilv_instance_get_handle(m_running->lilv), respond,
                                   &m_workReplies, size, data);
}

void CLv2Instance::runWorkerReplies(Instance& instance)
{
    if (!instance.worker)
        return;
    for (const auto& reply : m_workReplies)
        if (instance.worker->work_response)
            instance.worker->work_response(lilv_instance_get_handle(instance.lilv),
                                           static_cast<uint32_t>(reply.size()), reply.data());
    m_workReplies.clear();
    if (instance.worker->end_run)
        instance.worker->end_run(lilv_instance_get_handle(instance.lilv));
}

Status CLv2Instance::Open(CPluginWorld& world, const std::string& uri, uint32_t sampleRate,
                          uint32_t channels, uint32_t blockFrames)
{
    close();
    if (!world.Find(uri, m_info))
        return Status::NoPlugin;
    if (!m_info.unsupported.empty() || channels < 1 || channels > kMaxChannels)
        return Status::Unsupported;
    if (blockFrames < 1 || blockFrames > kBlockFrames || (blockFrames & (blockFrames - 1)))
        return Status::Unsupported;
    m_channels = channels;
    m_blockFrames = blockFrames;
    m_minBlock = m_maxBlock = m_nominalBlock = static_cast<int32_t>(blockFrames);
    m_perChannel = channels == 2 && m_info.audioIns == 1;
    m_sampleRate = static_cast<float>(sampleRate);

    const LV2_URID atomInt = Map(LV2_ATOM__Int);
    m_options = {
        {LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__minBlockLength), sizeof(int32_t), atomInt,
         &m_minBlock},
        {LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), atomInt,
         &m_maxBlock},
        {LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__nominalBlockLength), sizeof(int32_t), atomInt,
         &m_nominalBlock},
        {LV2_OPTIONS_INSTANCE, 0, Map(LV2_PARAMETERS__sampleRate), sizeof(float),
         Map(LV2_ATOM__Float), &m_sampleRate},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    m_featureStore = {
        {LV2_URID__map, &m_map},
        {LV2_URID__unmap, &m_unmap},
        {LV2_OPTIONS__options, m_options.data()},
        {LV2_BUF_SIZE__boundedBlockLength, nullptr},
        {LV2_BUF_SIZE__fixedBlockLength, nullptr},
        {LV2_BUF_SIZE__powerOf2BlockLength, nullptr},
        {LV2_LOG__log, &m_log},
        {LV2_WORKER__schedule, &m_schedule},
    };
    m_features.clear();
    for (const LV2_Feature& f : m_featureStore)
        m_features.push_back(&f);
    m_features.push_back(nullptr);

    const auto* plugin = static_cast<const LilvPlugin*>(world.Plugin(uri));
    const size_t count = m_perChannel ? 2 : 1;
    for (size_t k = 0; k < count; ++k) {
        Instance instance;
        instance.lilv = lilv_plugin_instantiate(plugin, sampleRate, m_features.data());
        if (!instance.lilv) {
            close();
            return Status::NoInstance;
        }
        instance.controls.assign(m_info.ports.size(), 0.0f);
        instance.outputs.assign(m_info.audioOuts, std::vector<float>(kBlockFrames));
        instance.worker = static_cast<const LV2_Worker_Interface*>(
            lilv_instance_get_extension_data(instance.lilv, LV2_WORKER__interface));
        uint32_t out = 0;
        for (const PluginPort& port : m_info.ports) {
            void* buffer = nullptr;
            switch (port.kind) {
            case PluginPort::Kind::ControlIn:
            case PluginPort::Kind::ControlOut:
                instance.controls[port.index] = port.defaultValue;
                buffer = &instance.controls[port.index];
                break;
            case PluginPort::Kind::AudioOut:
                buffer = instance.outputs[out++].data();
                break;
            default:
                break; // audio inputs are connected at each run; optional ports stay unconnected
            }
            lilv_instance_connect_port(instance.lilv, port.index, buffer);
        }
        lilv_instance_activate(instance.lilv);
        m_instances.push_back(std::move(instance));
    }
    return Status::Ok;
}

Status CLv2Instance::Run(SharedSlot& shared)
{
    if (m_instances.empty())
        return Status::NotOpen;
    float* const rows[2] = {shared.input[0], shared.input[1]};
    Deinterleave(shared.pcmIn, m_channels, m_blockFrames, rows);
    // Where each output of a plugin is the one source of a channel, the
    // plugin writes into the shared block itself.
    const uint32_t outs = m_info.audioOuts;
    const bool direct = m_perChannel ? outs == 1 : outs == m_channels;
    for (size_t k = 0; k < m_instances.size(); ++k) {
        Instance& instance = m_instances[k];
        uint32_t in = 0;
        uint32_t out = 0;
        for (const PluginPort& port : m_info.ports) {
            if (port.kind == PluginPort::Kind::ControlIn)
                instance.controls[port.index] = shared.controls[port.index];
            if (port.kind == PluginPort::Kind::AudioIn) {
                // One instance per channel takes its channel; a single
                // instance takes the channels in turn (a mono track's twice).
                const uint32_t channel = m_perChannel ? static_cast<uint32_t>(k) : in % m_channels;
                lilv_instance_connect_port(instance.lilv, port.index, shared.input[channel]);
                ++in;
            }
            if (port.kind == PluginPort::Kind::AudioOut) {
                float* target =
                    direct ? shared.output[m_perChannel ? k : out] : instance.outputs[out].data();
                lilv_instance_connect_port(instance.lilv, port.index, target);
                ++out;
            }
        }
        m_running = &instance;
        lilv_instance_run(instance.lilv, m_blockFrames);
        m_running = nullptr;
        runWorkerReplies(instance);
    }
    if (!direct)
        mixOutputs(shared);
    for (uint32_t c = 0; c < m_channels; ++c)
        if (!AllFinite(shared.output[c], m_blockFrames))
            return Status::NotFinite;
    const float* const outputs[2] = {shared.output[0], shared.output[1]};
    Interleave(outputs, m_channels, m_blockFrames, shared.pcmOut);
    return Status::Ok;
}

void CLv2Instance::mixOutputs(SharedSlot& shared)
{
    // Output o goes to channel o mod channels.
    const uint32_t outs = m_info.audioOuts;
    for (uint32_t c = 0; c < m_channels; ++c) {
        const Instance& instance = m_instances[m_perChannel ? c : 0];
        std::vector<const float*> sources;
        for (uint32_t o = 0; o < outs; ++o)
            if (m_perChannel || o % m_channels == c)
                sources.push_back(instance.outputs[o].data());
        if (sources.empty())
            sources.push_back(instance.outputs[c % outs].data());
        float* target = shared.output[c];
        if (sources.size() == 1) {
            std::memcpy(target, sources[0], m_blockFrames * sizeof(float));
            continue;
        }
        const float scale = 1.0f / static_cast<float>(sources.size());
        for (uint32_t i = 0; i < m_blockFrames; ++i) {
            float sum = 0;
            for (const float* s : sources)
                sum += s[i];
            target[i] = sum * scale;
        }
    }
}

uint32_t CLv2Instance::Latency() const
{
    if (m_instances.empty() || m_info.latencyPort < 0)
        return 0;
    const float value = m_instances[0].controls[static_cast<size_t>(m_info.latencyPort)];
    return value > 0 && value < 1e7f ? static_cast<uint32_t>(value + 0.5f) : 0;
}

} // namespace kernel::fx
