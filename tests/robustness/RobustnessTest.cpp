// The plug-in under a careless host, in both builds. A host that calls from several threads at once: one
// thread processes blocks while others set and read the parameter, switch and rename programs, read the texts
// and reconfigure; every answer must be one a single-threaded host could have seen, the audio must pass
// through untouched, and the thread sanitizer must find no race. Ten thousand plug-ins made and closed in one
// process, the way a host scanning, loading and unloading sessions does: whatever a session did, its close
// must give back everything. Two copies of the plug-in in one process, and a host that exports names of the
// plug-in's interface itself: each module must keep its own state and call its own code.
#include "BaseHostCallback.h"
#include "Dispatch.h"
#include "EffectOpcodes.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

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

TEST(ModuleIsolation, TwoCopiesFromTwoPathsKeepTheirOwnState) {
    // The copy may go once loaded: the module stays mapped.
    const std::string copy = ::testing::TempDir() + "idlewire-copy-" + std::to_string(getpid()) + ".so";
    std::filesystem::copy_file(IDLEWIRE_PATH, copy, std::filesystem::copy_options::overwrite_existing);
    orke::PluginModule first(IDLEWIRE_PATH), second(copy);
    std::filesystem::remove(copy);
    ASSERT_EQ(std::make_tuple(first.Loaded(), second.Loaded()), std::make_tuple(true, true));
    ASSERT_NE(first.Symbol("VSTPluginMain"), second.Symbol("VSTPluginMain")) << "one module loaded twice";

    AEffect *a = first.Create(orke::BaseHostCallback), *b = second.Create(orke::BaseHostCallback);
    ASSERT_EQ(std::make_tuple(a != nullptr, b != nullptr), std::make_tuple(true, true));
    EXPECT_NE(a->object, b->object);
    EXPECT_NE(a->dispatcher, b->dispatcher) << "each record leads into its own module";
    Dispatch(a, effSetProgram, 0, 3);
    a->setParameter(a, 0, 0.75f);
    EXPECT_EQ(std::make_tuple(Dispatch(a, effGetProgram), Dispatch(b, effGetProgram)), std::make_tuple(3, 0));
    EXPECT_EQ(std::make_tuple(a->getParameter(a, 0), b->getParameter(b, 0)), std::make_tuple(0.75f, 0.0f));
    EXPECT_TRUE(passesThrough(a, 0.25f));
    EXPECT_TRUE(passesThrough(b, 0.5f));

    // One copy closed, the other goes on.
    EXPECT_EQ(Dispatch(a, effClose), 1);
    b->setParameter(b, 0, 0.5f);
    EXPECT_EQ(b->getParameter(b, 0), 0.5f);
    EXPECT_TRUE(passesThrough(b, 0.125f));
    EXPECT_EQ(Dispatch(b, effClose), 1);
}

constexpr int kOperationsPerWorker = 260000; // four workers: over a million requests besides the blocks
constexpr float kValues[] = {0.0f, 0.25f, 0.5f, 1.0f};
const char* const kNames[] = {"Defaults", "Pad", "Lead", "A name far longer than a program keeps", ""};

bool oneOf(const char* text, std::initializer_list<const char*> texts) {
    return std::any_of(texts.begin(), texts.end(),
                       [text](const char* t) { return std::strcmp(text, t) == 0; });
}

// Ends inside the name field and starts one of the names written: never a blend of two.
bool isProgramName(const char* text) {
    const size_t length = strnlen(text, 24);
    return length < 24 && std::any_of(std::begin(kNames), std::end(kNames), [&](const char* name) {
               return std::strncmp(text, name, length) == 0 && (length == 23 || name[length] == '\0');
           });
}

// One of the two builds, loaded.
class Build : public ::testing::TestWithParam<const char*> {
protected:
    orke::PluginModule module{GetParam()};
};
class ConcurrentHost : public Build {};
class CreateCloseCycles : public Build {};

