// Program and bank files between a file and a running effect: what a plug-in's settings are saved as, and how
// a saved file is loaded into it.
#pragma once

#include "Effect.h"
#include "PresetFile.h"

#include <string>
#include <vector>

namespace orke::host {

// The effect's current program (or, with `bank`, all its programs and which one is current) in the form the
// effect keeps: its chunk when it says its programs are chunks, its parameter values otherwise. False, with a
// one-line reason, when the effect hands out no usable chunk or has too many parameters or programs to list.
// Values a plug-in reads outside 0 to 1 are saved clamped; `notes` says which.
bool CapturePreset(Effect& effect, bool bank, PresetFile& preset, std::vector<std::string>& notes,
                   std::string& error);

// Loads `preset` (read from `file`) into the effect: the chunk through the chunk request, the parameter form
// by selecting each program, naming it and setting its values. False, with a one-line reason naming `file`,
// for a file made for another plug-in or one that does not fit this effect; nothing is loaded then.
bool ApplyPreset(Effect& effect, const PresetFile& preset, const std::string& file, std::string& error);

} // namespace orke::host
