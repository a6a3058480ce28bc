// The process's one view of the installed LV2 plugins, read on first use and
// again when LV2_PATH changes. Every call takes the lock lilv needs.
#pragma once

#include "plugins/plugin_info.h"

#include <string>
#include <vector>

namespace kernel {

std::vector<PluginInfo> AllPlugins();
/** false when no plugin of that URI is installed. */
bool FindPlugin(const std::string& uri, PluginInfo& info);
std::vector<PluginPreset> PluginPresets(const std::string& uri);

} // namespace kernel
