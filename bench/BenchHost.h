// What both benchmarks host: a plug-in's effect made from its module and set going as a host sets it going,
// and stereo buffers as hosts hand them over.
#pragma once

#include "BaseHostCallback.h"
#include "EffectOpcodes.h"
#include "PluginModule.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace bench {

constexpr int kChannels = 2;
constexpr int kMaxFrames = 8192;

// Input and output channels in separate, cache-line aligned buffers, the inputs random, the outputs zero.
struct StereoBuffers {
    float* inputs[kChannels];
    float* outputs[kChannels];

    StereoBuffers() {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
        for (int c = 0; c < kChannels; ++c) {
            inputs[c] = allocate();
            outputs[c] = allocate();
            for (int k = 0; k < kMaxFrames; ++k) {
                inputs[c][k] = sample(random);
                outputs[c][k] = 0.0f;
            }
        }
    }
    ~StereoBuffers() {
        for (int c = 0; c < kChannels; ++c) {
            std::free(inputs[c]);
            std::free(outputs[c]);
        }
    }
    StereoBuffers(const StereoBuffers&) = delete;
    StereoBuffers& operator=(const StereoBuffers&) = delete;

    static float* allocate() {
        void* memory = std::aligned_alloc(64, kMaxFrames * sizeof(float));
        if (memory == nullptr) {
            std::abort();
        }
        return static_cast<float*>(memory);
    }
};

inline intptr_t dispatch(AEffect* effect, int32_t opcode, intptr_t value = 0, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, 0, value, nullptr, opt);
}

// The module's effect, opened at 48 kHz for blocks of up to kMaxFrames, on `program` (unless it is negative)
// and resumed. Null when the module gives no stereo effect with that program.
inline AEffect* startStereoEffect(const orke::PluginModule& module, int32_t program = -1) {
    AEffect* effect = module.Create(orke::BaseHostCallback);
    if (effect == nullptr || effect->magic != kEffectMagic || effect->numInputs < kChannels ||
        effect->numOutputs < kChannels || effect->numPrograms <= program) {
        return nullptr;
    }
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 48000.0f);
    dispatch(effect, effSetBlockSize, kMaxFrames);
    if (program >= 0) {
        dispatch(effect, effSetProgram, program);
    }
    dispatch(effect, effMainsChanged, 1);
    return effect;
}

// Suspends and closes an effect startStereoEffect made.
inline void stopEffect(AEffect* effect) {
    dispatch(effect, effMainsChanged, 0);
    dispatch(effect, effClose);
}

// A benchmark program's main: the module named by the first argument left after the benchmark options (else
// `defaultPath`), its effect started on `program`, buffers made, then `registerAll(effect, buffers)`
// registers what to time, and the benchmarks run. 1, with a line on standard error, when there is no such
// effect.
template <typename Register>
int runOnEffect(int argc, char** argv, const char* tool, const char* defaultPath, int32_t program,
                Register registerAll) {
    benchmark::Initialize(&argc, argv);
    const char* path = argc > 1 ? argv[1] : defaultPath;
    const orke::PluginModule module(path);
    AEffect* effect = module.HasEntry() ? startStereoEffect(module, program) : nullptr;
    if (effect == nullptr) {
        const std::string why = module.HasEntry()
                                    ? std::string(path) + " gives no stereo effect with that program"
                                    : module.Error();
        std::fprintf(stderr, "%s: %s\n", tool, why.c_str());
        return 1;
    }
    StereoBuffers buffers;
    registerAll(effect, buffers);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    stopEffect(effect);
    return 0;
}

} // namespace bench
