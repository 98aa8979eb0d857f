// Loading a plug-in module, finding its entry among the names it defines, and unloading it.
#include "PluginModule.h"

#include <dlfcn.h>
#include <link.h>

namespace orke {

PluginModule::PluginModule(const std::string& path)
    : m_path(path) {
    // A bare file name would send the loader searching the library path instead of the current folder.
    const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
    dlerror();
    m_handle = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* message = dlerror();
        m_error = "cannot load " + path + ": " + (message != nullptr ? message : "unknown loader error");
        return;
    }
    for (const char* name : {"VSTPluginMain", "main"}) { // older Linux plug-ins export only the second
        if (void* entry = Symbol(name)) {
            m_entry = reinterpret_cast<Entry>(entry);
            m_entryName = name;
            return;
        }
    }
    m_error = path + " is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
}

PluginModule::~PluginModule() {
    if (m_handle != nullptr) {
        dlclose(m_handle);
    }
}

// dlsym also searches the module's dependencies, and "main" in particular must not be some other object's.
void* PluginModule::Symbol(const char* name) const {
    void* symbol = m_handle != nullptr ? dlsym(m_handle, name) : nullptr;
    if (symbol == nullptr) {
        return nullptr;
    }
    link_map* module = nullptr;
    link_map* owner = nullptr;
    Dl_info info;
    if (dlinfo(m_handle, RTLD_DI_LINKMAP, &module) != 0 ||
        dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0 || owner != module) {
        return nullptr;
    }
    return symbol;
}

AEffect* PluginModule::Create(audioMasterCallback host) const {
    return m_entry != nullptr ? m_entry(host) : nullptr;
}

} // namespace orke
