// --program, --preset and --param: read from the command line, checked against the effect, applied to it.
#include "EffectSetup.h"

#include "Presets.h"

namespace orke::host {

bool AddParameterSetting(const std::string& text, EffectSetup& setup, std::string&) {
    ParameterSetting setting{};
    if (!ParseParameterSetting(text, setting)) {
        return false;
    }
    setup.parameters.push_back(setting);
    return true;
}

bool ReadSetupPreset(EffectSetup& setup, std::string& error) {
    return setup.presetPath.empty() || ReadPresetFile(setup.presetPath, setup.preset, error);
}

bool EffectSetupFits(const Effect& effect, const EffectSetup& setup, const std::string& plugin,
                     std::string& error) {
    if (setup.program >= 0 && setup.program >= effect.NumPrograms()) {
        error = "--program " + std::to_string(setup.program) + " is out of range: " + plugin + " has " +
                Counted(effect.NumPrograms(), "program");
        return false;
    }
    for (const ParameterSetting& setting : setup.parameters) {
        if (setting.index >= effect.NumParameters()) {
            error = "--param " + std::to_string(setting.index) + " is out of range: " + plugin + " has " +
                    Counted(effect.NumParameters(), "parameter");
            return false;
        }
    }
    return true;
}

bool ApplyEffectSetup(Effect& effect, const EffectSetup& setup, std::string& error) {
    if (setup.program >= 0) {
        effect.SetProgram(static_cast<int32_t>(setup.program));
    }
    if (!setup.presetPath.empty()) {
        if (!ApplyPreset(effect, setup.preset, setup.presetPath, error)) {
            return false;
        }
        if (setup.preset.bank && setup.program >= 0) {
            effect.SetProgram(static_cast<int32_t>(setup.program));
        }
    }
    for (const ParameterSetting& setting : setup.parameters) {
        effect.SetParameter(setting.index, setting.value);
    }
    return true;
}

} // namespace orke::host
