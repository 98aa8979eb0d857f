// The layout test plug-ins' one parameter: the render path's tests need a table, not its rows.
#pragma once

#include "ParamInfo.h"

inline constexpr int kParameterCount = 1;

extern const ParamInfo astParamInfos[kParameterCount];
