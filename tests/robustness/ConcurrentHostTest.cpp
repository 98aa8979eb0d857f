// A host that calls from several threads at once: one thread processes blocks while others set and read the
// parameter, switch and rename programs, read the texts and reconfigure. Every answer must be one a
// single-threaded host could have seen, the audio must pass through untouched, and the thread sanitizer must
// find no race.
#include "BaseHostCallback.h"
#include "Dispatch.h"
#include "EffectOpcodes.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace {

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

class ConcurrentHost : public ::testing::TestWithParam<const char*> {
protected:
    orke::PluginModule module{GetParam()};
};

} // namespace

TEST_P(ConcurrentHost, RequestsFromManyThreadsWhileProcessing) {
    AEffect* effect = module.Create(orke::BaseHostCallback);
    ASSERT_NE(effect, nullptr);
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
    for (std::thread& thread : threads) {
        thread.join();
    }
    audio.join();

    for (size_t k = 0; k < std::size(what); ++k) {
        EXPECT_EQ(failures[k].load(), 0) << "answers about " << what[k] << " nobody could have produced";
    }
    EXPECT_GT(blocks.load(), 0);
    EXPECT_EQ(Dispatch(effect, effClose), 1);
}

INSTANTIATE_TEST_SUITE_P(Builds, ConcurrentHost,
                         ::testing::Values(IDLEWIRE_PATH, IDLEWIRE_POWERPC_BEHAVIOUR_PATH),
                         [](const auto& info) { return info.index == 0 ? "Intel" : "PowerPC"; });
