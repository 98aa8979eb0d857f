// The rows of the framework tests' parameter table, one for each rule the tests exercise.
#include "PluginParameters.h"

const ParamInfo astParamInfos[kParameterCount] = {
    {CFSTR("Cutoff"), kUnitHertz, 20.0f, 20000.0f, 1000.0f},
    {CFSTR("Mode"), kUnitIndexed, 0.0f, 4.0f, 2.0f},
    {CFSTR("Level"), kUnitGeneric, 0.0f, 10.0f, 5.0f},
    {CFSTR("Fixed"), kUnitGeneric, 3.0f, 3.0f, 3.0f},
    {CFSTR("Bypass"), kUnitBoolean, 0.0f, 1.0f, 0.0f},
    {CFSTR("Raw"), kUnitGeneric, 0.0f, 1.0f, 0.0f},
    {CFSTR("Steps"), kUnitBeats, 0.0f, 8.0f, 0.0f},
    {CFSTR("Filter resonance amt"), kUnitGeneric, 0.0f, 1.0f, 0.0f},
    {CFSTR("Oscillator two fine detune amount relative to oscillator one, in steps"), kUnitGeneric, 0.0f,
     1.0f, 0.0f},
    {CFSTR("Unit 26"), 26, 0.0f, 1.0f, 0.0f},
    {CFSTR("Time"), kUnitMilliseconds, 1.0f, 1000.0f, 10.0f, kParamLogTaper},
    {CFSTR("Stepped"), kUnitPercent, 0.0f, 100.0f, 50.0f, 0, 4},
};
