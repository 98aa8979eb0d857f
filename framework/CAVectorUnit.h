// Whether the processor has a usable vector unit, asked of the system and kept in a process-wide cache.
//
// Intel builds ask for SSE3 and then SSE2; the PowerPC build asks for the vector unit (AltiVec). No object of
// this class is ever made.
#pragma once

#include "RelaxedAtomic.h"

#include <MacTypes.h>

class CAVectorUnit {
public:
    enum : SInt32 {
        kVectorUnitUnknown = -1, // nothing asked yet
        kVectorUnitNone = 0,     // none, or the query failed
        kVectorUnitAltiVec = 1,
        kVectorUnitSSE2 = 100, // SSE2, without SSE3
        kVectorUnitSSE3 = 101,
    };

    CAVectorUnit() = delete;

    // [any thread] Asks the system afresh, stores the type in the cache and returns it.
    static SInt32 CheckVectorUnit();

    // The cached type: kVectorUnitUnknown until the first query, never reset by the framework. Threads that
    // find it unknown at the same time each ask and store the same answer.
    static orke::RelaxedAtomic<SInt32> sVectorUnitType;
};
