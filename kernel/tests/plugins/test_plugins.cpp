// LV2 plugins that misbehave on purpose, and two that are exact enough to
// check the host's wiring: the helper must survive none of the first three
// taking the editor with it.
//   crash    run() dies of a trap
//   hang     run() never returns
//   nan      run() writes NaN
//   latency  a mono delay of 1000 frames that reports it as its latency
//   swap     stereo: out L = in R, out R = in L / 2
#include <lv2/core/lv2.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr uint32_t kDelay = 1000;

struct Plugin {
    const float* in[2] = {nullptr, nullptr};
    float* out[2] = {nullptr, nullptr};
    float* latency = nullptr;
    float line[kDelay] = {};
    uint32_t at = 0;
    int kind = 0;
};

LV2_Handle instantiate(const LV2_Descriptor* descriptor, double, const char*,
                       const LV2_Feature* const*)
{
    auto* p = new Plugin;
    const char* uri = descriptor->URI;
    p->kind = std::strstr(uri, "crash")     ? 0
              : std::strstr(uri, "hang")    ? 1
              : std::strstr(uri, "nan")     ? 2
              : std::strstr(uri, "latency") ? 3
                                            : 4;
    return p;
}

// Ports: mono plugins 0 in, 1 out, 2 control (gain or latency out);
// the stereo one 0, 1 in and 2, 3 out.
void connect(LV2_Handle handle, uint32_t port, void* data)
{
    auto* p = static_cast<Plugin*>(handle);
    if (p->kind == 4) {
        if (port < 2)
            p->in[port] = static_cast<const float*>(data);
        else if (port < 4)
            p->out[port - 2] = static_cast<float*>(data);
        return;
    }
    if (port == 0)
        p->in[0] = static_cast<const float*>(data);
    else if (port == 1)
        p->out[0] = static_cast<float*>(data);
    else if (port == 2)
        p->latency = static_cast<float*>(data);
}

void run(LV2_Handle handle, uint32_t frames)
{
    auto* p = static_cast<Plugin*>(handle);
    switch (p->kind) {
    case 0:
        __builtin_trap();
    case 1:
        for (;;)
            pause();
    case 2:
        for (uint32_t i = 0; i < frames; ++i)
            p->out[0][i] = i == frames / 2 ? NAN : p->in[0][i];
        break;
    case 3:
        for (uint32_t i = 0; i < frames; ++i) {
            const float x = p->in[0][i];
            p->out[0][i] = p->line[p->at];
            p->line[p->at] = x;
            p->at = (p->at + 1) % kDelay;
        }
        if (p->latency)
            *p->latency = kDelay;
        break;
    default:
        for (uint32_t i = 0; i < frames; ++i) {
            const float left = p->in[0][i], right = p->in[1][i];
            p->out[0][i] = right;
            p->out[1][i] = left * 0.5f;
        }
        break;
    }
}

void cleanup(LV2_Handle handle)
{
    delete static_cast<Plugin*>(handle);
}

const LV2_Descriptor kDescriptors[] = {
    {"urn:vorlain:test:crash", instantiate, connect, nullptr, run, nullptr, cleanup, nullptr},
    {"urn:vorlain:test:hang", instantiate, connect, nullptr, run, nullptr, cleanup, nullptr},
    {"urn:vorlain:test:nan", instantiate, connect, nullptr, run, nullptr, cleanup, nullptr},
    {"urn:vorlain:test:latency", instantiate, connect, nullptr, run, nullptr, cleanup, nullptr},
    {"urn:vorlain:test:swap", instantiate, connect, nullptr, run, nullptr, cleanup, nullptr},
};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index < sizeof kDescriptors / sizeof kDescriptors[0] ? &kDescriptors[index] : nullptr;
}
