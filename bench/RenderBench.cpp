// orke-bench: how fast the plug-in renders a stereo block, against the two ways of moving the same bytes.
//
//   plugin/N  the record's replacing entry of a loaded Idlewire module, called as a host calls it
//   memcpy/N  memcpy of the same bytes, channel by channel
//   loop/N    a plain per-sample copy loop over the same buffers
//
// N is the block size in frames; items per second are frames per second. The module is the one built beside
// this program unless a path is given as the first argument after the benchmark options.
#include "EffectOpcodes.h"
#include "EffectRecord.h"
#include "HostOpcodes.h"

#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

constexpr int kChannels = 2;
constexpr int kMaxFrames = 8192;
constexpr int kBlockSizes[] = {1, 16, 64, 256, 1024, 4096, 8192};

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Input and output channels in separate, cache-line aligned buffers, as hosts usually hand them over.
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

StereoBuffers* g_buffers = nullptr;
AEffect* g_effect = nullptr;

void finish(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void benchPlugin(benchmark::State& state) {
    const auto frames = static_cast<int32_t>(state.range(0));
    AEffect* effect = g_effect;
    for (auto _ : state) {
        effect->processReplacing(effect, g_buffers->inputs, g_buffers->outputs, frames);
        benchmark::ClobberMemory();
    }
    finish(state);
}

void benchMemcpy(benchmark::State& state) {
    const auto bytes = static_cast<size_t>(state.range(0)) * sizeof(float);
    for (auto _ : state) {
        for (int c = 0; c < kChannels; ++c) {
            std::memcpy(g_buffers->outputs[c], g_buffers->inputs[c], bytes);
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

// Built without loop-to-library-call rewriting (see CMakeLists.txt), so this stays a loop.
void benchLoop(benchmark::State& state) {
    const auto frames = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (int c = 0; c < kChannels; ++c) {
            const float* source = g_buffers->inputs[c];
            float* destination = g_buffers->outputs[c];
            for (size_t k = 0; k < frames; ++k) {
                destination[k] = source[k];
            }
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

intptr_t dispatch(int32_t opcode, intptr_t value = 0, float opt = 0.0f) {
    return g_effect->dispatcher(g_effect, opcode, 0, value, nullptr, opt);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const char* path = argc > 1 ? argv[1] : IDLEWIRE_PATH;

    void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        std::fprintf(stderr, "orke-bench: cannot load %s: %s\n", path, dlerror());
        return 1;
    }
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(module, "VSTPluginMain"));
    g_effect = entry != nullptr ? entry(hostCallback) : nullptr;
    if (g_effect == nullptr || g_effect->magic != kEffectMagic || g_effect->numInputs < kChannels ||
        g_effect->numOutputs < kChannels) {
        std::fprintf(stderr, "orke-bench: %s gives no stereo effect\n", path);
        return 1;
    }
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 48000.0f);
    dispatch(effSetBlockSize, kMaxFrames);
    dispatch(effMainsChanged, 1);

    StereoBuffers buffers;
    g_buffers = &buffers;
    for (const auto& [name, function] :
         {std::pair{"plugin", benchPlugin}, std::pair{"memcpy", benchMemcpy}, std::pair{"loop", benchLoop}}) {
        auto* family = benchmark::RegisterBenchmark(name, function);
        for (int frames : kBlockSizes) {
            family->Arg(frames);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    dispatch(effMainsChanged, 0);
    dispatch(effClose);
    g_buffers = nullptr;
    dlclose(module);
    return 0;
}
