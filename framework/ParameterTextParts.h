// What the parameter texts share: a string cut to one of the host's text fields, and each unit's label.
#pragma once

#include "ParamInfo.h"

#include <cstddef>

namespace orke {

// The string's UTF-8 text in a field of `fieldSize` bytes. A text too long for the field keeps the whole
// characters that fit, so the host sees the start of it rather than nothing or half a character.
inline void CopyToField(CFStringRef string, char* text, size_t fieldSize) {
    const auto size = static_cast<CFIndex>(fieldSize);
    if (string == nullptr) {
        text[0] = '\0';
        return;
    }
    if (CFStringGetCString(string, text, size, kCFStringEncodingUTF8)) {
        return;
    }
    CFIndex used = 0;
    CFStringGetBytes(string, CFRangeMake(0, CFStringGetLength(string)), kCFStringEncodingUTF8, '?', false,
                     reinterpret_cast<UInt8*>(text), size - 1, &used);
    text[used] = '\0';
}

// The label the host shows beside a value of the unit; empty for units without one.
inline const char* UnitLabel(int32_t unit) {
    switch (unit) {
    case kUnitPercent:
        return "%";
    case kUnitSeconds:
        return "seconds";
    case kUnitHertz:
        return "Hz";
    case kUnitCents:
        return "cents";
    case kUnitDecibels:
        return "dB";
    case kUnitPan:
        return "L/R";
    case kUnitBPM:
        return "BPM";
    case kUnitBeats:
        return "beats";
    case kUnitMilliseconds:
        return "ms";
    default:
        return "";
    }
}

} // namespace orke
