// Orke Gain's parameters: the unit of each row chooses the host's mapping, its label and its display.
#include "PluginParameters.h"

const ParamInfo astParamInfos[kParameterCount] = {
    // name, unit, minimum, maximum, default (real values: the host sees 0 to 1 across the range)
    {CFSTR("Gain"), kUnitDecibels, -60.0f, 12.0f, 0.0f},
    {CFSTR("Polarity"), kUnitIndexed, 0.0f, 1.0f, 0.0f}, // shown as "Normal" or "Inverted"
};
