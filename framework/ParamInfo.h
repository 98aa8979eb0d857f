// The parameter table: one row per parameter, with its name, unit, range and default, and optionally a taper
// and a step count.
//
// The host sees every parameter as a normalised value from 0 to 1; programs store the real value in the
// parameter's own range and unit. The two exported functions convert between them.
#pragma once

#include "PluginExport.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>

// Unit codes, numbered as the Audio Unit parameter units. Codes not listed behave as kUnitGeneric.
enum ParamUnit : int32_t {
    kUnitGeneric = 0,
    kUnitIndexed = 1, // whole numbers; value strings may name them
    kUnitBoolean = 2,
    kUnitPercent = 3,
    kUnitSeconds = 4,
    kUnitHertz = 8, // exponential mapping; needs minValue > 0 and maxValue > 0
    kUnitCents = 9,
    kUnitDecibels = 13,
    kUnitPan = 18,
    kUnitBPM = 22,
    kUnitBeats = 23, // whole numbers
    kUnitMilliseconds = 24,
};

// Row flags: bits of ParamInfo::flags.
enum ParamFlags : uint32_t {
    // The host's value moves along the range logarithmically, min * (max / min) ^ x, so equal steps of it
    // are equal ratios (octaves, say). Only on a range whose ends are both above 0; ignored on any other.
    kParamLogTaper = 1u << 0,
};

// A row lists its first five values; `flags` and `steps` may follow, and are 0 when left out, so rows
// written without them keep their meaning.
struct ParamInfo {
    CFStringRef name; // a constant string, never released
    int32_t unit;     // a ParamUnit code
    float minValue;   // the real value at normalised 0
    float maxValue;   // the real value at normalised 1
    float defaultValue;
    uint32_t flags = 0; // ParamFlags bits
    // 0: continuous. n > 0: the host's 0 to 1 is cut into n equal steps (n + 1 positions, 0 and 1
    // included); a value between them goes to the nearest, and hosts are told the step.
    int32_t steps = 0;
};

// The parameter reference of the exported mapping functions: four 32-bit words, of which only the
// parameter number is read.
struct ParameterRef {
    uint32_t owner;
    uint32_t parameterID;
    uint32_t scope;
    uint32_t element;
};
static_assert(sizeof(ParameterRef) == 16);

extern "C" {
// The real value of a normalised one. A stepped row first moves the value to its nearest step (within 0
// to 1). Then by the row: a log taper gives min * (max / min) ^ x, exactly min at 0 and below, exactly max
// at 1 and above; hertz rows are exponential the same way but not held; indexed, boolean and beats rows
// round to whole numbers (halves go up), held to the range, with no number at all giving min; other rows
// are linear and not held. A parameter number outside the table (or a null reference) answers 0.
ORKE_EXPORT float AUParameterValueFromLinear(float linearValue, const ParameterRef* parameter);
// The normalised value of a real one; the inverse of the above except for rounded units. A log taper's
// answer is held to 0 to 1. A row whose range is a single value answers that value. A parameter number
// outside the table answers 0.
ORKE_EXPORT float AUParameterValueToLinear(float value, const ParameterRef* parameter);
}
