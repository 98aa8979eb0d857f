// The parameter table the framework tests compile the framework against: a row for each mapping and
// display rule, and rows for labels of known and unknown units.
#pragma once

#include "ParamInfo.h"

enum TestRow : int {
    kRowCutoff,   // hertz 20 to 20000
    kRowMode,     // indexed 0 to 4; the test effect may give it value strings
    kRowLevel,    // generic 0 to 10
    kRowFixed,    // the single value 3
    kRowBypass,   // boolean
    kRowRaw,      // generic 0 to 1: the normalised value is the real one, so any real value can be set
    kRowSteps,    // beats 0 to 8
    kRowLongName, // a name of 20 bytes
    kRowHugeName, // a name of more than 63 bytes
    kRowUnit26,   // a unit code with no label
    kRowTime,     // milliseconds 1 to 1000 on a log taper
    kRowStepped,  // percent 0 to 100 in 4 steps
    kRowCount
};

inline constexpr int kParameterCount = kRowCount;

extern const ParamInfo astParamInfos[kParameterCount];
