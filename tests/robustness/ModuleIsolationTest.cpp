// Two copies of the plug-in in one process, and a host that exports names of the plug-in's interface itself:
// each module must keep its own state and call its own code.
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

// The host's own functions under the plug-in's exported names. Were the plug-in's internal calls bound
// through the process's symbol table, its parameters would go through these and read back as nonsense.
extern "C" __attribute__((used, visibility("default"))) float AUParameterValueFromLinear(float, const void*) {
    return -1000.0f;
}
extern "C" __attribute__((used, visibility("default"))) float AUParameterValueToLinear(float, const void*) {
    return -2000.0f;
}

namespace {

intptr_t isolationHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// A copy of a module under another path, removed with its folder afterwards.
class ModuleCopy {
public:
    explicit ModuleCopy(const std::filesystem::path& original) {
        std::string folder = (std::filesystem::temp_directory_path() / "idlewire-copy-XXXXXX").string();
        if (mkdtemp(folder.data()) != nullptr) {
            m_folder = folder;
            m_path = m_folder / original.filename();
            std::filesystem::copy_file(original, m_path);
        }
    }
    ~ModuleCopy() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    ModuleCopy(const ModuleCopy&) = delete;
    ModuleCopy& operator=(const ModuleCopy&) = delete;

    std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_folder, m_path;
};

std::string programName(AEffect* effect) {
    char name[64] = {};
    Dispatch(effect, effGetProgramName, 0, 0, name);
    return name;
}

// A block through the plug-in; true when both outputs are copies of their inputs.
bool passesThrough(AEffect* effect, float level) {
    std::vector<float> in0(128, level), in1(128, -level), out0(128, 9.0f), out1(128, 9.0f);
    float* inputs[2] = {in0.data(), in1.data()};
    float* outputs[2] = {out0.data(), out1.data()};
    effect->processReplacing(effect, inputs, outputs, 128);
    return out0 == in0 && out1 == in1;
}

} // namespace

TEST(ModuleIsolation, TwoCopiesFromTwoPathsKeepTheirOwnState) {
    ModuleCopy copy(IDLEWIRE_PATH);
    PluginModule first(IDLEWIRE_PATH);
    PluginModule second(copy.Path());
    ASSERT_TRUE(first.Loaded() && second.Loaded());
    ASSERT_NE(first.Symbol("VSTPluginMain"), second.Symbol("VSTPluginMain")) << "one module loaded twice";

    AEffect* a = first.Create(isolationHost);
    AEffect* b = second.Create(isolationHost);
    ASSERT_TRUE(a != nullptr && b != nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(a->object, b->object);
    EXPECT_NE(a->dispatcher, b->dispatcher) << "each record leads into its own module";

    // Settings made in one copy are not seen by the other.
    Dispatch(a, effSetProgram, 0, 3);
    char name[] = "Only in the first";
    Dispatch(a, effSetProgramName, 0, 0, name);
    a->setParameter(a, 0, 0.75f);
    EXPECT_EQ(Dispatch(a, effGetProgram), 3);
    EXPECT_EQ(Dispatch(b, effGetProgram), 0);
    EXPECT_EQ(programName(a), "Only in the first");
    EXPECT_EQ(programName(b), "Defaults");
    EXPECT_EQ(a->getParameter(a, 0), 0.75f);
    EXPECT_EQ(b->getParameter(b, 0), 0.0f);

    EXPECT_TRUE(passesThrough(a, 0.25f));
    EXPECT_TRUE(passesThrough(b, 0.5f));

    // One copy closed, the other goes on.
    EXPECT_EQ(Dispatch(a, effClose), 1);
    b->setParameter(b, 0, 0.5f);
    EXPECT_EQ(b->getParameter(b, 0), 0.5f);
    EXPECT_TRUE(passesThrough(b, 0.125f));
    EXPECT_EQ(Dispatch(b, effClose), 1);
}

TEST(ModuleIsolation, CallsInsideTheModuleIgnoreTheHostsNamesakes) {
    // The names really are the host's here: a lookup through the process finds the host's functions.
    ASSERT_EQ(AUParameterValueFromLinear(0.5f, nullptr), -1000.0f);
    for (const char* path : {IDLEWIRE_PATH, IDLEWIRE_POWERPC_BEHAVIOUR_PATH}) {
        SCOPED_TRACE(path);
        PluginModule module(path);
        AEffect* effect = module.Create(isolationHost);
        ASSERT_NE(effect, nullptr);
        for (float value : {0.0f, 0.25f, 1.0f}) {
            effect->setParameter(effect, 0, value);
            EXPECT_EQ(effect->getParameter(effect, 0), value);
        }
        char display[64] = {};
        Dispatch(effect, effGetParamDisplay, 0, 0, display);
        EXPECT_STREQ(display, "1.000");
        EXPECT_EQ(Dispatch(effect, effClose), 1);
    }
}
