// The tool's hold on a plug-in module: loaded by the hosts' shared loader, its effects made under the call
// trace and checked before the tool trusts them.
#include "HostedPlugin.h"

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

std::unique_ptr<HostedPlugin> HostedPlugin::Open(const std::string& path, std::string& error, bool* noEntry) {
    std::unique_ptr<HostedPlugin> plugin(new HostedPlugin(path));
    if (noEntry != nullptr) {
        *noEntry = plugin->m_module.Loaded() && !plugin->m_module.HasEntry();
    }
    if (!plugin->m_module.HasEntry()) {
        error = plugin->m_module.Error();
        return nullptr;
    }
    return plugin;
}

std::unique_ptr<HostedPlugin> HostedPlugin::Load(const std::string& path, std::string& error) {
    auto plugin = Open(path, error);
    if (plugin) {
        plugin->effect = plugin->CreateEffect(error);
    }
    return plugin && plugin->effect ? std::move(plugin) : nullptr;
}

AEffect* HostedPlugin::CreateRecord(std::string& error) const {
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

std::unique_ptr<Effect> HostedPlugin::CreateEffect(std::string& error) const {
    AEffect* record = CreateRecord(error);
    if (record == nullptr) {
        return nullptr;
    }
    auto effect = std::make_unique<Effect>(record);
    effect->Open();
    return effect;
}

} // namespace orke::host
