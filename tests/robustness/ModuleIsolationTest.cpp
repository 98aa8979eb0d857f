// Two copies of the plug-in in one process, and a host that exports names of the plug-in's interface itself:
// each module must keep its own state and call its own code.
#include "BaseHostCallback.h"
#include "Dispatch.h"
#include "EffectOpcodes.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

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
    // The copy may go once loaded: the module stays mapped.
    const std::string copy = ::testing::TempDir() + "idlewire-copy-" + std::to_string(getpid()) + ".so";
    std::filesystem::copy_file(IDLEWIRE_PATH, copy, std::filesystem::copy_options::overwrite_existing);
    orke::PluginModule first(IDLEWIRE_PATH), second(copy);
    std::filesystem::remove(copy);
    ASSERT_TRUE(first.Loaded() && second.Loaded());
    ASSERT_NE(first.Symbol("VSTPluginMain"), second.Symbol("VSTPluginMain")) << "one module loaded twice";

    AEffect* a = first.Create(orke::BaseHostCallback);
    AEffect* b = second.Create(orke::BaseHostCallback);
    ASSERT_TRUE(a != nullptr && b != nullptr);
    EXPECT_NE(a->object, b->object);
    EXPECT_NE(a->dispatcher, b->dispatcher) << "each record leads into its own module";
    Dispatch(a, effSetProgram, 0, 3);
    a->setParameter(a, 0, 0.75f);
    EXPECT_EQ(Dispatch(a, effGetProgram), 3);
    EXPECT_EQ(Dispatch(b, effGetProgram), 0);
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
    ASSERT_EQ(dlsym(RTLD_DEFAULT, "AUParameterValueFromLinear"),
              reinterpret_cast<void*>(&AUParameterValueFromLinear))
        << "the host's namesakes are what a lookup through the process finds";
    for (const char* path : {IDLEWIRE_PATH, IDLEWIRE_POWERPC_BEHAVIOUR_PATH}) {
        SCOPED_TRACE(path);
        orke::PluginModule module(path);
        AEffect* effect = module.Create(orke::BaseHostCallback);
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
