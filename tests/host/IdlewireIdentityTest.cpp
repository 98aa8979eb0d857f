// Who Idlewire says it is and what it says it can do, asked through the record as a host asks: names,
// versions, category, capabilities and what resuming asks of the host.
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "PluginModule.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Build {
    const char* name;
    const char* path;
    bool powerPcBehaviour;
};

const Build kBuilds[] = {
    {"Default", IDLEWIRE_PATH, IDLEWIRE_DEFAULT_POWERPC_BEHAVIOUR != 0},
    {"PowerPC", IDLEWIRE_POWERPC_BEHAVIOUR_PATH, true},
};

class IdlewireIdentity : public testing::TestWithParam<Build> {
protected:
    void SetUp() override {
        effect = module.Create(RecordingHost::Callback);
        ASSERT_NE(effect, nullptr);
    }
    void TearDown() override {
        if (effect != nullptr) {
            Dispatch(effect, effClose);
        }
    }
    PluginModule module{GetParam().path};
    RecordingHost host;
    AEffect* effect = nullptr;
};

std::string buildName(const testing::TestParamInfo<Build>& info) {
    return info.param.name;
}

} // namespace

// Each text is written whole with its NUL, and not one byte more.
TEST_P(IdlewireIdentity, NamesItselfWithinItsTexts) {
    struct Text {
        int32_t opcode;
        const char* text;
    };
    const Text texts[] = {{effGetEffectName, "Idlewire"},
                          {effGetProductString, "Idlewire"},
                          {effGetVendorString, "Orvane Kettlers"}};
    for (const Text& t : texts) {
        char buffer[80];
        std::memset(buffer, 'x', sizeof(buffer));
        EXPECT_EQ(Dispatch(effect, t.opcode, 0, 0, buffer), 1) << t.opcode;
        const size_t length = std::strlen(t.text);
        EXPECT_EQ(std::memcmp(buffer, t.text, length + 1), 0) << t.opcode;
        EXPECT_EQ(buffer[length + 1], 'x') << t.opcode;
    }
}

TEST_P(IdlewireIdentity, AnswersVersionsCategoryAndCapabilities) {
    const bool powerPc = GetParam().powerPcBehaviour;
    struct Answer {
        int32_t opcode;
        intptr_t value;
        intptr_t expected;
    };
    const Answer answers[] = {
        {effGetVendorVersion, 0, 65536},
        {effGetPlugCategory, 0, 1}, // listed with effects, although flagged a synth
        {effGetVstVersion, 0, 2400},
        {effGetCurrentMidiProgram, 0, -1},
        {effSetTotalSampleToProcess, 4096, 4096},
        {effGetNumProgramCategories, 0, powerPc ? 1 : 0},
        {effKeysRequired, 0, powerPc ? 1 : 0},
    };
    for (const Answer& a : answers) {
        EXPECT_EQ(Dispatch(effect, a.opcode, 0, a.value), a.expected) << "opcode " << a.opcode;
    }
    for (const char* capability :
         {"receiveVstMidiEvent", "receiveVstEvents", "sendVstEvents", "sendVstMidiEvent",
          "receiveVstTimeInfo", "offline", "midiProgramNames", "bypass"}) {
        EXPECT_EQ(Dispatch(effect, effCanDo, 0, 0, const_cast<char*>(capability)), 0) << capability;
    }
}

// The instrument asks for no events when resumed; the PowerPC build always asked for them.
TEST_P(IdlewireIdentity, AsksForEventsOnResumeOnlyWithThePowerPcBehaviour) {
    host.Clear();
    Dispatch(effect, effMainsChanged, 0, 1);
    const std::vector<HostCall> wants = host.CallsOf(audioMasterWantMidi);
    ASSERT_EQ(wants.size(), GetParam().powerPcBehaviour ? 1u : 0u);
    if (!wants.empty()) {
        EXPECT_EQ(wants[0].effect, effect);
        EXPECT_EQ(wants[0].value, 1);
    }
    Dispatch(effect, effMainsChanged, 0, 0);
}

INSTANTIATE_TEST_SUITE_P(Builds, IdlewireIdentity, testing::ValuesIn(kBuilds), buildName);
