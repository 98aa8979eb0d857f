// A plug-in module loaded as a host loads it: by the system loader, its entry found among its own names.
#pragma once

#include "EffectRecord.h"

#include <string>

namespace orke {

class PluginModule {
public:
    // Loads the module at `path` (a bare file name from the current folder, not from the library path) and
    // finds its entry: VSTPluginMain, or main for a module that exports only the older name.
    explicit PluginModule(const std::string& path);
    // Unloads the module; nothing made from it may be used afterwards.
    ~PluginModule();

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool Loaded() const { return m_handle != nullptr; }
    bool HasEntry() const { return m_entry != nullptr; }
    // Why the module did not load, or has no entry, in one line (the loader's own words); empty otherwise.
    const std::string& Error() const { return m_error; }
    const std::string& Path() const { return m_path; }
    // "VSTPluginMain" or "main"; null without an entry.
    const char* EntryName() const { return m_entryName; }

    // The address of `name` when the module defines it itself; null for a name only its dependencies define.
    void* Symbol(const char* name) const;
    // Calls the entry with `host` and hands back what it answers; null without an entry. Whatever the entry
    // does (throw, crash) reaches the caller.
    AEffect* Create(audioMasterCallback host) const;

private:
    using Entry = AEffect* (*)(audioMasterCallback);

    std::string m_path;
    std::string m_error;
    void* m_handle = nullptr;
    Entry m_entry = nullptr;
    const char* m_entryName = nullptr;
};

} // namespace orke
