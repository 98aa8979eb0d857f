// Idlewire's parameter table. The framework is compiled against this header: it sizes every program by
// kParameterCount and reads the rows of astParamInfos by number.
#pragma once

#include "ParamInfo.h"

inline constexpr int kParameterCount = 1;

extern const ParamInfo astParamInfos[kParameterCount];
