// The three parameter texts the host asks for: name, unit label and the display of the current value.
#include "OrkeAuBase.h"
#include "ParameterTextParts.h"
#include "TextFields.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The number with as many decimals as its size leaves room for, the format chosen before rounding. A number
// with more digits than the host's field holds (from 1e23 up, or from -1e18 down) is shown in exponent form
// instead of losing digits.
void formatNumber(float value, char* text) {
    const char* format = value < 10.0f ? "%.3f" : value < 100.0f ? "%.2f" : value < 1000.0f ? "%.1f" : "%.0f";
    char number[64]; // the widest float with three decimals takes 44 characters
    const int length = std::snprintf(number, sizeof(number), format, static_cast<double>(value));
    if (length < 0 || static_cast<size_t>(length) >= orke::kParameterDisplayField) {
        std::snprintf(number, sizeof(number), "%.3e", static_cast<double>(value));
    }
    std::memcpy(text, number, std::strlen(number) + 1);
}

} // namespace

void OrkeAuBase::getParameterName(int32_t index, char* text) {
    if (text == nullptr) {
        return;
    }
    char name[64] = "";
    if (const ParamInfo* row = ParameterRow(index)) {
        orke::CopyToField(row->name, name, sizeof(name));
    }
    // The whole field is written: at most its first 15 bytes of the name, then NULs.
    const size_t length = std::min(std::strlen(name), orke::kParameterNameField - 1);
    std::memset(text, 0, orke::kParameterNameField);
    std::memcpy(text, name, length);
}

void OrkeAuBase::getParameterLabel(int32_t index, char* label) {
    if (label == nullptr) {
        return;
    }
    const ParamInfo* row = ParameterRow(index);
    std::strcpy(label, row != nullptr ? orke::UnitLabel(row->unit) : "");
}

void OrkeAuBase::getParameterDisplay(int32_t index, char* text) {
    const ParamInfo* row = ParameterRow(index);
    const OrkeProgram* program = CurrentProgram();
    if (text == nullptr) {
        return;
    }
    if (row == nullptr || program == nullptr) {
        text[0] = '\0';
        return;
    }
    const float value = program->GetParameter(index);

    if (row->unit == kUnitIndexed) {
        CFArrayRef strings = nullptr;
        if (GetParameterValueStrings(0, static_cast<UInt32>(index), &strings) == noErr &&
            strings != nullptr) {
            // The position is the value truncated toward zero, so anything above -1 and below the count has
            // one; a position outside the strings (or no number at all) is shown as the number instead.
            const bool inside = value > -1.0f && value < static_cast<float>(CFArrayGetCount(strings));
            const auto entry =
                inside
                    ? static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, static_cast<CFIndex>(value)))
                    : nullptr;
            if (entry != nullptr) {
                orke::CopyToField(entry, text, orke::kParameterDisplayField);
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
        orke::CopyToField(request.outString, text, orke::kParameterDisplayField);
        CFRelease(request.outString);
        return;
    }
    formatNumber(value, text);
}

OSStatus OrkeAuBase::GetParameterValueStrings(UInt32, UInt32, CFArrayRef*) {
    return kErrInvalidParameter;
}