// The parameter's and the display's answers also show that calls inside the module never reach the host's
// namesakes above.
TEST_P(ConcurrentHost, RequestsFromManyThreadsWhileProcessing) {
    ASSERT_EQ(dlsym(RTLD_DEFAULT, "AUParameterValueFromLinear"),
              reinterpret_cast<void*>(&AUParameterValueFromLinear))
        << "the host's namesakes are what a lookup through the process finds";
    AEffect* effect = module.Create(orke::BaseHostCallback);
    ASSERT_NE(effect, nullptr);
    effect->setParameter(effect, 0, 0.25f);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.25f) << "a value that went through the host's namesakes";
    Dispatch(effect, effOpen);
    Dispatch(effect, effMainsChanged, 0, 1);

    // Step i of each worker: a request or two; false when the answer is one no single-threaded host could
    // see.
    const std::function<bool(int, char*)> workers[] = {
        [&](int i, char*) {
            effect->setParameter(effect, 0, kValues[i % 4]);
            return std::count(std::begin(kValues), std::end(kValues), effect->getParameter(effect, 0)) == 1;
        },
        [&](int i, char* text) {
            if (i % 2 == 0) {
                Dispatch(effect, effSetProgram, 0, i / 2 % 8);
                return static_cast<uintptr_t>(Dispatch(effect, effGetProgram)) < 8;
            }
            std::strcpy(text, kNames[i / 2 % 5]);
            Dispatch(effect, effSetProgramName, 0, 0, text);
            std::memset(text, 'x', 64);
            Dispatch(effect, effGetProgramName, 0, 0, text);
            return isProgramName(text);
        },
        [&](int i, char* text) {
            switch (i % 4) {
            case 0:
                Dispatch(effect, effGetParamDisplay, 0, 0, text);
                return oneOf(text, {"0.000", "0.250", "0.500", "1.000"});
            case 1:
                Dispatch(effect, effGetParamName, 0, 0, text);
                return oneOf(text, {"Dummy"});
            case 2:
                Dispatch(effect, effGetProgramNameIndexed, i / 4 % 8, 0, text);
                return isProgramName(text);
            default:
                Dispatch(effect, effGetParamLabel, 0, 0, text);
                return oneOf(text, {""});
            }
        },
        [&](int i, char*) { // what hosts do between blocks without stopping the audio thread
            const int32_t opcodes[] = {effMainsChanged, effSetBlockSize, effSetSampleRate, effMainsChanged};
            const intptr_t values[] = {0, 64 << (i / 4 % 6), 0, 1};
            Dispatch(effect, opcodes[i % 4], 0, values[i % 4], nullptr, i / 4 % 2 == 0 ? 44100.0f : 96000.0f);
            return true;
        },
    };
    const char* const what[] = {"the parameter", "programs", "texts", "settings", "blocks"};
    std::atomic<int> failures[std::size(what)]{}, workersLeft{static_cast<int>(std::size(workers))};
    std::atomic<long> blocks{0};

    std::thread audio([&] {
        std::vector<float> in0(512, 0.25f), in1(512, -0.5f), out0(512), out1(512);
        float* inputs[2] = {in0.data(), in1.data()};
        float* outputs[2] = {out0.data(), out1.data()};
        for (int32_t frames = 1; workersLeft > 0; frames = (frames + 37) % 512 + 1) {
            in0[0] = in1[frames - 1] = static_cast<float>(++blocks); // so that a sample left unwritten shows
            effect->processReplacing(effect, inputs, outputs, frames);
            const size_t bytes = sizeof(float) * static_cast<size_t>(frames);
            failures[4] += std::memcmp(in0.data(), out0.data(), bytes) != 0 ||
                           std::memcmp(in1.data(), out1.data(), bytes) != 0;
        }
    });
    std::vector<std::thread> threads;
    for (size_t w = 0; w < std::size(workers); ++w) {
        threads.emplace_back([&, w] {
            char text[64];
            for (int i = 0; i < kOperationsPerWorker; ++i) {
                std::memset(text, 'x', sizeof(text));
                failures[w] += workers[w](i, text) ? 0 : 1;
            }
            --workersLeft;
        });
    }
    std::for_each(threads.begin(), threads.end(), std::mem_fn(&std::thread::join));
    audio.join();

    for (size_t k = 0; k < std::size(what); ++k) {
        EXPECT_EQ(failures[k].load(), 0) << "answers about " << what[k] << " nobody could have produced";
    }
    EXPECT_GT(blocks.load(), 0);
    EXPECT_EQ(Dispatch(effect, effClose), 1);
}

// Resident memory, counted page by page: the kernel's running totals (/proc/self/statm) may lag by dozens of
// pages, more than the growth looked for. Under a user-mode emulator the pages are the emulator's, which grow
// with the code it translates, so there the heap in use stands in for them.
long residentBytes() {
#if ORKE_TESTS_UNDER_EMULATOR
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<long>(heap.uordblks + heap.hblkhd);
#else
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string word;
    long kilobytes = 0;
    while (rollup >> word && word != "Rss:") {
    }
    rollup >> kilobytes;
    return kilobytes * 1024;
#endif
}

TEST_P(CreateCloseCycles, TenThousandSessionsLeaveNothingBehind) {
    std::vector<float> in(256, 0.5f), out0(256), out1(256);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {out0.data(), out1.data()};
    [[maybe_unused]] long residentAfterWarmUp = 0; // unused where the sanitizers keep the memory
    for (int cycle = 0; cycle < 10000; ++cycle) {
        if (cycle == 100) {
            residentAfterWarmUp = residentBytes();
        }
        AEffect* effect = module.Create(orke::BaseHostCallback);
        ASSERT_NE(effect, nullptr) << "cycle " << cycle;
        // A third of the hosts close at once, a third after suspending, a third while still running.
        if (cycle % 3 != 0) {
            char text[64] = "Session";
            Dispatch(effect, effOpen);
            Dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
            Dispatch(effect, effSetBlockSize, 0, 256);
            Dispatch(effect, effMainsChanged, 0, 1);
            Dispatch(effect, effSetProgram, 0, cycle % 8);
            Dispatch(effect, effSetProgramName, 0, 0, text);
            effect->setParameter(effect, 0, 0.5f);
            Dispatch(effect, effGetParamDisplay, 0, 0, text);
            effect->processReplacing(effect, inputs, outputs, 256);
            if (cycle % 3 == 1) {
                Dispatch(effect, effMainsChanged, 0, 0);
            }
        }
        ASSERT_EQ(Dispatch(effect, effClose), 1) << "cycle " << cycle;
    }
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "blocks that no close gave back";
#elif !defined(__SANITIZE_THREAD__) // the sanitizers hold freed memory back on purpose
    EXPECT_GT(residentAfterWarmUp, 0);
    EXPECT_LE(residentBytes() - residentAfterWarmUp, 64 * 1024) << "less than one lost block a cycle";
#endif
}

const auto kBuilds = ::testing::Values(IDLEWIRE_PATH, IDLEWIRE_POWERPC_BEHAVIOUR_PATH);
const auto buildName = [](const auto& info) {
    return info.index == 0 ? "Intel" : "PowerPC";
};
INSTANTIATE_TEST_SUITE_P(Builds, ConcurrentHost, kBuilds, buildName);
INSTANTIATE_TEST_SUITE_P(Builds, CreateCloseCycles, kBuilds, buildName);

} // namespace
