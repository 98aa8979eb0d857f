// Parsers for the values of orke-host's options that are more than a plain number: each a pure function of
// the text, false for text it does not take.
#pragma once

#include "TempoMap.h"

#include <cstdint>
#include <string>

namespace orke::host {

struct ParameterSetting {
    int32_t index;
    float value; // normalised, 0 to 1
};

// "INDEX=VALUE", e.g. "3=0.25": an index from 0 and a value from 0 to 1.
bool ParseParameterSetting(const std::string& text, ParameterSetting& setting);

// "N/D", e.g. "3/4" or "6/8": 1 to 255 beats of a note value that is a power of two from 1 to 128.
bool ParseTimeSignature(const std::string& text, Meter& meter);

} // namespace orke::host
