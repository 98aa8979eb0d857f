// The tool's hold on a plug-in module: loaded by the hosts' shared loader, its effect made under the call
// trace and checked before the tool trusts it.
#include "PluginLibrary.h"

#include "CallTrace.h"
#include "HostCallback.h"

#include <cctype>
#include <cstdio>

namespace orke::host {
namespace {

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
    std::unique_ptr<PluginLibrary> library(new PluginLibrary(path));
    if (noEntry != nullptr) {
        *noEntry = library->m_module.Loaded() && !library->m_module.HasEntry();
    }
    if (!library->m_module.HasEntry()) {
        error = library->m_module.Error();
        return nullptr;
    }
    return library;
}

AEffect* PluginLibrary::CreateEffect(std::string& error) const {
    AEffect* effect = nullptr;
    try {
        TraceEntry();
        try {
            effect = m_module.Create(HostCallback);
            TraceReturn();
        } catch (...) {
            RethrowFromPlugin();
        }
    } catch (const PluginException& exception) {
        error = Path() + ": " + exception.what();
        return nullptr;
    }
    if (effect == nullptr) {
        error = Path() + ": " + EntryName() + " returned no effect (a null record)";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        error = Path() + ": the record's magic is " + describeMagic(effect->magic) + ", not 'VstP'";
        return nullptr;
    }
    return effect;
}

} // namespace orke::host
