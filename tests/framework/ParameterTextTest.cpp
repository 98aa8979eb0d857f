// The three parameter texts: name, unit label and the display of the current value.
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A host buffer whose untouched bytes can be recognised.
struct Field {
    char bytes[48];
    Field() { std::memset(bytes, '#', sizeof(bytes)); }
    // The number of bytes written, counted up to the last byte that is no longer '#'.
    size_t Written() const {
        size_t n = sizeof(bytes);
        while (n > 0 && bytes[n - 1] == '#') {
            --n;
        }
        return n;
    }
};

TEST(ParameterText, NamesFillTheSixteenByteField) {
    const struct {
        int row;
        const char* name;
    } cases[] = {
        {kRowCutoff, "Cutoff"},
        {kRowLongName, "Filter resonanc"}, // 20 bytes cut to 15
        {kRowHugeName, "Oscillator two "}, // too long to convert whole, still cut to its field
        {-1, ""},
        {kParameterCount, ""},
    };
    TestEffect effect;
    for (const auto& c : cases) {
        Field field;
        effect.getParameterName(c.row, field.bytes);
        EXPECT_STREQ(field.bytes, c.name) << c.row;
        EXPECT_EQ(field.Written(), 16u) << c.row;
        for (size_t i = std::strlen(c.name); i < 16; ++i) {
            EXPECT_EQ(field.bytes[i], '\0') << c.row << " byte " << i;
        }
    }
}

TEST(ParameterText, LabelsByUnit) {
    const struct {
        int row;
        const char* label;
    } cases[] = {
        {kRowPercent, "%"},       {kRowSeconds, "seconds"}, {kRowCutoff, "Hz"},     {kRowCents, "cents"},
        {kRowDecibels, "dB"},     {kRowPan, "L/R"},         {kRowBpm, "BPM"},       {kRowSteps, "beats"},
        {kRowMilliseconds, "ms"}, {kRowLevel, ""},          {kRowMode, ""},         {kRowBypass, ""},
        {kRowUnit5, ""},          {kRowUnit26, ""},         {kRowUnitNegative, ""}, {-1, ""},
        {kParameterCount, ""},
    };
    TestEffect effect;
    for (const auto& c : cases) {
        Field field;
        effect.getParameterLabel(c.row, field.bytes);
        EXPECT_STREQ(field.bytes, c.label) << c.row;
        EXPECT_EQ(field.Written(), std::strlen(c.label) + 1) << c.row; // nothing beyond the NUL
    }
}

struct DisplayCase {
    const char* name;
    int row;
    float real;
    const char* text;
};

const DisplayCase kDisplayCases[] = {
    {"Zero", kRowRaw, 0.0f, "0.000"},
    {"Quarter", kRowRaw, 0.25f, "0.250"},
    {"One", kRowRaw, 1.0f, "1.000"},
    {"BelowTen", kRowRaw, 9.999f, "9.999"},
    {"Ten", kRowRaw, 10.0f, "10.00"},
    {"Hundred", kRowRaw, 100.0f, "100.0"},
    {"Thousand", kRowRaw, 1000.0f, "1000"},
    {"FormatChosenBeforeRounding", kRowRaw, 9.9996f, "10.000"},
    {"FormatChosenBeforeRoundingHundreds", kRowRaw, 999.96f, "1000.0"},
    {"NegativeAlwaysThreeDecimals", kRowRaw, -2500.0f, "-2500.000"},
    {"LongestThatFits", kRowRaw, -1.0e18f, "-999999984306749440.000"},
    {"TooManyDigitsForTheField", kRowRaw, 1.0e30f, "1.000e+30"},
    {"TooManyNegativeDigits", kRowRaw, -1.0e20f, "-1.000e+20"},
    {"HertzAsANumber", kRowCutoff, 632.4555f, "632.5"},
    {"BooleanOff", kRowBypass, 0.0f, "Off"},
    {"BooleanHalf", kRowBypass, 0.5f, "On"},
    {"BooleanNegative", kRowBypass, -1.0f, "On"},
    {"IndexedFirst", kRowMode, 0.0f, "Low"},
    {"IndexedTruncated", kRowMode, 1.7f, "Mid"},
    {"IndexedLast", kRowMode, 2.99f, "High"},
    {"IndexedPastTheStrings", kRowMode, 3.0f, "3.000000"},
    {"IndexedNegative", kRowMode, -0.5f, "-0.50000"},
    {"IndexedNotANumber", kRowMode, kNaN, "NaN"},
};

