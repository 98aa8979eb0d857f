// orke-bench: how fast the plug-in renders a block, against the two ways of moving the same bytes.
//
//   plugin/N  a process call of a loaded Idlewire module, as orke-host bench makes it (RenderTiming)
//   memcpy/N  memcpy of the same bytes, channel by channel, as orke-host bench copies them
//   loop/N    a plain per-sample copy loop over the same buffers
//
// N is the block size in frames; items per second are frames per second. The module is the one built beside
// this program unless a path is given as the first argument after the benchmark options.
#include "HostCallback.h"
#include "HostedPlugin.h"
#include "RenderTiming.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

using orke::host::RenderTiming;

constexpr int kBlockSizes[] = {1, 16, 64, 256, 1024, 4096, 8192};
constexpr int32_t kLargestBlock = 8192;
constexpr double kSampleRate = 48000.0;

RenderTiming* g_timing = nullptr;

void finish(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void benchPlugin(benchmark::State& state) {
    const auto frames = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        g_timing->Process(frames);
        benchmark::ClobberMemory();
    }
    finish(state);
}

void benchMemcpy(benchmark::State& state) {
    const auto frames = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        g_timing->Copy(frames);
        benchmark::ClobberMemory();
    }
    finish(state);
}

// Built without loop-to-library-call rewriting (see CMakeLists.txt), so this stays a loop.
void benchLoop(benchmark::State& state) {
    const auto frames = static_cast<size_t>(state.range(0));
    const int32_t channels = std::min(g_timing->Inputs(), g_timing->Outputs());
    for (auto _ : state) {
        for (int32_t c = 0; c < channels; ++c) {
            const float* source = g_timing->InputChannels()[c];
            float* destination = g_timing->OutputChannels()[c];
            for (size_t k = 0; k < frames; ++k) {
                destination[k] = source[k];
            }
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const char* path = argc > 1 ? argv[1] : IDLEWIRE_PATH;
    std::string error;
    orke::host::SetHostSampleRate(kSampleRate);
    orke::host::SetHostBlockSize(kLargestBlock);
    auto plugin = orke::host::HostedPlugin::Load(path, error);
    if (plugin && (!plugin->effect->CanProcess() || plugin->effect->NumOutputs() <= 0 ||
                   !plugin->effect->ChannelsPlausible())) {
        error = std::string(path) + " has nothing to time: no process entry or no outputs";
        plugin.reset();
    }
    if (!plugin) {
        std::fprintf(stderr, "orke-bench: %s\n", error.c_str());
        return 1;
    }
    RenderTiming timing(*plugin->effect, kSampleRate, kLargestBlock);
    g_timing = &timing;
    for (const auto& [name, function] :
         {std::pair{"plugin", benchPlugin}, std::pair{"memcpy", benchMemcpy}, std::pair{"loop", benchLoop}}) {
        auto* family = benchmark::RegisterBenchmark(name, function);
        for (int frames : kBlockSizes) {
            family->Arg(frames);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    timing.Stop();
    return 0;
}
