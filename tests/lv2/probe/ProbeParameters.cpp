// The LV2 probe's parameters.
#include "PluginParameters.h"

const ParamInfo astParamInfos[kParameterCount] = {
    {CFSTR("Level"), kUnitGeneric, 0.0f, 1.0f, 0.5f},
    {CFSTR("Time"), kUnitMilliseconds, 1.0f, 1000.0f, 100.0f, kParamLogTaper},
    {CFSTR("Active"), kUnitBoolean, 0.0f, 1.0f, 1.0f},
    {CFSTR("Shape"), kUnitIndexed, 0.0f, 2.0f, 1.0f},
};
