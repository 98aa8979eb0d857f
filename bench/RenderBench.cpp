// orke-bench: how fast the plug-in renders a stereo block, against the two ways of moving the same bytes.
//
//   plugin/N  the record's replacing entry of a loaded Idlewire module, called as a host calls it
//   memcpy/N  memcpy of the same bytes, channel by channel
//   loop/N    a plain per-sample copy loop over the same buffers
//
// N is the block size in frames; items per second are frames per second. The module is the one built beside
// this program unless a path is given as the first argument after the benchmark options.
#include "BenchHost.h"

#include <cstring>

namespace {

using namespace bench;

constexpr int kBlockSizes[] = {1, 16, 64, 256, 1024, 4096, 8192};

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

void registerBenchmarks(AEffect* effect, StereoBuffers& buffers) {
    g_effect = effect;
    g_buffers = &buffers;
    for (const auto& [name, function] :
         {std::pair{"plugin", benchPlugin}, std::pair{"memcpy", benchMemcpy}, std::pair{"loop", benchLoop}}) {
        auto* family = benchmark::RegisterBenchmark(name, function);
        for (int frames : kBlockSizes) {
            family->Arg(frames);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    return runOnEffect(argc, argv, "orke-bench", IDLEWIRE_PATH, -1, registerBenchmarks);
}
