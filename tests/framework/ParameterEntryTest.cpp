// What hosts reach through the parameter requests beyond the texts: setting a parameter from typed text, and
// the properties that say which parameters are switches or move in steps.
#include "EffectOpcodes.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

namespace {

// Numbers with or without the row's unit (read with a '.' in every locale), held to the range and
// conformed; value strings in any case; switch words. A text it cannot read leaves the value and the change
// count as they were.
TEST(ParameterEntry, TextSetsTheValueOrIsRefused) {
    const struct {
        int row;
        const char* text;
        bool taken;
        float real;
    } cases[] = {
        // clang-format off
        {kRowLevel, "2.5", true, 2.5f}, {kRowLevel, "  7 ", true, 7.0f}, {kRowLevel, "+1e0", true, 1.0f},
        {kRowLevel, ".5", true, 0.5f}, {kRowLevel, "12", true, 10.0f}, {kRowLevel, "-3", true, 0.0f},
        {kRowLevel, "1e999", true, 10.0f}, {kRowLevel, "0e999", true, 0.0f},
        {kRowCutoff, "440", true, 440.0f}, {kRowCutoff, "440 Hz", true, 440.0f},
        {kRowCutoff, "440hz", true, 440.0f}, {kRowCutoff, "1.5 kHz", true, 1500.0f},
        {kRowCutoff, "5 Hz", true, 20.0f}, {kRowTime, "250 ms", true, 250.0f}, {kRowTime, "0.25 s", true, 250.0f},
        {kRowStepped, "30%", true, 25.0f}, {kRowStepped, "60", true, 50.0f},
        {kRowMode, "mid", true, 1.0f}, {kRowMode, " HIGH", true, 2.0f}, {kRowMode, "3", true, 3.0f},
        {kRowMode, "1.6", true, 2.0f}, {kRowMode, "9", true, 4.0f},
        {kRowBypass, "On", true, 1.0f}, {kRowBypass, "off", true, 0.0f}, {kRowBypass, "TRUE", true, 1.0f},
        {kRowBypass, "no", true, 0.0f}, {kRowBypass, "1", true, 1.0f}, {kRowBypass, "0.3", true, 0.0f},
        {kRowLevel, "", false, 0}, {kRowLevel, "abc", false, 0}, {kRowLevel, "2,5", false, 0},
        {kRowLevel, "2.5 dB", false, 0}, {kRowLevel, "--1", false, 0}, {kRowLevel, "1e", false, 0},
        {kRowLevel, ".", false, 0}, {kRowCutoff, "440 dB", false, 0}, {kRowMode, "Mi", false, 0},
        {kRowBypass, "maybe", false, 0}, {kRowLevel, nullptr, false, 0}, {-1, "1", false, 0},
        {kParameterCount, "1", false, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        TestEffect effect;
        const float before = effect.GetParameterValue(c.row);
        const uint32_t changes = effect.ParameterChanges();
        std::string text = c.text != nullptr ? c.text : "";
        const intptr_t answer =
            effect.dispatcher(effString2Parameter, c.row, 0, c.text != nullptr ? text.data() : nullptr, 0.0f);
        const std::string what = std::to_string(c.row) + " '" + (c.text != nullptr ? c.text : "(null)") + "'";
        EXPECT_EQ(answer, c.taken ? 1 : 0) << what;
        EXPECT_FLOAT_EQ(effect.GetParameterValue(c.row), c.taken ? c.real : before) << what;
        EXPECT_EQ(effect.ParameterChanges(), changes + (c.taken ? 1u : 0u)) << what;
    }
    TestEffect effect;
    std::string longText = "5" + std::string(300, ' ');
    EXPECT_FALSE(effect.string2parameter(kRowLevel, longText.data()));
    EXPECT_FALSE(effect.string2parameter(kRowLevel, nullptr));
}

// Switches, whole-numbered and stepped rows are described; continuous rows, numbers outside the table and a
// null record get no answer and leave the host's bytes alone. The fields after the short label are never
// written.
TEST(ParameterProperties, SwitchesWholeNumbersAndStepsAreTold) {
    const struct {
        int row;
        bool answered;
        int32_t flags, minInteger, maxInteger, stepInteger;
        float stepFloat;
        const char* label;
    } cases[] = {
        {kRowBypass, true, kVstParameterIsSwitch, 0, 0, 0, 0.0f, "Bypass"},
        {kRowMode, true, kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep, 0, 4, 1, 0.0f, "Mode"},
        {kRowSteps, true, kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep, 0, 8, 1, 0.0f, "Steps"},
        {kRowStepped, true, kVstParameterUsesFloatStep, 0, 0, 0, 0.25f, "Stepped"},
        // clang-format off
        {kRowLevel, false, 0, 0, 0, 0, 0.0f, ""}, {kRowCutoff, false, 0, 0, 0, 0, 0.0f, ""},
        {kRowTime, false, 0, 0, 0, 0, 0.0f, ""}, {-1, false, 0, 0, 0, 0, 0.0f, ""},
        {kParameterCount, false, 0, 0, 0, 0, 0.0f, ""},
        // clang-format on
    };
    constexpr unsigned char kMarker = 0xAB;
    for (const auto& c : cases) {
        TestEffect effect;
        VstParameterProperties properties;
        std::memset(&properties, kMarker, sizeof(properties));
        const intptr_t answer = effect.dispatcher(effGetParameterProperties, c.row, 0, &properties, 0.0f);
        EXPECT_EQ(answer, c.answered ? 1 : 0) << c.row;
        const auto* bytes = reinterpret_cast<const unsigned char*>(&properties);
        const size_t untouchedFrom = c.answered ? offsetof(VstParameterProperties, displayIndex) : 0;
        for (size_t k = untouchedFrom; k < sizeof(properties); ++k) {
            ASSERT_EQ(bytes[k], kMarker) << c.row << ": byte " << k;
        }
        if (!c.answered) {
            continue;
        }
        const VstParameterProperties& p = properties; // every one of these names fits the 7-byte short label
        EXPECT_EQ(std::make_tuple(p.flags, p.minInteger, p.maxInteger, p.stepInteger, p.largeStepInteger,
                                  p.stepFloat, p.smallStepFloat, p.largeStepFloat, std::string(p.label),
                                  std::string(p.shortLabel)),
                  std::make_tuple(c.flags, c.minInteger, c.maxInteger, c.stepInteger, c.stepInteger,
                                  c.stepFloat, c.stepFloat, c.stepFloat, std::string(c.label),
                                  std::string(c.label)))
            << c.row;
    }
    TestEffect effect;
    EXPECT_EQ(effect.dispatcher(effGetParameterProperties, kRowBypass, 0, nullptr, 0.0f), 0);
}

} // namespace
