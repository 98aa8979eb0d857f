#include "PluginLibrary.h"

#include "CallTrace.h"
#include "HostCallback.h"

#include <dlfcn.h>
#include <link.h>

#include <cctype>
#include <cstdio>

namespace orke::host {
namespace {

// The address of `name` when the module itself defines it. dlsym also searches the module's dependencies, and
// "main" in particular must not be some other object's.
void* ownSymbol(void* handle, const char* name) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        return nullptr;
    }
    link_map* module = nullptr;
    link_map* owner = nullptr;
    Dl_info info;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &module) != 0 ||
        dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0 || owner != module) {
        return nullptr;
    }
    return symbol;
}

std::string describeMagic(int32_t magic) {
    const auto bits = static_cast<uint32_t>(magic);
    char code[5] = {};
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((bits >> (24 - 8 * i)) & 0xFF);
        code[i] = std::isprint(static_cast<unsigned char>(c)) ? c : '.';
    }
    char text[48];
    std::snprintf(text, sizeof text, "0x%08X ('%s')", static_cast<unsigned>(bits), code);
    return text;
}

} // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::Open(const std::string& path, std::string& error,
                                                   bool* noEntry) {
    if (noEntry != nullptr) {
        *noEntry = false;
    }
    // A bare file name would send the loader searching the library path instead of the current folder.
    const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
    dlerror();
    void* handle = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* message = dlerror();
        error = "cannot load " + path + ": " + (message != nullptr ? message : "unknown loader error");
        return nullptr;
    }
    const char* entryName = "VSTPluginMain";
    void* entry = ownSymbol(handle, entryName);
    if (entry == nullptr) {
        entryName = "main"; // older Linux plug-ins export the entry under this name
        entry = ownSymbol(handle, entryName);
    }
    if (entry == nullptr) {
        dlclose(handle);
        error = path + " is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
        if (noEntry != nullptr) {
            *noEntry = true;
        }
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(
        new PluginLibrary(path, handle, reinterpret_cast<Entry>(entry), entryName));
}

PluginLibrary::PluginLibrary(std::string path, void* handle, Entry entry, const char* entryName)
    : m_path(std::move(path))
    , m_handle(handle)
    , m_entry(entry)
    , m_entryName(entryName) {}

PluginLibrary::~PluginLibrary() {
    dlclose(m_handle);
}

AEffect* PluginLibrary::CreateEffect(std::string& error) const {
    AEffect* effect = nullptr;
    try {
        TraceEntry();
        try {
            effect = m_entry(HostCallback);
            TraceReturn();
        } catch (...) {
            RethrowFromPlugin();
        }
    } catch (const PluginException& exception) {
        error = m_path + ": " + exception.what();
        return nullptr;
    }
    if (effect == nullptr) {
        error = m_path + ": " + m_entryName + " returned no effect (a null record)";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        error = m_path + ": the record's magic is " + describeMagic(effect->magic) + ", not 'VstP'";
        return nullptr;
    }
    return effect;
}

} // namespace orke::host
