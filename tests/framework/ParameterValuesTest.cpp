// Values a program keeps: whole numbers for boolean and indexed rows, the log taper, stepped rows, and real
// values conformed to their row.
#include "ParameterValues.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

namespace {

float fromLinear(int row, float normalised) {
    const ParameterRef parameter{0, static_cast<uint32_t>(row), 0, 0};
    return AUParameterValueFromLinear(normalised, &parameter);
}
float toLinear(int row, float real) {
    const ParameterRef parameter{0, static_cast<uint32_t>(row), 0, 0};
    return AUParameterValueToLinear(real, &parameter);
}

// What the host's value stores in the current program, what a kernel then reads, what the display shows and
// what the host reads back: a boolean at 0.3 is off everywhere, hertz rows map exponentially, indexed and
// beats rows round half up, whole-valued, tapered and stepped rows stay in their range, generic rows are not
// clamped, and a row whose range is a single value has only that value.
TEST(ParameterValues, WhatIsStoredIsWhatIsShownAndRead) {
    const struct {
        int row;
        float normalised, real, readBack;
        const char* display;
    } cases[] = {
        {kRowBypass, 0.3f, 0.0f, 0.0f, "Off"},        {kRowBypass, 0.7f, 1.0f, 1.0f, "On"},
        {kRowBypass, 4.0f, 1.0f, 1.0f, "On"},         {kRowBypass, NAN, 0.0f, 0.0f, "Off"},
        {kRowMode, -0.2f, 0.0f, 0.0f, "Low"},         {kRowMode, 1.5f, 4.0f, 1.0f, "4.000000"},
        {kRowMode, NAN, 0.0f, 0.0f, "Low"},           {kRowSteps, 1.2f, 8.0f, 1.0f, "8.000"},
        {kRowTime, 0.5f, 31.622776f, 0.5f, "31.62"},  {kRowTime, -1.0f, 1.0f, 0.0f, "1.000"},
        {kRowTime, 3.0f, 1000.0f, 1.0f, "1000"},      {kRowTime, NAN, 1.0f, 0.0f, "1.000"},
        {kRowStepped, 0.3f, 25.0f, 0.25f, "25.00"},   {kRowStepped, 0.4f, 50.0f, 0.5f, "50.00"},
        {kRowStepped, 1.5f, 100.0f, 1.0f, "100.0"},   {kRowStepped, NAN, 0.0f, 0.0f, "0.000"},
        {kRowCutoff, 0.5f, 632.4555f, 0.5f, "632.5"}, {kRowCutoff, 0.0f, 20.0f, 0.0f, "20.00"},
        {kRowCutoff, 1.0f, 20000.0f, 1.0f, "20000"},  {kRowMode, 0.3f, 1.0f, 0.25f, "Mid"},
        {kRowMode, 0.375f, 2.0f, 0.5f, "High"},       {kRowSteps, 0.0625f, 1.0f, 0.125f, "1.000"},
        {kRowLevel, 1.5f, 15.0f, 1.5f, "15.00"},      {kRowLevel, -0.1f, -1.0f, -0.1f, "-1.000"},
        {kRowFixed, 0.7f, 3.0f, 3.0f, "3.000"},
    };
    for (const auto& c : cases) {
        TestEffect effect;
        effect.setProgram(5);
        effect.setParameter(c.row, c.normalised);
        const std::string what = std::to_string(c.row) + " at " + std::to_string(c.normalised);
        EXPECT_FLOAT_EQ(effect.Program(5)->GetParameter(c.row), c.real) << what;
        EXPECT_FLOAT_EQ(effect.GetParameterValue(c.row), c.real) << what;
        EXPECT_FLOAT_EQ(effect.getParameter(c.row), c.readBack) << what;
        char display[32] = "";
        effect.getParameterDisplay(c.row, display);
        EXPECT_STREQ(display, c.display) << what;
    }
}

// The taper gives its range's ends exactly and rises at every step of the host's value between them; hertz
// rows without it keep their exponential mapping bit for bit.
TEST(ParameterValues, TheLogTaperRisesAndIsExactAtBothEnds) {
    EXPECT_EQ(fromLinear(kRowTime, 0.0f), 1.0f);
    EXPECT_EQ(fromLinear(kRowTime, 1.0f), 1000.0f);
    const std::pair<float, float> ends[] = {{1.0f, 0.0f}, {1000.0f, 1.0f}, {0.5f, 0.0f},    {-3.0f, 0.0f},
                                            {NAN, 0.0f},  {5000.0f, 1.0f}, {INFINITY, 1.0f}};
    for (const auto& [real, normalised] : ends) {
        EXPECT_EQ(toLinear(kRowTime, real), normalised) << real;
    }
    constexpr int kSteps = 4096;
    float previous = 0.0f;
    for (int k = 0; k <= kSteps; ++k) {
        const float x = static_cast<float>(k) / kSteps;
        const float real = fromLinear(kRowTime, x);
        ASSERT_GT(real, previous) << "step " << k;
        ASSERT_NEAR(toLinear(kRowTime, real), x, 1e-6f) << "step " << k;
        previous = real;
        const double hertz = std::exp2(std::log2(static_cast<double>(20000.0f / 20.0f)) * x) * 20.0;
        ASSERT_EQ(fromLinear(kRowCutoff, x), static_cast<float>(hertz)) << "step " << k;
    }
}

TEST(ParameterValues, ConformedAndHeldValuesFitTheirRow) {
    const struct {
        int row;
        float real, conformed, held;
    } cases[] = {
        // clang-format off
        {kRowBypass, 0.3f, 0.0f, 0.3f}, {kRowBypass, 0.6f, 1.0f, 0.6f}, {kRowBypass, 7.0f, 1.0f, 1.0f},
        {kRowBypass, NAN, 0.0f, 0.0f}, {kRowMode, 2.5f, 3.0f, 2.5f}, {kRowMode, -3.0f, 0.0f, 0.0f},
        {kRowMode, 9.0f, 4.0f, 4.0f}, {kRowStepped, 30.0f, 25.0f, 30.0f}, {kRowLevel, 15.0f, 15.0f, 10.0f},
        {kRowStepped, 130.0f, 100.0f, 100.0f}, {kRowTime, 5000.0f, 5000.0f, 1000.0f},
        {kRowCutoff, 5.0f, 5.0f, 20.0f}, {-1, 0.3f, 0.3f, 0.3f}, {kParameterCount, 0.3f, 0.3f, 0.3f},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OrkeConformParameter(c.row, c.real), c.conformed) << c.row << ": " << c.real;
        EXPECT_EQ(OrkeHoldParameter(c.row, c.real), c.held) << c.row << ": " << c.real;
    }
}

} // namespace
