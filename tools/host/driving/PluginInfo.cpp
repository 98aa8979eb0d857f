// Gathering what an opened effect says about itself.
#include "PluginInfo.h"

#include "EffectNames.h"
#include "EffectOpcodes.h"

#include <algorithm>

namespace orke::host {

int32_t ListableCount(int32_t count) {
    return std::clamp(count, 0, kMaxListed);
}

PluginInfo GatherInfo(const HostedPlugin& plugin, int32_t listLimit) {
    Effect& effect = *plugin.effect;
    const AEffect* record = effect.Record();
    PluginInfo info{};
    info.path = plugin.Path();
    info.entry = plugin.EntryName();
    info.effectName = effect.Text(effGetEffectName);
    info.vendor = effect.Text(effGetVendorString);
    info.product = effect.Text(effGetProductString);
    info.vendorVersion = effect.Dispatch(effGetVendorVersion);
    info.vstVersion = effect.Dispatch(effGetVstVersion);
    info.category = effect.Dispatch(effGetPlugCategory);
    info.uniqueId = record->uniqueID;
    info.version = record->version;
    info.inputs = record->numInputs;
    info.outputs = record->numOutputs;
    info.flags = record->flags;
    info.initialDelay = record->initialDelay;
    info.tailSize = effect.Dispatch(effGetTailSize);
    info.midiInputChannels = effect.Dispatch(effGetNumMidiInputChannels);
    info.midiOutputChannels = effect.Dispatch(effGetNumMidiOutputChannels);
    info.currentProgram = effect.Program();
    info.programCount = ListableCount(record->numPrograms);
    info.parameterCount = ListableCount(record->numParams);
    // The parameters first: a name that is not answered by index is read by switching programs, which can
    // replace the current program's values with the stored ones.
    for (int32_t index = 0; index < std::min(info.parameterCount, listLimit); ++index) {
        info.parameters.push_back({effect.ParameterName(index), effect.ParameterLabel(index),
                                   effect.ParameterDisplay(index), effect.GetParameter(index)});
    }
    for (int32_t program = 0; program < std::min(info.programCount, listLimit); ++program) {
        info.programs.push_back(effect.ProgramNameAt(program));
    }
    for (const std::string& text : PluginCanDoStrings()) {
        std::string request = text; // the plug-in gets a buffer of its own, not the host's constant
        info.canDo.emplace_back(text, effect.Dispatch(effCanDo, 0, 0, request.data()));
        if (info.canDo.back().second > 0) {
            info.midiInput = info.midiInput || text == "receiveVstEvents" || text == "receiveVstMidiEvent";
            info.midiOutput = info.midiOutput || text == "sendVstEvents" || text == "sendVstMidiEvent";
        }
    }
    info.midiInput = info.midiInput || (info.flags & effFlagsIsSynth) != 0;
    return info;
}

} // namespace orke::host
