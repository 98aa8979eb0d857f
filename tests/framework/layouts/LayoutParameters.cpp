// The layout test plug-ins' parameter table.
#include "PluginParameters.h"

const ParamInfo astParamInfos[kParameterCount] = {
    {CFSTR("Level"), kUnitGeneric, 0.0f, 1.0f, 0.0f},
};
