// The value-to-text helpers: every text digit for digit, and never a byte beyond the field.
#include "AudioEffectBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

class Formatter : public AudioEffect {
public:
    Formatter()
        : AudioEffect(nullptr, 1, 1) {}
    void processReplacing(float**, float**, int32_t) override {}
};

enum class Call { Float, Int, Db, Hz, Ms };

struct Case {
    Call call;
    double value;
    int32_t maxLen;
    const char* text;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const Case kCases[] = {
    {Call::Float, 0.0, 8, "0.000000"},
    {Call::Float, -0.0, 8, "0.000000"},
    {Call::Float, 0.5, 8, "0.500000"},
    {Call::Float, 1.5, 8, "1.500000"},
    {Call::Float, -1.5, 8, "-1.50000"},
    {Call::Float, -0.25, 8, "-0.25000"},
    {Call::Float, 123.456, 8, "123.4560"},
    {Call::Float, 0.7, 8, "0.699999"},
    {Call::Float, 65.4321, 8, "65.43209"},
    {Call::Float, 1234567.0, 8, "1234567."},
    {Call::Float, 9999999.0, 8, "9999999."},
    {Call::Float, -123456.0, 8, "-123456."},
    {Call::Float, 100000000.0, 8, "Huge!"},
    {Call::Float, -10000000.0, 8, "Huge!"},
    {Call::Float, 1.5, 4, "1.50"},
    {Call::Float, 123.456, 4, "123."},
    {Call::Float, 1234567.0, 4, "1234"},
    {Call::Float, 100000000.0, 4, "Huge"},
    {Call::Float, 0.5, 0, ""},
    // Eight integer digits (seven after a sign) take the whole budget: no point, no digit lost.
    {Call::Float, 10000000.0, 8, "10000000"},
    {Call::Float, 12345678.0, 8, "12345678"},
    {Call::Float, 99999992.0, 8, "99999992"},
    {Call::Float, 12345678.0, 5, "12345"},
    {Call::Float, -1000000.0, 8, "-1000000"},
    {Call::Float, -9999999.0, 8, "-9999999"},
    {Call::Float, -1234567.5, 8, "-1234567"},
    {Call::Float, kNaN, 8, "NaN"},
    {Call::Float, kNaN, 2, "Na"},
    {Call::Int, 7, 8, "7"},
    {Call::Int, -42, 8, "-42"},
    {Call::Int, 1000, 8, "1000"},
    {Call::Int, 1000, 3, "100"},
    {Call::Int, 99999999, 8, "99999999"},
    {Call::Int, 100000000, 8, "Huge!"},
    {Call::Int, 2147483647, 8, "Huge!"},
    {Call::Int, -123456789, 20, "-123456789"},
    {Call::Int, 0, 8, "0"},
    {Call::Int, -1000000000, 20, "-1000000000"},
    {Call::Int, -2147483648.0, 20, "-2147483648"},
    {Call::Int, -2147483648.0, 5, "-2147"},
    {Call::Db, 1.0, 8, "0.000000"},
    {Call::Db, 0.5, 8, "-6.02059"},
    {Call::Db, 2.0, 8, "6.020599"},
    {Call::Db, 10.0, 8, "20.00000"},
    {Call::Db, 0.001, 8, "-60.0000"},
    {Call::Db, 0.0, 8, "-oo"},
    {Call::Db, -1.0, 8, "-oo"},
    {Call::Db, kNaN, 8, "-oo"},
    {Call::Hz, 100, 8, "441.0000"},
    {Call::Hz, 44100, 8, "1.000000"},
    {Call::Hz, 0, 8, "0.000000"},
    {Call::Ms, 441, 8, "10.00000"},
    {Call::Ms, 44100, 8, "1000.000"},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.value << " in " << c.maxLen << " -> \"" << c.text << '"';
}

std::string describe(const ::testing::TestParamInfo<Case>& info) {
    static const char* const kNames[] = {"float", "int", "dB", "Hz", "ms"};
    return kNames[static_cast<int>(info.param.call)] + std::to_string(info.index);
}

class ValueToText : public ::testing::TestWithParam<Case> {};

TEST_P(ValueToText, WritesTheTextWithinTheField) {
    const Case& c = GetParam();
    Formatter formatter;
    formatter.setSampleRate(44100.0f);
    char field[40];
    std::memset(field, '#', sizeof(field));
    const auto value = static_cast<float>(c.value);
    switch (c.call) {
    case Call::Float:
        formatter.float2string(value, field, c.maxLen);
        break;
    case Call::Int:
        formatter.int2string(static_cast<int32_t>(c.value), field, c.maxLen);
        break;
    case Call::Db:
        formatter.dB2string(value, field, c.maxLen);
        break;
    case Call::Hz:
        formatter.Hz2string(value, field, c.maxLen);
        break;
    case Call::Ms:
        formatter.ms2string(value, field, c.maxLen);
        break;
    }
    EXPECT_STREQ(field, c.text);
    for (int32_t i = static_cast<int32_t>(std::strlen(c.text)); i <= c.maxLen; ++i) {
        EXPECT_EQ(field[i], '\0') << "byte " << i;
    }
    for (size_t i = static_cast<size_t>(c.maxLen) + 1; i < sizeof(field); ++i) {
        ASSERT_EQ(field[i], '#') << "written beyond the field at " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ValueToText, ::testing::ValuesIn(kCases), describe);

// The three converting helpers go through the virtual table, so a derived class's rate and format count.
TEST(ValueToTextOverrides, ConvertersUseTheVirtualRateAndFormat) {
    struct Derived : Formatter {
        float getSampleRate() override { return 1000.0f; }
        void float2string(float value, char* text, int32_t) override {
            std::snprintf(text, 16, "<%g>", static_cast<double>(value));
        }
    } derived;
    char text[16];
    derived.Hz2string(4.0f, text, 8);
    EXPECT_STREQ(text, "<250>");
    derived.ms2string(500.0f, text, 8);
    EXPECT_STREQ(text, "<500>");
    derived.dB2string(10.0f, text, 8);
    EXPECT_STREQ(text, "<20>");
}

} // namespace
