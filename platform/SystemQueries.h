// What answers sysctl and sysctlbyname. By default the processor itself: on x86 its feature-identification
// instruction, on PowerPC Linux the AltiVec bit of the auxiliary vector. Tests put their own answerers in
// place to count and fake the queries.
#pragma once

#include <cstddef>

namespace orke_sysctl {

typedef int (*ByNameQuery)(const char* name, void* oldp, size_t* oldlenp, void* newp, size_t newlen);
typedef int (*ByNumberQuery)(int* name, unsigned int namelen, void* oldp, size_t* oldlenp, void* newp,
                             size_t newlen);

// Each installs `query` (null: the processor's own answers again) and returns the one it replaces.
ByNameQuery SetByNameQuery(ByNameQuery query);
ByNumberQuery SetByNumberQuery(ByNumberQuery query);

// The processor's own answers, for a replacement that passes some queries through.
int ProcessorByName(const char* name, void* oldp, size_t* oldlenp, void* newp, size_t newlen);
int ProcessorByNumber(int* name, unsigned int namelen, void* oldp, size_t* oldlenp, void* newp,
                      size_t newlen);

} // namespace orke_sysctl
