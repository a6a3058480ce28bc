#include "plugins/plugin_info.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/port-props/port-props.h>
#include <lv2/presets/presets.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kernel {

const std::vector<std::string>& HostFeatures()
{
    static const std::vector<std::string> kFeatures = {
        LV2_URID__map,
        LV2_URID__unmap,
        LV2_OPTIONS__options,
        LV2_BUF_SIZE__boundedBlockLength,
        LV2_BUF_SIZE__fixedBlockLength,
        LV2_BUF_SIZE__powerOf2BlockLength,
        LV2_LOG__log,
        LV2_WORKER__schedule,
        LV2_CORE__isLive,
        "http://lv2plug.in/ns/lv2core#hardRTCapable",
        "http://lv2plug.in/ns/lv2core#inPlaceBroken",
    };
    return kFeatures;
}

namespace {

// A lilv node freed when it goes out of scope.
struct Node {
    explicit Node(LilvNode* n) : node(n) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    LilvNode* node;
};

std::string text(const LilvNode* node)
{
    if (!node)
        return {};
    const char* s = lilv_node_as_string(node);
    return s ? s : "";
}

std::string number(float value)
{
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : "0";
}

} // namespace

struct CPluginWorld::Nodes {
    explicit Nodes(LilvWorld* w)
        : audio(lilv_new_uri(w, LV2_CORE__AudioPort)),
          control(lilv_new_uri(w, LV2_CORE__ControlPort)),
          input(lilv_new_uri(w, LV2_CORE__InputPort)),
          output(lilv_new_uri(w, LV2_CORE__OutputPort)),
          toggled(lilv_new_uri(w, LV2_CORE__toggled)), integer(lilv_new_uri(w, LV2_CORE__integer)),
          enumeration(lilv_new_uri(w, LV2_CORE__enumeration)),
          logarithmic(lilv_new_uri(w, LV2_PORT_PROPS__logarithmic)),
          optional(lilv_new_uri(w, LV2_CORE__connectionOptional)),
          reportsLatency(lilv_new_uri(w, LV2_CORE__reportsLatency)),
          latency(lilv_new_uri(w, LV2_CORE__latency)), preset(lilv_new_uri(w, LV2_PRESETS__Preset)),
          port(lilv_new_uri(w, LV2_CORE__port)), symbol(lilv_new_uri(w, LV2_CORE__symbol)),
          value(lilv_new_uri(w, LV2_PRESETS__value)),
          label(lilv_new_uri(w, "http://www.w3.org/2000/01/rdf-schema#label")),
          atom(lilv_new_uri(w, LV2_ATOM__AtomPort)), cv(lilv_new_uri(w, LV2_CORE__CVPort))
    {
    }
    ~Nodes()
    {
        for (LilvNode* n :
             {audio, control, input, output, toggled, integer, enumeration, logarithmic, optional,
              reportsLatency, latency, preset, port, symbol, value, label, atom, cv})
            lilv_node_free(n);
    }
    LilvNode *audio, *control, *input, *output, *toggled, *integer, *enumeration, *logarithmic,
        *optional, *reportsLatency, *latency, *preset, *port, *symbol, *value, *label, *atom, *cv;
};

CPluginWorld::CPluginWorld()
{
    LilvWorld* world = lilv_world_new();
    lilv_world_load_all(world);
    m_world = world;
    m_nodes = new Nodes(world);
}

CPluginWorld::~CPluginWorld()
{
    delete m_nodes;
    lilv_world_free(static_cast<LilvWorld*>(m_world));
}

const void* CPluginWorld::Plugin(const std::string& uri) const
{
    auto* world = static_cast<LilvWorld*>(m_world);
    Node node(lilv_new_uri(world, uri.c_str()));
    if (!node.node)
        return nullptr;
    return lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), node.node);
}

