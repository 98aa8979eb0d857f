// Idlewire's parameter table: its one row.
#include "PluginParameters.h"

// One parameter, kept per program and shown to the host, that changes nothing in the sound.
const ParamInfo astParamInfos[kParameterCount] = {
    {CFSTR("Dummy"), kUnitGeneric, 0.0f, 1.0f, 0.0f},
};
