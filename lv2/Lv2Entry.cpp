// The LV2 module's two exported names: lv2_descriptor, through which LV2 hosts make the plug-in, and
// orke_lv2_write_bundle, through which the build writes the bundle's description. Nothing thrown inside
// leaves through them.
#include "BundleDescription.h"
#include "HostedEffect.h"
#include "Lv2Plugin.h"

#include "lv2/core/lv2.h"
#include "lv2/state/state.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace {

using orke::lv2::Lv2Plugin;

Lv2Plugin* pluginOf(LV2_Handle instance) {
    return static_cast<Lv2Plugin*>(instance);
}

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*,
                       const LV2_Feature* const* features) {
    try {
        auto* plugin = new Lv2Plugin(sampleRate, features);
        if (!plugin->Valid()) {
            delete plugin;
            return nullptr;
        }
        return plugin;
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle instance, uint32_t port, void* data) {
    pluginOf(instance)->Connect(port, data);
}

void activate(LV2_Handle instance) {
    pluginOf(instance)->Activate();
}

void run(LV2_Handle instance, uint32_t frames) {
    pluginOf(instance)->Run(frames);
}

void deactivate(LV2_Handle instance) {
    pluginOf(instance)->Deactivate();
}

void cleanup(LV2_Handle instance) {
    delete pluginOf(instance);
}

LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*) {
    try {
        return pluginOf(instance)->Save(store, handle);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         uint32_t, const LV2_Feature* const*) {
    try {
        return pluginOf(instance)->Restore(retrieve, handle);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

const void* extensionData(const char* uri) {
    static const LV2_State_Interface state = {save, restore};
    return uri != nullptr && std::strcmp(uri, LV2_STATE__interface) == 0 ? &state : nullptr;
}

// The URI is the plug-in's own (its description's base and its unique ID): a plug-in is made once, the first
// time a host asks, to read it.
const char* pluginUri() {
    static const std::string uri = [] {
        try {
            const orke::lv2::HostedEffect effect(48000.0, 4096);
            return effect.Valid() ? orke::lv2::PluginUri(effect) : std::string();
        } catch (...) {
            return std::string();
        }
    }();
    return uri.c_str();
}

} // namespace

extern "C" {

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    static const LV2_Descriptor descriptor = {
        pluginUri(), instantiate, connectPort, activate, run, deactivate, cleanup, extensionData,
    };
    return index == 0 && descriptor.URI[0] != '\0' ? &descriptor : nullptr;
}

// Writes manifest.ttl and the plug-in's .ttl into `folder`, for the module file named `binary` there; 0 when
// both are written, else 1 with a one-line reason on standard error.
LV2_SYMBOL_EXPORT int orke_lv2_write_bundle(const char* folder, const char* binary) {
    std::string error;
    try {
        if (folder != nullptr && binary != nullptr && orke::lv2::WriteBundle(folder, binary, error)) {
            return 0;
        }
    } catch (const std::exception& exception) {
        error = exception.what();
    } catch (...) {
        error = "unknown exception";
    }
    std::fprintf(stderr, "orke-lv2: %s\n", error.empty() ? "no folder or binary given" : error.c_str());
    return 1;
}
}
