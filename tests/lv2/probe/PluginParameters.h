// The LV2 probe's parameter table: a plain level, a taper, a switch and a choice, so that its bundle holds
// every kind of control port.
#pragma once

#include "ParamInfo.h"

enum ProbeParameter : int {
    kLevel,  // generic, 0 to 1
    kTime,   // milliseconds, 1 to 1000 on a logarithmic taper
    kActive, // boolean
    kShape,  // indexed, 0 to 2, named
};

inline constexpr int kParameterCount = 4;

extern const ParamInfo astParamInfos[kParameterCount];
