// Names for what a record and its answers hold as numbers: categories, flags, four-character codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orke::host {

// The category number the effect answers, by name ("effect", "synth", ...), or "category N" for one unknown.
std::string CategoryName(intptr_t category);

// The set bits of the record's flags by name; bits without a name as "0x...".
std::vector<std::string> FlagNames(int32_t flags);

// A four-character code as its four characters, with anything unprintable as \xNN.
std::string FourCharText(int32_t code);

// The can-do strings a host asks a plug-in about.
const std::vector<std::string>& PluginCanDoStrings();

} // namespace orke::host
