// Orke Filter's parameters: the unit of each row chooses the host's mapping, its label and its display.
#include "PluginParameters.h"

const ParamInfo astParamInfos[kParameterCount] = {
    // name, unit, minimum, maximum, default (real values: the host sees 0 to 1 across the range)
    {CFSTR("Cutoff"), kUnitHertz, 20.0f, 20000.0f, 1000.0f}, // equal steps of the host's value are octaves
    {CFSTR("Resonance"), kUnitGeneric, 0.1f, 10.0f, 0.7071f},
    {CFSTR("Type"), kUnitIndexed, 0.0f, 2.0f, 0.0f}, // shown as "Low-pass", "High-pass", "Band-pass"
};
