// The kernel's exports for LV2 plugins: the lists the program shows, and a
// plugin run over a range as one undoable action. Thin, as the others: the
// plugin world, the helper and the effect do the work.
#include "vorlain/kestrum.h"

#include "exports_support.h"

#include "effects/effect_engine.h"
#include "history/action_type.h"
#include "history/history.h"
#include "plugins/fx_host_client.h"
#include "plugins/plugin_catalog.h"
#include "plugins/plugin_effect.h"
#include "plugins/plugin_preview.h"
#include "store/free_space.h"
#include "track/track.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>

using namespace kernel;
using namespace kernel::exports;

namespace {

constexpr uint32_t kPluginNoRoom = 0x0E70B007;
constexpr uint32_t kPluginBadRange = 0x0E71B002;
constexpr uint32_t kPluginBadControls = 0x0E73B002;
constexpr uint32_t kPluginNoPreview = 0x0E79B002;

// Copies text and its NUL when it fits; returns the bytes it needs.
int fill(const std::string& text, char* buffer, uint32_t size)
{
    const size_t needed = text.size() + 1;
    if (buffer && size >= needed)
        std::memcpy(buffer, text.c_str(), needed);
    return static_cast<int>(needed);
}

// A field of a tab-separated line: tabs, line ends and the list separators
// inside a name become spaces.
std::string field(std::string text, const char* also = "")
{
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r' || (c != 0 && std::strchr(also, c)))
            c = ' ';
    return text;
}

std::string number(float value)
{
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : "0";
}

// The plugin of uri when the host can run it, and the controls parsed
// against its ports; the failure's code, or 0.
uint32_t usablePlugin(const char* uri, const char* controls, PluginInfo& info,
                      std::vector<float>& values)
{
    if (!uri || !FindPlugin(uri, info) || !info.unsupported.empty())
        return kPluginUnknown;
    if (!ParseControls(info, controls ? controls : "", values))
        return kPluginBadControls;
    return 0;
}

// The plugin of uri, found or not (the last error set then).
bool knownPlugin(const char* uri, PluginInfo& info)
{
    if (uri && FindPlugin(uri, info))
        return true;
    SetLastError(kPluginUnknown);
    return false;
}

} // namespace

KESTRUM_API int Kestrum_GetPluginList(char* buffer, uint32_t size)
{
    std::string text;
    for (const PluginInfo& p : AllPlugins())
        if (p.unsupported.empty())
            text += field(p.uri) + '\t' + field(p.name) + '\t' + field(p.className) + '\t' +
                    std::to_string(p.audioIns) + '\t' + std::to_string(p.audioOuts) + '\n';
    return fill(text, buffer, size);
}

KESTRUM_API int Kestrum_GetUnsupportedPlugins(char* buffer, uint32_t size)
{
    std::string text;
    for (const PluginInfo& p : AllPlugins())
        if (!p.unsupported.empty())
            text += field(p.uri) + '\t' + field(p.name) + '\t' + field(p.unsupported) + '\n';
    return fill(text, buffer, size);
}

KESTRUM_API int Kestrum_GetPluginControls(const char* uri, char* buffer, uint32_t size)
{
    PluginInfo info;
    if (!knownPlugin(uri, info))
        return 0;
    std::string text;
    for (const PluginPort& port : info.ports) {
        if (port.kind != PluginPort::Kind::ControlIn)
            continue;
        std::string flags;
        for (auto [on, name] : {std::pair{port.toggled, "toggled"},
                                {port.integer, "integer"},
                                {port.logarithmic, "logarithmic"},
                                {port.enumeration, "enumeration"}})
            if (on)
                flags += (flags.empty() ? "" : ",") + std::string(name);
        std::string points;
        for (const auto& [value, label] : port.scalePoints)
            points += (points.empty() ? "" : "|") + number(value) + "=" + field(label, "|");
        text += field(port.symbol) + '\t' + field(port.name) + '\t' + number(port.minimum) + '\t' +
                number(port.maximum) + '\t' + number(port.defaultValue) + '\t' +
                (flags.empty() ? "-" : flags) + '\t' + (points.empty() ? "-" : points) + '\n';
    }
    return fill(text, buffer, size);
}

