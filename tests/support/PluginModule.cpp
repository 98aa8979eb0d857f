#include "PluginModule.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

PluginModule::PluginModule(const std::string& path) : m_handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (m_handle == nullptr) {
        ADD_FAILURE() << "cannot load " << path << ": " << dlerror();
    }
}

PluginModule::~PluginModule() {
    if (m_handle != nullptr) {
        dlclose(m_handle);
    }
}

void* PluginModule::Symbol(const char* name) const { return m_handle != nullptr ? dlsym(m_handle, name) : nullptr; }

AEffect* PluginModule::Create(audioMasterCallback host) const {
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(Symbol("VSTPluginMain"));
    return entry != nullptr ? entry(host) : nullptr;
}

intptr_t Dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}
