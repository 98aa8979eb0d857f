// A host that calls from several threads at once: one thread processes blocks while others set and read the
// parameter, switch and rename programs and read the texts. Every answer must stay one a single-threaded host
// could have seen, the audio must pass through untouched, and the thread sanitizer must find no race.
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Answers the version query; safe to call from any thread.
intptr_t concurrentHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

constexpr int kOperationsPerWorker = 260000; // four workers: over a million requests besides the blocks
constexpr float kValues[] = {0.0f, 0.25f, 0.5f, 1.0f};
const char* const kDisplays[] = {"0.000", "0.250", "0.500", "1.000"};
const char* const kNames[] = {"Pad", "Lead", "A name far longer than a program keeps", ""};
constexpr char kNameLetters[] = "Defaults"
                                "PadLe"
                                "A nmrohgkp"; // every letter of the names above

bool isWrittenValue(float value) {
    for (float v : kValues) {
        if (value == v) {
            return true;
        }
    }
    return false;
}

// A text within its field: ends inside `field` bytes and holds only letters some writer used.
bool fitsField(const char* text, size_t field, const char* letters) {
    const size_t length = strnlen(text, field);
    return length < field && std::strspn(text, letters) == length;
}

struct Failures {
    std::atomic<int> audio{0}, parameter{0}, program{0}, text{0};
};

class ConcurrentHost : public ::testing::TestWithParam<const char*> {
protected:
    PluginModule module{GetParam()};
};

} // namespace

TEST_P(ConcurrentHost, RequestsFromManyThreadsWhileProcessing) {
    AEffect* effect = module.Create(concurrentHost);
    ASSERT_NE(effect, nullptr);
    Dispatch(effect, effOpen);
    Dispatch(effect, effMainsChanged, 0, 1);

    Failures failures;
    std::atomic<int> workersLeft{4};
    std::atomic<long> blocks{0};

    auto audio = [&] {
        std::vector<float> in[2], out[2];
        for (int c = 0; c < 2; ++c) {
            in[c].resize(512);
            out[c].resize(512);
            for (size_t k = 0; k < 512; ++k) {
                in[c][k] = static_cast<float>(k) * (c == 0 ? 0.001f : -0.002f);
            }
        }
        float* inputs[2] = {in[0].data(), in[1].data()};
        float* outputs[2] = {out[0].data(), out[1].data()};
        for (int32_t frames = 1; workersLeft.load() > 0; frames = (frames + 37) % 512 + 1) {
            effect->processReplacing(effect, inputs, outputs, frames);
            for (int c = 0; c < 2; ++c) {
                if (std::memcmp(in[c].data(), out[c].data(), sizeof(float) * static_cast<size_t>(frames)) !=
                    0) {
                    ++failures.audio;
                }
            }
            ++blocks;
        }
    };

    auto parameters = [&] {
        for (int i = 0; i < kOperationsPerWorker; ++i) {
            if (i % 2 == 0) {
                effect->setParameter(effect, 0, kValues[i / 2 % 4]);
            } else if (!isWrittenValue(effect->getParameter(effect, 0))) {
                ++failures.parameter;
            }
        }
    };

    auto programs = [&] {
        char name[64];
        for (int i = 0; i < kOperationsPerWorker; ++i) {
            switch (i % 4) {
            case 0:
                Dispatch(effect, effSetProgram, 0, i / 4 % 8);
                break;
            case 1:
                if (const intptr_t program = Dispatch(effect, effGetProgram); program < 0 || program > 7) {
                    ++failures.program;
                }
                break;
            case 2:
                std::strcpy(name, kNames[i / 4 % 4]);
                Dispatch(effect, effSetProgramName, 0, 0, name);
                break;
            default:
                std::memset(name, 'x', sizeof(name));
                Dispatch(effect, effGetProgramName, 0, 0, name);
                if (!fitsField(name, 24, kNameLetters)) {
                    ++failures.program;
                }
            }
        }
    };

    auto texts = [&] {
        char text[64];
        for (int i = 0; i < kOperationsPerWorker; ++i) {
            std::memset(text, 'x', sizeof(text));
            switch (i % 4) {
            case 0: {
                Dispatch(effect, effGetParamDisplay, 0, 0, text);
                bool known = false;
                for (const char* display : kDisplays) {
                    known = known || std::strcmp(text, display) == 0;
                }
                failures.text += known ? 0 : 1;
                break;
            }
            case 1:
                Dispatch(effect, effGetParamName, 0, 0, text);
                failures.text += std::strcmp(text, "Dummy") == 0 ? 0 : 1;
                break;
            case 2:
                Dispatch(effect, effGetProgramNameIndexed, i / 4 % 8, 0, text);
                failures.text += fitsField(text, 24, kNameLetters) ? 0 : 1;
                break;
            default:
                Dispatch(effect, effGetParamLabel, 0, 0, text);
                failures.text += text[0] == '\0' ? 0 : 1;
            }
        }
    };

    // What hosts do between blocks without stopping the audio thread: suspend, reconfigure, resume.
    auto settings = [&] {
        for (int i = 0; i < kOperationsPerWorker; ++i) {
            switch (i % 4) {
            case 0:
                Dispatch(effect, effMainsChanged, 0, 0);
                break;
            case 1:
                Dispatch(effect, effSetBlockSize, 0, 64 << (i / 4 % 6));
                break;
            case 2:
                Dispatch(effect, effSetSampleRate, 0, 0, nullptr, i / 4 % 2 == 0 ? 44100.0f : 96000.0f);
                break;
            default:
                Dispatch(effect, effMainsChanged, 0, 1);
            }
        }
    };

    auto worker = [&workersLeft](auto work) {
        return [&workersLeft, work] {
            work();
            --workersLeft;
        };
    };
    std::thread audioThread(audio);
    std::thread workers[] = {std::thread(worker(parameters)), std::thread(worker(programs)),
                             std::thread(worker(texts)), std::thread(worker(settings))};
    for (std::thread& thread : workers) {
        thread.join();
    }
    audioThread.join();

    EXPECT_EQ(failures.audio.load(), 0) << "blocks changed by the pass-through";
    EXPECT_EQ(failures.parameter.load(), 0) << "parameter values nobody wrote";
    EXPECT_EQ(failures.program.load(), 0) << "program numbers or names out of range";
    EXPECT_EQ(failures.text.load(), 0) << "texts nobody could have produced";
    EXPECT_GT(blocks.load(), 0);
    EXPECT_EQ(Dispatch(effect, effClose), 1);
}

INSTANTIATE_TEST_SUITE_P(Builds, ConcurrentHost,
                         ::testing::Values(IDLEWIRE_PATH, IDLEWIRE_POWERPC_BEHAVIOUR_PATH),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.index == 0 ? "Intel" : "PowerPC");
                         });
