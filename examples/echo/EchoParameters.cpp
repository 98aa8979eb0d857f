// Orke Echo's parameters: the unit of each row chooses the host's mapping, its label and its display; the
// time's row asks for a logarithmic taper, so the host's knob spends as much travel on 10 to 100 ms as on
// 100 to 1000 ms.
#include "PluginParameters.h"

const ParamInfo astParamInfos[kParameterCount] = {
    // name, unit, minimum, maximum, default (real values), then flags and steps where a row needs them
    {CFSTR("Sync"), kUnitBoolean, 0.0f, 1.0f, 1.0f},
    {CFSTR("Note"), kUnitIndexed, 0.0f, 11.0f, 4.0f}, // shown as "1/16 triplet" ... "1/2 dotted"
    {CFSTR("Time"), kUnitMilliseconds, 1.0f, 2000.0f, 375.0f, kParamLogTaper},
    {CFSTR("Feedback"), kUnitPercent, 0.0f, 95.0f, 40.0f},
    {CFSTR("Mix"), kUnitPercent, 0.0f, 100.0f, 35.0f},
    {CFSTR("High Cut"), kUnitHertz, 500.0f, 20000.0f, 8000.0f},
};
