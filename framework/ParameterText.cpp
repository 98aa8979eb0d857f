// The three parameter texts the host asks for: name, unit label and the display of the current value.
#include "OrkeAuBase.h"
#include "TextFields.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// The string's UTF-8 text in a field of `fieldSize` bytes; a text too long for it is cut to what fits.
void copyToField(CFStringRef string, char* text, size_t fieldSize) {
    const auto size = static_cast<CFIndex>(fieldSize);
    if (CFStringGetCString(string, text, size, kCFStringEncodingUTF8)) {
        return;
    }
    CFIndex used = 0;
    CFStringGetBytes(string, CFRangeMake(0, CFStringGetLength(string)), kCFStringEncodingUTF8, '?', false,
                     reinterpret_cast<UInt8*>(text), size - 1, &used);
    text[used] = '\0';
}

const char* labelOf(int32_t unit) {
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

// The number with as many decimals as its size leaves room for, chosen before rounding.
void formatNumber(float value, char* text) {
    const char* format = value < 10.0f ? "%.3f" : value < 100.0f ? "%.2f" : value < 1000.0f ? "%.1f" : "%.0f";
    std::snprintf(text, orke::kParameterDisplayField, format, static_cast<double>(value));
}

} // namespace

void OrkeAuBase::getParameterName(int32_t index, char* text) {
    const ParamInfo* row = ParameterRow(index);
    if (row == nullptr) {
        text[0] = '\0';
        return;
    }
    char name[64];
    copyToField(row->name, name, sizeof(name));
    const size_t length = std::min(std::strlen(name), orke::kParameterNameField - 1);
    std::memcpy(text, name, length);
    text[length] = '\0';
}

void OrkeAuBase::getParameterLabel(int32_t index, char* label) {
    const ParamInfo* row = ParameterRow(index);
    std::strcpy(label, row != nullptr ? labelOf(row->unit) : "");
}

void OrkeAuBase::getParameterDisplay(int32_t index, char* text) {
    const ParamInfo* row = ParameterRow(index);
    const OrkeProgram* program = CurrentProgram();
    if (row == nullptr || program == nullptr) {
        text[0] = '\0';
        return;
    }
    const float value = program->GetParameter(index);

    if (row->unit == kUnitIndexed) {
        CFArrayRef strings = nullptr;
        if (GetParameterValueStrings(0, static_cast<UInt32>(index), &strings) == noErr &&
            strings != nullptr) {
            // A position outside the strings (or no number at all) is shown as the number instead.
            const bool inside = value >= 0.0f && value < static_cast<float>(CFArrayGetCount(strings));
            const auto entry =
                inside
                    ? static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, static_cast<CFIndex>(value)))
                    : nullptr;
            if (entry != nullptr) {
                copyToField(entry, text, orke::kParameterDisplayField);
            }
            CFRelease(strings);
            if (entry != nullptr) {
                return;
            }
        }
        float2string(value, text, 8);
        return;
    }

    if (row->unit == kUnitBoolean) {
        std::strcpy(text, value == 0.0f ? "Off" : "On");
        return;
    }

    ParameterStringFromValue request{static_cast<UInt32>(index), nullptr, nullptr};
    if (GetProperty(kPropertyParameterStringFromValue, 0, 0, &request) == noErr &&
        request.outString != nullptr) {
        copyToField(request.outString, text, orke::kParameterDisplayField);
        CFRelease(request.outString);
        return;
    }
    formatNumber(value, text);
}

OSStatus OrkeAuBase::GetParameterValueStrings(UInt32, UInt32, CFArrayRef*) {
    return kErrInvalidParameter;
}
