// A plug-in set up as a command line asks before it is described, saved or rendered through: a program
// selected (--program), a program or bank file loaded (--preset), parameters set (--param).
#pragma once

#include "Effect.h"
#include "OptionTable.h"
#include "OptionValues.h"
#include "PresetFile.h"

#include <string>
#include <vector>

namespace orke::host {

struct EffectSetup {
    int64_t program = -1;   // -1: the plug-in's own
    std::string presetPath; // empty: none
    PresetFile preset;
    std::vector<ParameterSetting> parameters;
};

// The rows of --program, --preset and --param for a command whose options hold a set-up at `setup`, each
// with the command's own help.
bool AddParameterSetting(const std::string& text, EffectSetup& setup, std::string& error);

template <typename Fields>
OptionRow<Fields> ProgramRow(EffectSetup Fields::*setup, std::string help) {
    return Within(setup, Whole("program", "K", &EffectSetup::program, 0, INT32_MAX, "a program number",
                               std::move(help)));
}
template <typename Fields>
OptionRow<Fields> PresetRow(EffectSetup Fields::*setup, std::string help) {
    return Within(setup, Text("preset", "FILE", &EffectSetup::presetPath, std::move(help)));
}
template <typename Fields>
OptionRow<Fields> ParamRow(EffectSetup Fields::*setup, std::string help) {
    return Within(setup, Custom("param", "I=V", AddParameterSetting, "INDEX=VALUE with a value from 0 to 1",
                                std::move(help), true));
}

// Reads the preset file the set-up names, once everything else on the command line has been found sound.
// False, with a one-line reason, when it cannot be read.
bool ReadSetupPreset(EffectSetup& setup, std::string& error);

// False, with a one-line reason naming `plugin`, when the program or a parameter is not the effect's.
bool EffectSetupFits(const Effect& effect, const EffectSetup& setup, const std::string& plugin,
                     std::string& error);

// Selects the program, loads the preset and sets the parameters, in that order: a program file lands in the
// selected program; a bank replaces every program, and --program then says which is current. False, with a
// one-line reason, when the preset is refused (made for another plug-in, or not fitting it).
bool ApplyEffectSetup(Effect& effect, const EffectSetup& setup, std::string& error);

} // namespace orke::host