KESTRUM_API int Kestrum_GetPluginPresets(const char* uri, char* buffer, uint32_t size)
{
    PluginInfo info;
    if (!knownPlugin(uri, info))
        return 0;
    std::string text;
    for (const PluginPreset& preset : PluginPresets(uri))
        text += field(preset.name) + '\t' + preset.controls + '\n';
    return fill(text, buffer, size);
}

KESTRUM_API int Kestrum_ApplyPlugin(void* opaque, uint32_t trackId, int64_t from, int64_t to,
                                    const char* uri, const char* controls)
{
    auto* session = static_cast<CEditSession*>(opaque);
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    if (!wholeOrRange(*track, from, to))
        return failWith(kPluginBadRange);
    PluginInfo info;
    std::vector<float> values;
    if (const uint32_t code = usablePlugin(uri, controls, info, values))
        return failWith(code);
    if (!HasRoomFor(*track, session->m_tempFolder))
        return failWith(kPluginNoRoom);

    CEditTransaction txn(*session);
    auto effect = std::make_unique<CPluginEffect>();
    effect->SetChannels(track->m_channels);
    effect->SetSampleRate(track->m_sampleRate);
    const bool ready = effect->Open(*track, from, to, info, values) && effect->SetRange(from, to);
    const bool done = DoEffect(*track, ready ? std::move(effect) : nullptr, {from, to, 0});
    track->m_effect.reset(); // ends the helper now, not at the next effect
    if (!done)
        return 0;
    session->Record(trackId, kActionPlugin, from, to, trackId, from, to);
    session->History().NameCurrent(info.name);
    return txn.Finish(1);
}

// ---- preview -----------------------------------------------------------------

KESTRUM_API int Kestrum_StartPreview(void* opaque, uint32_t trackId, int64_t from, int64_t to,
                                     const char* uri, const char* controls)
{
    auto* session = static_cast<CEditSession*>(opaque);
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    if (session->m_preview)
        session->m_preview->Stop();
    if (from == 0 && to == 0)
        to = std::min<int64_t>(track->CurrentLength(), 10'000'000);
    if (!wholeOrRange(*track, from, to))
        return failWith(kPluginBadRange);
    PluginInfo info;
    std::vector<float> values;
    if (const uint32_t code = usablePlugin(uri, controls, info, values))
        return failWith(code);
    if (!session->m_preview)
        session->m_preview = std::make_unique<CPluginPreview>();
    if (!session->m_preview->Start(*track, from, to, info, values))
        return 0;
    session->m_previewPlugin = info.uri;
    return 1;
}

KESTRUM_API int Kestrum_SetPreviewControls(void* opaque, const char* controls)
{
    auto* session = static_cast<CEditSession*>(opaque);
    if (!session)
        return 0;
    CPluginPreview* preview = session->m_preview.get();
    if (!preview || !preview->Playing()) {
        SetLastError(preview && preview->Failure() ? preview->Failure() : kPluginNoPreview);
        return 0;
    }
    PluginInfo info;
    std::vector<float> values;
    if (!FindPlugin(session->m_previewPlugin, info) ||
        !ParseControls(info, controls ? controls : "", values)) {
        SetLastError(kPluginBadControls);
        return 0;
    }
    preview->SetControls(values);
    return 1;
}

KESTRUM_API int Kestrum_StopPreview(void* opaque)
{
    auto* session = static_cast<CEditSession*>(opaque);
    if (!session)
        return 0;
    if (session->m_preview)
        session->m_preview->Stop();
    return 1;
}

KESTRUM_API int Kestrum_PreviewStatus(void* opaque)
{
    auto* session = static_cast<CEditSession*>(opaque);
    if (!session || !session->m_preview)
        return 0;
    if (session->m_preview->Playing())
        return 1;
    SetLastError(session->m_preview->Failure());
    return 0;
}
