// One request through a record's dispatcher entry, with the arguments most requests leave at zero.
#pragma once

#include "EffectRecord.h"

#include <cstdint>

inline intptr_t Dispatch(AEffect* effect, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                         void* ptr = nullptr, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}
