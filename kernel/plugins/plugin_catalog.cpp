#include "plugins/plugin_catalog.h"

#include <cstdlib>
#include <memory>
#include <mutex>

namespace kernel {

namespace {

std::mutex g_lock;
std::unique_ptr<CPluginWorld> g_world;
std::string g_path; // LV2_PATH as the world was read with it

// The world, read again when LV2_PATH changed since; call with g_lock held.
CPluginWorld& world()
{
    const char* env = std::getenv("LV2_PATH");
    const std::string path = env ? env : "";
    if (!g_world || path != g_path) {
        g_world.reset();
        g_world = std::make_unique<CPluginWorld>();
        g_path = path;
    }
    return *g_world;
}

} // namespace

std::vector<PluginInfo> AllPlugins()
{
    std::lock_guard g(g_lock);
    return world().All();
}

bool FindPlugin(const std::string& uri, PluginInfo& info)
{
    std::lock_guard g(g_lock);
    return world().Find(uri, info);
}

std::vector<PluginPreset> PluginPresets(const std::string& uri)
{
    std::lock_guard g(g_lock);
    return world().Presets(uri);
}

} // namespace kernel
