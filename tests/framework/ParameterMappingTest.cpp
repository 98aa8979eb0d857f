// Normalised values from the host, real values in the programs, and the mapping between them.
#include "HostOpcodes.h"
#include "RecordingHost.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

struct MappingCase {
    const char* name;
    int row;
    float normalised;
    float real;     // what the program stores
    float readBack; // what getParameter answers afterwards
};

const MappingCase kMappingCases[] = {
    {"HertzMiddle", kRowCutoff, 0.5f, 632.4555f, 0.5f},
    {"HertzBottom", kRowCutoff, 0.0f, 20.0f, 0.0f},
    {"HertzTop", kRowCutoff, 1.0f, 20000.0f, 1.0f},
    {"IndexedRoundsDown", kRowMode, 0.3f, 1.0f, 0.25f},
    {"IndexedHalfGoesUp", kRowMode, 0.375f, 2.0f, 0.5f},
    {"BeatsRound", kRowSteps, 0.0625f, 1.0f, 0.125f},
    {"GenericBeyondTheRange", kRowLevel, 1.5f, 15.0f, 1.5f},
    {"GenericBelowTheRange", kRowLevel, -0.1f, -1.0f, -0.1f},
    {"SingleValue", kRowFixed, 0.7f, 3.0f, 3.0f},
    {"SingleValueAtZero", kRowFixed, 0.0f, 3.0f, 3.0f},
};

void PrintTo(const MappingCase& c, std::ostream* os) {
    *os << c.name;
}

class Mapping : public ::testing::TestWithParam<MappingCase> {};

TEST_P(Mapping, StoresTheRealValueAndReadsItBack) {
    const MappingCase& c = GetParam();
    const ParameterRef ref{0, static_cast<uint32_t>(c.row), 0, 0};
    EXPECT_FLOAT_EQ(AUParameterValueFromLinear(c.normalised, &ref), c.real);

    TestEffect effect;
    effect.setProgram(5);
    effect.setParameter(c.row, c.normalised);
    EXPECT_FLOAT_EQ(effect.Program(5)->GetParameter(c.row), c.real);
    EXPECT_FLOAT_EQ(effect.getParameter(c.row), c.readBack);
    EXPECT_FLOAT_EQ(AUParameterValueToLinear(c.real, &ref), c.readBack);
}

INSTANTIATE_TEST_SUITE_P(Cases, Mapping, ::testing::ValuesIn(kMappingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ParameterMapping, ValuesStayInTheCurrentProgram) {
    TestEffect effect;
    effect.setProgram(3);
    effect.setParameter(kRowLevel, 0.9f);
    effect.setProgram(0);
    EXPECT_FLOAT_EQ(effect.getParameter(kRowLevel), 0.5f); // the table's default 5 of 0..10
    effect.setProgram(3);
    EXPECT_FLOAT_EQ(effect.getParameter(kRowLevel), 0.9f);
}

TEST(ParameterMapping, NumbersOutsideTheTableTouchNothing) {
    RecordingHost host;
    TestEffect effect(RecordingHost::Callback);
    const int32_t outside[] = {-1, kParameterCount, INT_MAX, INT_MIN};
    for (const int32_t index : outside) {
        effect.setParameter(index, 0.75f);
        EXPECT_EQ(effect.getParameter(index), 0.0f) << index;
        effect.SetParameterAutomated(index, 0.75f);
        const ParameterRef ref{0, static_cast<uint32_t>(index), 0, 0};
        EXPECT_EQ(AUParameterValueFromLinear(0.75f, &ref), 0.0f) << index;
        EXPECT_EQ(AUParameterValueToLinear(0.75f, &ref), 0.0f) << index;
    }
    EXPECT_EQ(AUParameterValueFromLinear(0.75f, nullptr), 0.0f);
    EXPECT_TRUE(host.CallsOf(audioMasterAutomate).empty());
    for (int j = 0; j < kParameterCount; ++j) {
        EXPECT_EQ(effect.Program(0)->GetParameter(j), astParamInfos[j].defaultValue) << j;
    }
}

TEST(ParameterMapping, SetParameterAutomatedTellsTheHostTheNormalisedValueOnly) {
    RecordingHost host;
    TestEffect effect(RecordingHost::Callback);
    host.Clear();
    effect.SetParameterAutomated(kRowLevel, 2.5f);
    const auto calls = host.CallsOf(audioMasterAutomate);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].effect, effect.getAeffect());
    EXPECT_EQ(calls[0].index, kRowLevel);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].ptr, nullptr);
    EXPECT_FLOAT_EQ(calls[0].opt, 0.25f);
    EXPECT_EQ(effect.Program(0)->GetParameter(kRowLevel), 5.0f);

    TestEffect hostless;
    hostless.SetParameterAutomated(kRowLevel, 2.5f); // no callback: nothing happens
    EXPECT_EQ(hostless.Program(0)->GetParameter(kRowLevel), 5.0f);
}

} // namespace
