// Loading a plug-in ready to use: its module, its effect made and opened.
#include "HostedPlugin.h"

namespace orke::host {

std::unique_ptr<HostedPlugin> LoadPlugin(const std::string& path, std::string& error) {
    auto plugin = std::make_unique<HostedPlugin>();
    plugin->library = PluginLibrary::Open(path, error);
    if (!plugin->library) {
        return nullptr;
    }
    AEffect* record = plugin->library->CreateEffect(error);
    if (record == nullptr) {
        return nullptr;
    }
    plugin->effect = std::make_unique<Effect>(record);
    plugin->effect->Open();
    return plugin;
}

} // namespace orke::host
