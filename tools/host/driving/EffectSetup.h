// A plug-in set up as a command line asks before it is described, saved or rendered through: a program
// selected (--program), a program or bank file loaded (--preset), parameters set (--param).
#pragma once

#include "CommandLine.h"
#include "Effect.h"
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

// The options --program, --preset and --param of `line`, the preset file read. kExitSuccess, or the exit code
// with a one-line reason: kExitUsage for a malformed value, kExitFailure for a preset file that cannot be
// read.
int ReadEffectSetup(const CommandLine& line, EffectSetup& setup, std::string& error);

// False, with a one-line reason naming `plugin`, when the program or a parameter is not the effect's.
bool EffectSetupFits(const Effect& effect, const EffectSetup& setup, const std::string& plugin,
                     std::string& error);

// Selects the program, loads the preset and sets the parameters, in that order: a program file lands in the
// selected program; a bank replaces every program, and --program then says which is current. False, with a
// one-line reason, when the preset is refused (made for another plug-in, or not fitting it).
bool ApplyEffectSetup(Effect& effect, const EffectSetup& setup, std::string& error);

} // namespace orke::host
