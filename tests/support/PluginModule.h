// Loads a plug-in module the way a host does: dlopen, then the entry by name.
#pragma once

#include "EffectRecord.h"

#include <string>

class PluginModule {
public:
    explicit PluginModule(const std::string& path); // fails the current test when the module does not load
    ~PluginModule();

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool Loaded() const { return m_handle != nullptr; }
    // The address of an exported name, or null.
    void* Symbol(const char* name) const;
    // Calls VSTPluginMain with `host`.
    AEffect* Create(audioMasterCallback host) const;

private:
    void* m_handle;
};

// Sends one request through the record's dispatcher entry.
intptr_t Dispatch(AEffect* effect, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                  float opt = 0.0f);
