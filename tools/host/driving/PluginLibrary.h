// A plug-in module as the tool holds it: loaded by the hosts' shared loader, its effect made through the
// entry and checked before the tool trusts it.
#pragma once

#include "PluginModule.h"

#include <memory>
#include <string>

namespace orke::host {

class PluginLibrary {
public:
    // Loads the module at `path`. On failure returns null and says why in `error` (the loader's own words);
    // `noEntry`, when given, tells whether it failed only because the module exports neither entry.
    static std::unique_ptr<PluginLibrary> Open(const std::string& path, std::string& error,
                                               bool* noEntry = nullptr);

    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // Calls the entry with the host callback. Returns null and says why in `error` when the entry answers
    // null, throws, or hands back a record without the effect magic (such a record is never used, not even
    // closed).
    AEffect* CreateEffect(std::string& error) const;

    const std::string& Path() const { return m_module.Path(); }
    // "VSTPluginMain", or "main" for a module that exports only the older name.
    const char* EntryName() const { return m_module.EntryName(); }

private:
    explicit PluginLibrary(const std::string& path)
        : m_module(path) {}

    PluginModule m_module;
};

} // namespace orke::host
