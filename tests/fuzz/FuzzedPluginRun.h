// What the fuzzers that drive orke-host against the fuzzed plug-in share: the plug-in's script entry, and a
// scratch folder for the run's files.
#pragma once

#include "PluginModule.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

using FuzzedPluginScript = void (*)(const uint8_t* script, size_t size);

// The entry that hands the fuzzed plug-in its script. The module stays loaded for the whole run, so that
// orke-host's own loading of it finds it in memory and the script reaches the instances orke-host makes.
inline FuzzedPluginScript LoadFuzzedPluginScript() {
    static const auto* module = new orke::PluginModule(FUZZED_PLUGIN_PATH);
    auto script = reinterpret_cast<FuzzedPluginScript>(module->Symbol("FuzzedPluginScript"));
    if (script == nullptr) {
        std::abort();
    }
    return script;
}

// A new folder under TMPDIR (or /tmp) named after `prefix`, removed with all it holds when the run ends.
inline std::string MakeScratchFolder(const char* prefix) {
    static std::string folder;
    const char* base = std::getenv("TMPDIR");
    folder = std::string(base != nullptr ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        std::abort();
    }
    std::atexit([] { std::filesystem::remove_all(folder); });
    return folder;
}