PluginInfo CPluginWorld::describe(const void* opaque) const
{
    const auto* plugin = static_cast<const LilvPlugin*>(opaque);
    const Nodes& n = *m_nodes;
    PluginInfo info;
    info.uri = text(lilv_plugin_get_uri(plugin));
    {
        Node name(lilv_plugin_get_name(plugin));
        info.name = name.node ? text(name.node) : info.uri;
    }
    // Classes are named "Amplifier", "Amplifier Plugin" or "Comb FilterPlugin"
    // depending on where their label comes from; the list groups them by
    // the name without the suffix.
    info.className = text(lilv_plugin_class_get_label(lilv_plugin_get_class(plugin)));
    if (info.className.size() > 6 && info.className.ends_with("Plugin")) {
        info.className.resize(info.className.size() - 6);
        while (!info.className.empty() && info.className.back() == ' ')
            info.className.pop_back();
    }

    const uint32_t count = lilv_plugin_get_num_ports(plugin);
    std::vector<float> mins(count), maxs(count), defs(count);
    lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
    std::string otherPort;
    for (uint32_t i = 0; i < count; ++i) {
        const LilvPort* p = lilv_plugin_get_port_by_index(plugin, i);
        PluginPort port;
        port.index = i;
        port.symbol = text(lilv_port_get_symbol(plugin, p));
        {
            Node name(lilv_port_get_name(plugin, p));
            port.name = name.node ? text(name.node) : port.symbol;
        }
        const bool in = lilv_port_is_a(plugin, p, n.input);
        const bool out = lilv_port_is_a(plugin, p, n.output);
        if (lilv_port_is_a(plugin, p, n.audio))
            port.kind = in ? PluginPort::Kind::AudioIn : PluginPort::Kind::AudioOut;
        else if (lilv_port_is_a(plugin, p, n.control) && (in || out))
            port.kind = in ? PluginPort::Kind::ControlIn : PluginPort::Kind::ControlOut;
        else if (lilv_port_has_property(plugin, p, n.optional))
            port.kind = PluginPort::Kind::Optional;
        else if (otherPort.empty())
            otherPort = "port \"" + port.symbol + "\" " +
                        (lilv_port_is_a(plugin, p, n.atom) ? "takes events such as MIDI"
                         : lilv_port_is_a(plugin, p, n.cv) ? "is a control voltage"
                                                           : "is neither audio nor control");
        port.minimum = std::isnan(mins[i]) ? 0.0f : mins[i];
        port.maximum = std::isnan(maxs[i]) ? 1.0f : maxs[i];
        if (port.maximum < port.minimum)
            std::swap(port.minimum, port.maximum);
        port.defaultValue = std::isnan(defs[i]) ? port.minimum : defs[i];
        port.defaultValue = std::clamp(port.defaultValue, port.minimum, port.maximum);
        port.toggled = lilv_port_has_property(plugin, p, n.toggled);
        port.integer = lilv_port_has_property(plugin, p, n.integer);
        port.enumeration = lilv_port_has_property(plugin, p, n.enumeration);
        port.logarithmic = lilv_port_has_property(plugin, p, n.logarithmic);
        port.reportsLatency =
            port.kind == PluginPort::Kind::ControlOut &&
            (lilv_port_has_property(plugin, p, n.reportsLatency) ||
             lilv_port_has_property(plugin, p, n.latency) || port.symbol == "latency");
        if (port.reportsLatency && info.latencyPort < 0)
            info.latencyPort = static_cast<int>(i);
        if (LilvScalePoints* points = lilv_port_get_scale_points(plugin, p)) {
            LILV_FOREACH(scale_points, it, points)
            {
                const LilvScalePoint* sp = lilv_scale_points_get(points, it);
                port.scalePoints.emplace_back(lilv_node_as_float(lilv_scale_point_get_value(sp)),
                                              text(lilv_scale_point_get_label(sp)));
            }
            lilv_scale_points_free(points);
            std::sort(port.scalePoints.begin(), port.scalePoints.end());
        }
        if (port.kind == PluginPort::Kind::AudioIn)
            ++info.audioIns;
        if (port.kind == PluginPort::Kind::AudioOut)
            ++info.audioOuts;
        info.ports.push_back(std::move(port));
    }

    // The first reason found is the one given.
    if (!otherPort.empty())
        info.unsupported = otherPort;
    else if (info.audioIns < 1 || info.audioIns > 2)
        info.unsupported = std::to_string(info.audioIns) + " audio inputs";
    else if (info.audioOuts < 1 || info.audioOuts > 2)
        info.unsupported = std::to_string(info.audioOuts) + " audio outputs";
    if (info.unsupported.empty()) {
        LilvNodes* required = lilv_plugin_get_required_features(plugin);
        const auto& features = HostFeatures();
        LILV_FOREACH(nodes, it, required)
        {
            const std::string uri = text(lilv_nodes_get(required, it));
            if (std::find(features.begin(), features.end(), uri) == features.end()) {
                info.unsupported = "needs the feature " + uri;
                break;
            }
        }
        lilv_nodes_free(required);
    }
    return info;
}

