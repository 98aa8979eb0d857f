// Asking the system for the vector unit.
#include "CAVectorUnit.h"

#include "BuildBehaviour.h"

#include <sys/sysctl.h>

#include <cstddef>
#include <cstdint>

// Constant-initialised: the cache needs no start-up code.
orke::RelaxedAtomic<SInt32> CAVectorUnit::sVectorUnitType(CAVectorUnit::kVectorUnitUnknown);

#if !ORKE_POWERPC_BEHAVIOUR
namespace {

// A 32-bit answer of sysctlbyname, or false when the system does not answer.
bool queryByName(const char* name, int32_t& result) {
    result = 0;
    size_t size = sizeof(result);
    return sysctlbyname(name, &result, &size, nullptr, 0) == 0;
}

} // namespace
#endif

SInt32 CAVectorUnit::CheckVectorUnit() {
    SInt32 type = kVectorUnitNone;
#if ORKE_POWERPC_BEHAVIOUR
    int name[2] = {CTL_HW, HW_VECTORUNIT};
    int32_t result = 0;
    size_t size = sizeof(result);
    if (sysctl(name, 2, &result, &size, nullptr, 0) == 0 && result > 0) {
        type = kVectorUnitAltiVec;
    }
#else
    int32_t result = 0;
    if (queryByName("hw.optional.sse3", result) && result != 0) {
        type = kVectorUnitSSE3;
    } else if (queryByName("hw.optional.sse2", result) && result != 0) {
        type = kVectorUnitSSE2;
    }
#endif
    sVectorUnitType = type;
    return type;
}
