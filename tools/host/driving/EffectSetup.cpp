// --program, --preset and --param: read from the command line, checked against the effect, applied to it.
#include "EffectSetup.h"

#include "Presets.h"

namespace orke::host {

int ReadEffectSetup(const CommandLine& line, EffectSetup& setup, std::string& error) {
    if (line.Has("program") && !ParseInteger(line.Value("program"), 0, INT32_MAX, setup.program)) {
        error = "--program takes a program number from 0";
        return kExitUsage;
    }
    for (const std::string& text : line.Values("param")) {
        ParameterSetting setting{};
        if (!ParseParameterSetting(text, setting)) {
            error = "--param takes INDEX=VALUE with a value from 0 to 1, not " + Quoted(text);
            return kExitUsage;
        }
        setup.parameters.push_back(setting);
    }
    setup.presetPath = line.Value("preset");
    if (!setup.presetPath.empty() && !ReadPresetFile(setup.presetPath, setup.preset, error)) {
        return kExitFailure;
    }
    return kExitSuccess;
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
