// Programs, parameters and their texts, as a host reaches them through Idlewire's record.
#include "EffectOpcodes.h"
#include "PluginModule.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A host text buffer whose untouched bytes can be recognised.
struct Field {
    char bytes[64];
    Field() { std::memset(bytes, '#', sizeof(bytes)); }
    std::string Text() const { return bytes; }
    bool UntouchedFrom(size_t first) const {
        for (size_t i = first; i < sizeof(bytes); ++i) {
            if (bytes[i] != '#') {
                return false;
            }
        }
        return true;
    }
};

class IdlewireParameters : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        effect = module.Create(RecordingHost::Callback);
        ASSERT_NE(effect, nullptr);
    }
    void TearDown() override {
        if (effect != nullptr) {
            EXPECT_EQ(Dispatch(effect, effClose), 1);
        }
    }
    std::string ProgramName(int32_t program) {
        Field field;
        return Dispatch(effect, effGetProgramNameIndexed, program, 0, field.bytes) == 1 ? field.Text() : "?";
    }
    std::string Text(int32_t opcode, int32_t index) {
        Field field;
        Dispatch(effect, opcode, index, 0, field.bytes);
        return field.Text();
    }

    PluginModule module{GetParam()};
    RecordingHost host;
    AEffect* effect = nullptr;
};

TEST_P(IdlewireParameters, EightProgramsNamedDefaultsEachKeepingItsOwnValue) {
    EXPECT_EQ(Dispatch(effect, effGetProgram), 0);
    for (int32_t p = 0; p < 8; ++p) {
        EXPECT_EQ(ProgramName(p), "Defaults") << p;
        Dispatch(effect, effSetProgram, 0, p);
        EXPECT_EQ(effect->getParameter(effect, 0), 0.0f) << p;
    }

    Dispatch(effect, effSetProgram, 0, 3);
    effect->setParameter(effect, 0, 0.5f);
    Dispatch(effect, effSetProgram, 0, 0);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.0f);
    Dispatch(effect, effSetProgram, 0, 3);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.5f);
}

TEST_P(IdlewireParameters, RenamingChangesOnlyTheCurrentProgram) {
    Dispatch(effect, effSetProgram, 0, 3);
    char name[] = "Lead";
    Dispatch(effect, effSetProgramName, 0, 0, name);
    for (int32_t p = 0; p < 8; ++p) {
        EXPECT_EQ(ProgramName(p), p == 3 ? "Lead" : "Defaults") << p;
    }
    EXPECT_EQ(Text(effGetProgramName, 0), "Lead");
}

TEST_P(IdlewireParameters, ProgramNamesFitTheHostsTwentyFourByteField) {
    char name[] = "A program name of forty characters long!";
    ASSERT_EQ(std::strlen(name), 40u);
    Dispatch(effect, effSetProgramName, 0, 0, name);
    const std::string shown(name, 23);

    Field current;
    Dispatch(effect, effGetProgramName, 0, 0, current.bytes);
    EXPECT_EQ(current.Text(), shown);
    EXPECT_TRUE(current.UntouchedFrom(24));

    Field indexed;
    EXPECT_EQ(Dispatch(effect, effGetProgramNameIndexed, 0, 0, indexed.bytes), 1);
    EXPECT_EQ(indexed.Text(), shown);
    EXPECT_TRUE(indexed.UntouchedFrom(24));
}

TEST_P(IdlewireParameters, IndexedNamesOnlyForExistingPrograms) {
    const struct {
        int32_t program;
        intptr_t category;
        intptr_t answer;
    } cases[] = {{7, 0, 1}, {7, 42, 1}, {0, -1, 1}, {8, 0, 0}, {-1, 0, 0}, {INT32_MIN, 0, 0}};
    for (const auto& c : cases) {
        Field field;
        EXPECT_EQ(Dispatch(effect, effGetProgramNameIndexed, c.program, c.category, field.bytes), c.answer)
            << c.program;
        if (c.answer == 1) {
            EXPECT_EQ(field.Text(), "Defaults");
            EXPECT_TRUE(field.UntouchedFrom(9));
        } else {
            EXPECT_TRUE(field.UntouchedFrom(0)) << c.program;
        }
    }
}

TEST_P(IdlewireParameters, TheDummyParameterAsTheHostSeesIt) {
    Field name;
    Dispatch(effect, effGetParamName, 0, 0, name.bytes);
    EXPECT_EQ(name.Text(), "Dummy");
    for (size_t i = 5; i < 16; ++i) {
        EXPECT_EQ(name.bytes[i], '\0') << "byte " << i << " of the 16-byte field";
    }
    EXPECT_TRUE(name.UntouchedFrom(16));

    Field label;
    Dispatch(effect, effGetParamLabel, 0, 0, label.bytes);
    EXPECT_EQ(label.Text(), "");
    EXPECT_TRUE(label.UntouchedFrom(1));

    const struct {
        float normalised;
        const char* display;
    } displays[] = {{0.0f, "0.000"}, {0.25f, "0.250"}, {1.0f, "1.000"}};
    for (const auto& d : displays) {
        effect->setParameter(effect, 0, d.normalised);
        EXPECT_EQ(effect->getParameter(effect, 0), d.normalised);
        EXPECT_EQ(Text(effGetParamDisplay, 0), d.display);
    }
}

TEST_P(IdlewireParameters, ParameterNumbersOutsideTheTableAreTurnedAway) {
    effect->setParameter(effect, 0, 0.25f);
    for (const int32_t index : {1, -1, INT32_MAX, INT32_MIN}) {
        effect->setParameter(effect, index, 0.75f);
        EXPECT_EQ(effect->getParameter(effect, index), 0.0f) << index;
        EXPECT_EQ(Text(effGetParamName, index), "") << index;
        EXPECT_EQ(Text(effGetParamLabel, index), "") << index;
        EXPECT_EQ(Text(effGetParamDisplay, index), "") << index;
    }
    for (int32_t p = 0; p < 8; ++p) {
        Dispatch(effect, effSetProgram, 0, p);
        EXPECT_EQ(effect->getParameter(effect, 0), p == 0 ? 0.25f : 0.0f) << p;
    }
}

TEST_P(IdlewireParameters, NullTextBuffersAreNeverWritten) {
    for (const int32_t opcode :
         {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName,
          effGetProgramNameIndexed, effGetEffectName, effGetVendorString, effGetProductString}) {
        EXPECT_EQ(Dispatch(effect, opcode, 0, 0, nullptr), 0) << opcode;
    }
    EXPECT_EQ(ProgramName(0), "Defaults");
}

INSTANTIATE_TEST_SUITE_P(Builds, IdlewireParameters,
                         ::testing::Values(IDLEWIRE_PATH, IDLEWIRE_POWERPC_BEHAVIOUR_PATH),
                         [](const auto& info) { return info.index == 0 ? "Default" : "PowerPC"; });

} // namespace
