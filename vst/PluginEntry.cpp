// The module's entry: asks the host for its version, then makes the plug-in's effect and returns its record.
#include "PluginEntry.h"

#include "AudioEffectBase.h"
#include "HostOpcodes.h"

AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    if (audioMaster == nullptr) {
        return nullptr;
    }
    try {
        if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
            return nullptr;
        }
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect != nullptr ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

#if ORKE_POWERPC_BEHAVIOUR
AEffect* main_macho(audioMasterCallback audioMaster) {
    return VSTPluginMain(audioMaster);
}
#endif
