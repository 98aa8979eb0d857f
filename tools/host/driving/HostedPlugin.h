// A plug-in ready to use: its module loaded, its effect made through the entry and opened.
#pragma once

#include "Effect.h"
#include "PluginLibrary.h"

#include <memory>
#include <string>

namespace orke::host {

struct HostedPlugin {
    // Declared in this order so that the effect is closed before its module is unloaded.
    std::unique_ptr<PluginLibrary> library;
    std::unique_ptr<Effect> effect;
};

// Loads the module at `path`, makes its effect and opens it. Null, with a one-line reason in `error`, when
// the module does not load, has no entry, or its entry gives no usable record.
std::unique_ptr<HostedPlugin> LoadPlugin(const std::string& path, std::string& error);

} // namespace orke::host
