// A plug-in module as the host holds it: loaded with the system loader, its entry found by name, its effect
// made through the entry and checked before the host trusts it.
#pragma once

#include "EffectRecord.h"

#include <memory>
#include <string>

namespace orke::host {

class PluginLibrary {
public:
    // Loads the module at `path`. On failure returns null and says why in `error` (the loader's own words);
    // `noEntry`, when given, tells whether it failed only because the module exports neither entry.
    static std::unique_ptr<PluginLibrary> Open(const std::string& path, std::string& error,
                                               bool* noEntry = nullptr);
    ~PluginLibrary();

    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // Calls the entry with the host callback. Returns null and says why in `error` when the entry answers
    // null, throws, or hands back a record without the effect magic (such a record is never used, not even
    // closed).
    AEffect* CreateEffect(std::string& error) const;

    const std::string& Path() const { return m_path; }
    // "VSTPluginMain", or "main" for a module that exports only the older name.
    const char* EntryName() const { return m_entryName; }

private:
    using Entry = AEffect* (*)(audioMasterCallback);
    PluginLibrary(std::string path, void* handle, Entry entry, const char* entryName);

    std::string m_path;
    void* m_handle;
    Entry m_entry;
    const char* m_entryName;
};

} // namespace orke::host
