// What the host knows of an installed LV2 plugin before it loads any code:
// its ports, their ranges and properties, whether the host can run it, and
// its presets. Read from the plugins' Turtle data through lilv; shared by
// the kernel (lists, dialogs, checking controls) and the helper process.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kernel {

struct PluginPort {
    enum class Kind { AudioIn, AudioOut, ControlIn, ControlOut, Optional, Other };
    uint32_t index = 0;
    Kind kind = Kind::Other;
    std::string symbol;
    std::string name;
    float minimum = 0;
    float maximum = 1;
    float defaultValue = 0;
    bool toggled = false;
    bool integer = false;
    bool logarithmic = false;
    bool enumeration = false;
    bool reportsLatency = false;
    std::vector<std::pair<float, std::string>> scalePoints;
};

struct PluginInfo {
    std::string uri;
    std::string name;
    std::string className;
    uint32_t audioIns = 0;
    uint32_t audioOuts = 0;
    std::vector<PluginPort> ports;
    /** Why the host cannot run it; empty when it can. */
    std::string unsupported;
    /** The port of the latency the plugin reports; -1 when none. */
    int latencyPort = -1;
};

struct PluginPreset {
    std::string name;
    /** Control values as "symbol=value;symbol=value" (C locale). */
    std::string controls;
};

/** The LV2 features the helper gives a plugin. A plugin that requires any
 *  other is listed as unsupported. */
const std::vector<std::string>& HostFeatures();

/** One lilv world over every installed bundle (LV2_PATH, or the system's
 *  default folders). Not thread-safe: the kernel holds one behind a lock. */
class CPluginWorld {
public:
    CPluginWorld();
    ~CPluginWorld();
    CPluginWorld(const CPluginWorld&) = delete;
    CPluginWorld& operator=(const CPluginWorld&) = delete;

    /** Every plugin found, usable or not, sorted by name. */
    std::vector<PluginInfo> All() const;
    /** The plugin of that URI; false when none is installed. */
    bool Find(const std::string& uri, PluginInfo& info) const;
    std::vector<PluginPreset> Presets(const std::string& uri) const;

    /** The lilv objects, for the helper that instantiates them. */
    void* World() const { return m_world; }
    const void* Plugin(const std::string& uri) const;

private:
    PluginInfo describe(const void* plugin) const;

    struct Nodes;
    void* m_world = nullptr;
    Nodes* m_nodes = nullptr;
};

/** Parses "symbol=value;..." against the plugin's control inputs into one
 *  value per port index (defaults where not named). false for an unknown
 *  symbol, a value that is not a number, or one outside the port's range. */
bool ParseControls(const PluginInfo& info, const std::string& text, std::vector<float>& values);

} // namespace kernel