void PrintTo(const DisplayCase& c, std::ostream* os) {
    *os << c.name;
}

class Display : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(Display, ShowsTheCurrentRealValue) {
    const DisplayCase& c = GetParam();
    TestEffect effect;
    effect.setProgram(2);
    effect.Program(2)->SetParameter(c.row, c.real);
    Field field;
    effect.getParameterDisplay(c.row, field.bytes);
    EXPECT_STREQ(field.bytes, c.text);
    EXPECT_LE(field.Written(), 24u);
    if (effect.lastStrings != nullptr) {
        EXPECT_EQ(CFGetRetainCount(effect.lastStrings), 1) << "the value strings were not released";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Display, ::testing::ValuesIn(kDisplayCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ParameterText, IndexedWithoutStringsGoesThroughFloat2string) {
    TestEffect effect;
    effect.valueStrings.clear();
    effect.Program(0)->SetParameter(kRowMode, 1.7f);
    Field field;
    effect.getParameterDisplay(kRowMode, field.bytes);
    EXPECT_STREQ(field.bytes, "1.700000");
}

TEST(ParameterText, StringsLongerThanTheFieldKeepTheirWholeLeadingCharacters) {
    const std::string ascii22(22, 'x');
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {std::string(23, 'y'), std::string(23, 'y')},
        {std::string(30, 'y'), std::string(23, 'y')},
        {ascii22 + "\xC3\xA9" + "z", ascii22}, // a two-byte character across the 23rd byte
    };
    for (const auto& c : cases) {
        TestEffect effect;
        effect.valueStrings = {c.text};
        effect.displayStatus = noErr;
        effect.displayText = c.text.c_str();
        effect.Program(0)->SetParameter(kRowMode, 0.0f);
        for (const int row : {kRowMode, kRowLevel}) {
            Field field;
            effect.getParameterDisplay(row, field.bytes);
            EXPECT_EQ(std::string(field.bytes), c.shown) << row;
            EXPECT_LE(field.Written(), 24u);
        }
    }
}

TEST(ParameterText, DisplayStringPropertyIsAskedForTheCurrentValue) {
    TestEffect effect;
    effect.displayStatus = noErr;
    effect.displayText = "loud";
    Field field;
    effect.getParameterDisplay(kRowLevel, field.bytes);
    EXPECT_STREQ(field.bytes, "loud");
    EXPECT_EQ(effect.lastRequest.parameterID, static_cast<UInt32>(kRowLevel));
    EXPECT_EQ(effect.lastRequest.valuePtr, nullptr);
    EXPECT_EQ(effect.lastRequest.outString, nullptr);
    EXPECT_EQ(CFGetRetainCount(effect.lastDisplay), 1) << "the answer's string was not released";

    effect.displayText = nullptr; // success without a string: the number after all
    effect.getParameterDisplay(kRowLevel, field.bytes);
    EXPECT_STREQ(field.bytes, "5.000");
}

TEST(ParameterText, NumbersOutsideTheTableGiveEmptyTexts) {
    TestEffect effect;
    for (const int32_t index : {-1, kParameterCount}) {
        Field field;
        effect.getParameterDisplay(index, field.bytes);
        EXPECT_STREQ(field.bytes, "");
    }
}

} // namespace
