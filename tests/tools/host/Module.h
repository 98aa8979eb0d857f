// What the test modules share: the records and requests, how an entry is exported, and a record that loads.
#pragma once

#include "EffectOpcodes.h"
#include "EffectRecord.h"
#include "HostOpcodes.h"
#include "VstRecords.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#define MODULE_EXPORT extern "C" __attribute__((visibility("default")))

// The record of a module that loads, with as many programs as parameters.
inline AEffect describe(AEffectDispatcherProc dispatcher, AEffectProcessProc process,
                        AEffectSetParameterProc set, AEffectGetParameterProc get, int32_t inputs,
                        int32_t outputs, int32_t parameters, int32_t flags, const char (&id)[5]) {
    AEffect record{};
    record.magic = kEffectMagic;
    record.dispatcher = dispatcher;
    record.processReplacing = process;
    record.setParameter = set;
    record.getParameter = get;
    record.numInputs = inputs;
    record.numOutputs = outputs;
    record.numParams = record.numPrograms = parameters;
    record.flags = flags;
    record.uniqueID = orke::fourCharCode(id);
    return record;
}

inline void ignore(AEffect*, int32_t, float) {}
