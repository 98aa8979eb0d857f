// Orke Filter's parameter table. The framework is compiled against this header: it sizes every program by
// kParameterCount and reads the rows of astParamInfos by number.
#pragma once

#include "ParamInfo.h"

// The parameter numbers, in table order; the host sees the same numbers.
enum FilterParameter : int {
    kCutoff,    // hertz, 20 to 20000, exponential
    kResonance, // the filter's Q, 0.1 to 10
    kType,      // indexed: the FilterType below
};

enum FilterType : int { kLowPass, kHighPass, kBandPass };

inline constexpr int kParameterCount = 3;

extern const ParamInfo astParamInfos[kParameterCount];
