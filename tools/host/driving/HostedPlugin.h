// A plug-in module as orke-host holds it: loaded by the hosts' shared loader (hosting/PluginModule), the
// effects made through its entry and checked before they are trusted, and, for most uses, the first of them
// opened.
#pragma once

#include "Effect.h"
#include "PluginModule.h"

#include <memory>
#include <string>

namespace orke::host {

class HostedPlugin {
public:
    // Loads the module at `path`. Null, with the loader's own words in `error`, when it does not load or
    // exports no entry; `noEntry`, when given, tells whether it failed only because it exports neither entry.
    static std::unique_ptr<HostedPlugin> Open(const std::string& path, std::string& error,
                                              bool* noEntry = nullptr);
    // Loads the module and makes and opens its first effect (`effect`). Null, with a one-line reason, when
    // the module does not load, has no entry, or its entry gives no usable record.
    static std::unique_ptr<HostedPlugin> Load(const std::string& path, std::string& error);

    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    // Calls the entry with the host callback. Null, with a one-line reason, when the entry answers null,
    // throws, or hands back a record without the effect magic (such a record is never used, not even closed).
    AEffect* CreateRecord(std::string& error) const;
    // A record made by CreateRecord, wrapped and opened; null as CreateRecord is.
    std::unique_ptr<Effect> CreateEffect(std::string& error) const;

    const std::string& Path() const { return m_module.Path(); }
    // "VSTPluginMain", or "main" for a module that exports only the older name.
    const char* EntryName() const { return m_module.EntryName(); }

private:
    explicit HostedPlugin(const std::string& path)
        : m_module(path) {}

    PluginModule m_module;

public:
    // The effect Load opened. Declared after the module, so that it is closed before the module is unloaded.
    std::unique_ptr<Effect> effect;
};

} // namespace orke::host
