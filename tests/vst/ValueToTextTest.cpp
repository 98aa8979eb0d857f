// The value-to-text helpers: every text digit for digit, and never a byte beyond the field.
#include "RecordingEffect.h"

#include <cstdio>
#include <limits>
#include <vector>

using vsttest::DefaultsEffect;

namespace {

using Helper = void (AudioEffect::*)(float, char*, int32_t);

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Case {
    double value;
    int32_t maxLen;
    const char* text;
};

// clang-format off
const struct {
    const char* name;
    Helper helper; // null for int2string
    std::vector<Case> cases;
} kHelpers[] = {
    {"float2string", &AudioEffect::float2string, {
        {0.0, 8, "0.000000"}, {-0.0, 8, "0.000000"}, {0.5, 8, "0.500000"}, {1.5, 8, "1.500000"},
        {-1.5, 8, "-1.50000"}, {-0.25, 8, "-0.25000"}, {123.456, 8, "123.4560"}, {0.7, 8, "0.699999"},
        {65.4321, 8, "65.43209"}, {1234567.0, 8, "1234567."}, {9999999.0, 8, "9999999."}, {-123456.0, 8, "-123456."},
        {100000000.0, 8, "Huge!"}, {-10000000.0, 8, "Huge!"}, {100000000.0, 4, "Huge"}, {0.5, 0, ""},
        {1.5, 4, "1.50"}, {123.456, 4, "123."}, {1234567.0, 4, "1234"}, {kNaN, 8, "NaN"}, {kNaN, 2, "Na"},
        // Eight integer digits (seven after a sign) take the whole budget: no point, no digit lost.
        {10000000.0, 8, "10000000"}, {12345678.0, 8, "12345678"}, {99999992.0, 8, "99999992"},
        {12345678.0, 5, "12345"}, {-1000000.0, 8, "-1000000"}, {-9999999.0, 8, "-9999999"},
        {-1234567.5, 8, "-1234567"}}},
    {"int2string", nullptr, {
        {7, 8, "7"}, {-42, 8, "-42"}, {1000, 8, "1000"}, {1000, 3, "100"}, {0, 8, "0"}, {99999999, 8, "99999999"},
        {100000000, 8, "Huge!"}, {2147483647, 8, "Huge!"}, {-123456789, 20, "-123456789"},
        {-1000000000, 20, "-1000000000"}, {-2147483648.0, 20, "-2147483648"}, {-2147483648.0, 5, "-2147"}}},
    {"dB2string", &AudioEffect::dB2string, {
        {1.0, 8, "0.000000"}, {0.5, 8, "-6.02059"}, {2.0, 8, "6.020599"}, {10.0, 8, "20.00000"},
        {0.001, 8, "-60.0000"}, {0.0, 8, "-oo"}, {-1.0, 8, "-oo"}, {kNaN, 8, "-oo"}}},
    {"Hz2string", &AudioEffect::Hz2string, {{100, 8, "441.0000"}, {44100, 8, "1.000000"}, {0, 8, "0.000000"}}},
    {"ms2string", &AudioEffect::ms2string, {{441, 8, "10.00000"}, {44100, 8, "1000.000"}}},
};
// clang-format on

} // namespace

// The text NUL-filled up to maxLen (at 44100 Hz), and nothing written beyond it.
TEST(ValueToText, WritesEachTextWithinItsField) {
    DefaultsEffect formatter;
    for (const auto& helper : kHelpers) {
        for (const Case& c : helper.cases) {
            std::string field(40, '#');
            if (helper.helper != nullptr) {
                (formatter.*helper.helper)(static_cast<float>(c.value), field.data(), c.maxLen);
            } else {
                formatter.int2string(static_cast<int32_t>(c.value), field.data(), c.maxLen);
            }
            std::string expected = c.text;
            expected.resize(static_cast<size_t>(c.maxLen) + 1, '\0');
            expected.resize(field.size(), '#');
            EXPECT_EQ(field, expected) << helper.name << " of " << c.value;
        }
    }
}

// The three converting helpers go through the virtual table, so a derived class's rate and format count.
TEST(ValueToText, ConvertersUseTheVirtualRateAndFormat) {
    struct Derived : DefaultsEffect {
        float getSampleRate() override { return 1000.0f; }
        void float2string(float value, char* text, int32_t) override {
            std::snprintf(text, 16, "<%g>", static_cast<double>(value));
        }
    } derived;
    char hz[16], ms[16], db[16];
    derived.Hz2string(4.0f, hz, 8);
    derived.ms2string(500.0f, ms, 8);
    derived.dB2string(10.0f, db, 8);
    EXPECT_EQ(std::string(hz) + ms + db, "<250><500><20>");
}
