// The two system queries the framework's vector-unit detection makes.
//
// Both write a 32-bit integer into *oldp and 4 into *oldlenp, and answer 0; they answer -1 and set errno to
// ENOENT for a name the system does not have, and to ENOMEM when *oldlenp is smaller than 4. Nothing can be
// set: a non-null `newp` answers -1 with EPERM. What answers them can be replaced (see SystemQueries.h).
//
//   "hw.optional.sse3", "hw.optional.sse2"   1 when the processor has that instruction set, else 0 (x86 only)
//   {CTL_HW, HW_VECTORUNIT}                  1 when the processor has a vector unit (AltiVec, SSE2), else 0
#pragma once

#include <cstddef>

enum {
    CTL_HW = 6,
    HW_VECTORUNIT = 13,
};

int sysctl(int* name, unsigned int namelen, void* oldp, size_t* oldlenp, void* newp, size_t newlen);
int sysctlbyname(const char* name, void* oldp, size_t* oldlenp, void* newp, size_t newlen);
