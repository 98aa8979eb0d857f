// Orke Gain's parameter table. The framework is compiled against this header: it sizes every program by
// kParameterCount and reads the rows of astParamInfos by number.
#pragma once

#include "ParamInfo.h"

// The parameter numbers, in table order; the host sees the same numbers.
enum GainParameter : int {
    kGain,     // decibels, -60 to +12
    kPolarity, // indexed: 0 normal, 1 inverted
};

inline constexpr int kParameterCount = 2;

extern const ParamInfo astParamInfos[kParameterCount];
