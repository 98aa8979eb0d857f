// The layout behind every object reference. Only the platform layer and CFSTR look inside.
#pragma once

#include "CFBase.h"

#include <atomic>
#include <cstdint>

namespace orke_cf {

enum ObjectKind : uint32_t {
    kConstantString = 1, // CFSTR: immortal
    kString,
    kArray,
    kData,
};

struct Object {
    uint32_t kind;
    std::atomic<int32_t> references;
};

} // namespace orke_cf

struct __CFString {
    constexpr __CFString(orke_cf::ObjectKind kind, const char* text, CFIndex textLength)
        : header{kind, {1}}
        , bytes(const_cast<char*>(text))
        , length(textLength)
        , capacity(0) {}

    orke_cf::Object header;
    char* bytes; // NUL-terminated; owned unless the string is constant
    CFIndex length;
    CFIndex capacity;
};
