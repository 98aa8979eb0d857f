// Setting a parameter from the text a user typed into the host: a number with or without its unit, a value
// string of an indexed parameter, On/Off for a boolean.
#include "OrkeAuBase.h"
#include "ParameterTextParts.h"
#include "ParameterValues.h"
#include "TextFields.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace {

constexpr size_t kLongestEntry = 255; // a longer text is refused without reading on

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The same text but for the case of ASCII letters; other bytes, those of UTF-8 characters included, must be
// equal.
bool sameWords(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t k = 0; k < a.size(); ++k) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[k]) != lower(b[k])) {
            return false;
        }
    }
    return true;
}

// A decimal number at the start of `text` (sign, digits with an optional '.', an optional exponent), read
// alike in every locale. Answers how many characters it took, 0 for none. Digits beyond the nineteenth only
// scale the number, which leaves far more precision than a parameter's float keeps.
size_t readNumber(std::string_view text, double& number) {
    size_t k = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        ++k;
    }
    constexpr uint64_t kMantissaLimit = 1000000000000000000u; // 19 digits
    uint64_t mantissa = 0;
    int exponent = 0;
    bool digits = false;
    for (; k < text.size() && isDigit(text[k]); ++k, digits = true) {
        if (mantissa < kMantissaLimit) {
            mantissa = mantissa * 10 + static_cast<uint64_t>(text[k] - '0');
        } else {
            ++exponent;
        }
    }
    if (k < text.size() && text[k] == '.') {
        for (++k; k < text.size() && isDigit(text[k]); ++k, digits = true) {
            if (mantissa < kMantissaLimit) {
                mantissa = mantissa * 10 + static_cast<uint64_t>(text[k] - '0');
                --exponent;
            }
        }
    }
    if (!digits) {
        return 0;
    }
    if (k < text.size() && (text[k] == 'e' || text[k] == 'E')) {
        size_t e = k + 1;
        const bool negativeExponent = e < text.size() && text[e] == '-';
        if (e < text.size() && (text[e] == '-' || text[e] == '+')) {
            ++e;
        }
        if (e < text.size() && isDigit(text[e])) { // otherwise the 'e' is not the number's
            int written = 0;
            for (; e < text.size() && isDigit(text[e]); ++e) {
                written = written < 100000 ? written * 10 + (text[e] - '0') : written;
            }
            exponent += negativeExponent ? -written : written;
            k = e;
        }
    }
    // A power of ten up to 1e22 is exact, so one multiplication or division rounds once.
    double magnitude = 0.0;
    if (mantissa != 0) {
        const double scale = std::pow(10.0, static_cast<double>(exponent < 0 ? -exponent : exponent));
        magnitude =
            exponent < 0 ? static_cast<double>(mantissa) / scale : static_cast<double>(mantissa) * scale;
    }
    number = negative ? -magnitude : magnitude;
    return k;
}

// How a number written with `word` after it becomes the unit's value: the unit's own label (or nothing at
// all) counts 1, and a few other words people write for the same quantity count what they are worth.
bool unitFactor(int32_t unit, std::string_view word, double& factor) {
    factor = 1.0;
    const char* label = orke::UnitLabel(unit);
    if (word.empty() || (*label != '\0' && sameWords(word, label))) {
        return true;
    }
    static const struct {
        int32_t unit;
        const char* word;
        double factor;
    } kOtherWords[] = {
        {kUnitHertz, "kHz", 1000.0},      {kUnitSeconds, "s", 1.0},
        {kUnitSeconds, "sec", 1.0},       {kUnitSeconds, "ms", 0.001},
        {kUnitMilliseconds, "s", 1000.0}, {kUnitMilliseconds, "seconds", 1000.0},
        {kUnitPercent, "percent", 1.0},   {kUnitDecibels, "decibels", 1.0},
    };
    for (const auto& other : kOtherWords) {
        if (other.unit == unit && sameWords(word, other.word)) {
            factor = other.factor;
            return true;
        }
    }
    return false;
}

// A number, with or without a unit the row takes.
bool readQuantity(const ParamInfo& row, std::string_view text, float& real) {
    double number = 0.0;
    const size_t used = readNumber(text, number);
    double factor = 1.0;
    if (used == 0 || !unitFactor(row.unit, trimmed(text.substr(used)), factor)) {
        return false;
    }
    // Beyond a float's range the value is held to the row's anyway: only the largest float is kept.
    real = static_cast<float>(std::fmin(std::fmax(number * factor, -double(FLT_MAX)), double(FLT_MAX)));
    return true;
}

bool readSwitch(std::string_view text, float& real) {
    static const struct {
        const char* word;
        float value;
    } kWords[] = {{"On", 1.0f}, {"Off", 0.0f}, {"true", 1.0f}, {"false", 0.0f}, {"yes", 1.0f}, {"no", 0.0f}};
    for (const auto& word : kWords) {
        if (sameWords(text, word.word)) {
            real = word.value;
            return true;
        }
    }
    return false;
}

// The position of the value string that reads `text`, whole or as the display shows it when too long for
// the host's field.
bool readValueString(OrkeAuBase& effect, int32_t index, std::string_view text, float& real) {
    CFArrayRef strings = nullptr;
    if (effect.GetParameterValueStrings(0, static_cast<UInt32>(index), &strings) != noErr ||
        strings == nullptr) {
        return false;
    }
    bool found = false;
    const CFIndex count = CFArrayGetCount(strings);
    for (CFIndex i = 0; i < count && !found; ++i) {
        const auto entry = static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, i));
        char whole[kLongestEntry + 1];
        char shown[orke::kParameterDisplayField];
        orke::CopyToField(entry, whole, sizeof(whole));
        orke::CopyToField(entry, shown, sizeof(shown));
        if (sameWords(text, whole) || sameWords(text, shown)) {
            real = static_cast<float>(i);
            found = true;
        }
    }
    CFRelease(strings);
    return found;
}

} // namespace

bool OrkeAuBase::string2parameter(int32_t index, char* text) {
    const ParamInfo* row = ParameterRow(index);
    OrkeProgram* program = CurrentProgram();
    if (row == nullptr || program == nullptr || text == nullptr) {
        return false;
    }
    size_t length = 0;
    while (length <= kLongestEntry && text[length] != '\0') {
        ++length;
    }
    if (length > kLongestEntry) {
        return false;
    }
    const std::string_view entry = trimmed(std::string_view(text, length));
    float real = 0.0f;
    const bool read = (row->unit == kUnitIndexed && readValueString(*this, index, entry, real)) ||
                      (row->unit == kUnitBoolean && readSwitch(entry, real)) ||
                      readQuantity(*row, entry, real);
    if (!read) {
        return false;
    }
    program->SetParameter(index, OrkeConformParameter(index, OrkeHoldParameter(index, real)));
    CountParameterChange();
    return true;
}
