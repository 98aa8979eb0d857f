// The parameter table: one row per parameter, with its name, unit, range and default.
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

struct ParamInfo {
    CFStringRef name; // a constant string, never released
    int32_t unit;     // a ParamUnit code
    float minValue;   // the real value at normalised 0
    float maxValue;   // the real value at normalised 1
    float defaultValue;
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
// The real value of a normalised one, by the row's unit: exponential for hertz, rounded to whole numbers
// for indexed and beats rows, linear otherwise. Nothing is clamped. A parameter number outside the table
// (or a null reference) answers 0.
ORKE_EXPORT float AUParameterValueFromLinear(float linearValue, const ParameterRef* parameter);
// The normalised value of a real one; the inverse of the above except for rounded units. A row whose range
// is a single value answers that value. A parameter number outside the table answers 0.
ORKE_EXPORT float AUParameterValueToLinear(float value, const ParameterRef* parameter);
}
