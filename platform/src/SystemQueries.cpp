// sysctl and sysctlbyname, answered from the processor through a replaceable answerer.
#include "SystemQueries.h"

#include <sys/sysctl.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#elif defined(__linux__)
#include <sys/auxv.h>
#endif

#ifndef PPC_FEATURE_HAS_ALTIVEC
#define PPC_FEATURE_HAS_ALTIVEC 0x10000000
#endif

namespace {

std::atomic<orke_sysctl::ByNameQuery> g_byName{nullptr};
std::atomic<orke_sysctl::ByNumberQuery> g_byNumber{nullptr};

enum class Feature { kSse2, kSse3, kVectorUnit };

// Whether the processor has `feature`; false when it cannot tell.
bool processorHas(Feature feature) {
#if defined(__i386__) || defined(__x86_64__)
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    const bool sse2 = (edx & (1u << 26)) != 0;
    switch (feature) {
    case Feature::kSse3:
        return (ecx & 1u) != 0;
    case Feature::kSse2:
    case Feature::kVectorUnit:
        return sse2;
    }
    return false;
#elif defined(__linux__) && (defined(__powerpc__) || defined(__powerpc64__))
    return feature == Feature::kVectorUnit && (getauxval(AT_HWCAP) & PPC_FEATURE_HAS_ALTIVEC) != 0;
#else
    (void)feature;
    return false;
#endif
}

bool hasSseNames() {
#if defined(__i386__) || defined(__x86_64__)
    return true;
#else
    return false;
#endif
}

int fail(int error) {
    errno = error;
    return -1;
}

// Hands a 32-bit integer to the caller the way both queries do.
int answerInteger(int32_t value, void* oldp, size_t* oldlenp, void* newp) {
    if (newp != nullptr) {
        return fail(EPERM);
    }
    if (oldlenp == nullptr) {
        return fail(EINVAL);
    }
    if (oldp == nullptr) {
        *oldlenp = sizeof(value); // only the size was asked for
        return 0;
    }
    if (*oldlenp < sizeof(value)) {
        return fail(ENOMEM);
    }
    std::memcpy(oldp, &value, sizeof(value));
    *oldlenp = sizeof(value);
    return 0;
}

} // namespace

namespace orke_sysctl {

ByNameQuery SetByNameQuery(ByNameQuery query) {
    return g_byName.exchange(query);
}

ByNumberQuery SetByNumberQuery(ByNumberQuery query) {
    return g_byNumber.exchange(query);
}

int ProcessorByName(const char* name, void* oldp, size_t* oldlenp, void* newp, size_t) {
    if (name == nullptr) {
        return fail(EINVAL);
    }
    if (hasSseNames() && std::strcmp(name, "hw.optional.sse3") == 0) {
        return answerInteger(processorHas(Feature::kSse3) ? 1 : 0, oldp, oldlenp, newp);
    }
    if (hasSseNames() && std::strcmp(name, "hw.optional.sse2") == 0) {
        return answerInteger(processorHas(Feature::kSse2) ? 1 : 0, oldp, oldlenp, newp);
    }
    return fail(ENOENT);
}

int ProcessorByNumber(int* name, unsigned int namelen, void* oldp, size_t* oldlenp, void* newp, size_t) {
    if (name == nullptr) {
        return fail(EINVAL);
    }
    if (namelen == 2 && name[0] == CTL_HW && name[1] == HW_VECTORUNIT) {
        return answerInteger(processorHas(Feature::kVectorUnit) ? 1 : 0, oldp, oldlenp, newp);
    }
    return fail(ENOENT);
}

} // namespace orke_sysctl

int sysctlbyname(const char* name, void* oldp, size_t* oldlenp, void* newp, size_t newlen) {
    const orke_sysctl::ByNameQuery query = g_byName.load();
    return (query != nullptr ? query : orke_sysctl::ProcessorByName)(name, oldp, oldlenp, newp, newlen);
}

int sysctl(int* name, unsigned int namelen, void* oldp, size_t* oldlenp, void* newp, size_t newlen) {
    const orke_sysctl::ByNumberQuery query = g_byNumber.load();
    return (query != nullptr ? query : orke_sysctl::ProcessorByNumber)(name, namelen, oldp, oldlenp, newp,
                                                                       newlen);
}