std::vector<PluginInfo> CPluginWorld::All() const
{
    std::vector<PluginInfo> all;
    const LilvPlugins* plugins = lilv_world_get_all_plugins(static_cast<LilvWorld*>(m_world));
    LILV_FOREACH(plugins, it, plugins)
    all.push_back(describe(lilv_plugins_get(plugins, it)));
    std::sort(all.begin(), all.end(), [](const PluginInfo& a, const PluginInfo& b) {
        return a.name != b.name ? a.name < b.name : a.uri < b.uri;
    });
    return all;
}

bool CPluginWorld::Find(const std::string& uri, PluginInfo& info) const
{
    const void* plugin = Plugin(uri);
    if (!plugin)
        return false;
    info = describe(plugin);
    return true;
}

std::vector<PluginPreset> CPluginWorld::Presets(const std::string& uri) const
{
    std::vector<PluginPreset> presets;
    const auto* plugin = static_cast<const LilvPlugin*>(Plugin(uri));
    if (!plugin)
        return presets;
    auto* world = static_cast<LilvWorld*>(m_world);
    const Nodes& n = *m_nodes;
    LilvNodes* related = lilv_plugin_get_related(plugin, n.preset);
    LILV_FOREACH(nodes, it, related)
    {
        const LilvNode* preset = lilv_nodes_get(related, it);
        lilv_world_load_resource(world, preset);
        PluginPreset entry;
        {
            Node label(lilv_world_get(world, preset, n.label, nullptr));
            entry.name = label.node ? text(label.node) : text(preset);
        }
        LilvNodes* ports = lilv_world_find_nodes(world, preset, n.port, nullptr);
        LILV_FOREACH(nodes, p, ports)
        {
            const LilvNode* port = lilv_nodes_get(ports, p);
            Node symbol(lilv_world_get(world, port, n.symbol, nullptr));
            Node value(lilv_world_get(world, port, n.value, nullptr));
            if (!symbol.node || !value.node || !lilv_node_is_literal(value.node))
                continue;
            if (!entry.controls.empty())
                entry.controls += ';';
            entry.controls += text(symbol.node) + "=" + number(lilv_node_as_float(value.node));
        }
        lilv_nodes_free(ports);
        presets.push_back(std::move(entry));
    }
    lilv_nodes_free(related);
    std::sort(presets.begin(), presets.end(),
              [](const PluginPreset& a, const PluginPreset& b) { return a.name < b.name; });
    return presets;
}

bool ParseControls(const PluginInfo& info, const std::string& textIn, std::vector<float>& values)
{
    values.assign(info.ports.size(), 0.0f);
    for (const PluginPort& port : info.ports)
        values[port.index] = port.defaultValue;
    size_t pos = 0;
    while (pos < textIn.size()) {
        size_t end = textIn.find(';', pos);
        if (end == std::string::npos)
            end = textIn.size();
        const std::string item = textIn.substr(pos, end - pos);
        pos = end + 1;
        if (item.empty())
            continue;
        const size_t eq = item.find('=');
        if (eq == std::string::npos)
            return false;
        const std::string symbol = item.substr(0, eq);
        const char* first = item.c_str() + eq + 1;
        const char* last = item.c_str() + item.size();
        float value = 0;
        auto [ptr, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || ptr != last || !std::isfinite(value))
            return false;
        auto port = std::find_if(info.ports.begin(), info.ports.end(), [&](const PluginPort& p) {
            return p.kind == PluginPort::Kind::ControlIn && p.symbol == symbol;
        });
        if (port == info.ports.end())
            return false;
        // A value written with fewer digits than the float holds still names
        // the port's end.
        const float slack = 1e-5f * std::max(1.0f, std::fabs(port->maximum - port->minimum));
        if (value < port->minimum - slack || value > port->maximum + slack)
            return false;
        values[port->index] = std::clamp(value, port->minimum, port->maximum);
    }
    return true;
}

} // namespace kernel
