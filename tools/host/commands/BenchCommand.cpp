// orke-host bench: the process entry timed per block size, against memcpy of the same bytes in the same run.
#include "Commands.h"

#include "CommandLine.h"
#include "HostCallback.h"
#include "HostedPlugin.h"
#include "JsonWriter.h"
#include "TestSignal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace orke::host {
namespace {

const CommandOptions kCommand = {
    "orke-host bench",
    R"(usage: orke-host bench [options] PLUGIN

Times PLUGIN's process entry for block sizes 1, 2, 4, ... 8192 frames, and memcpy of the same bytes (every
output channel's block) in the same run. For each size prints the frames processed per second and the ratio of
the plug-in's time to memcpy's: 1.0 means the plug-in costs no more than copying its output.

options:
)",
    20,
    {
        {"seconds", "S", "time spent on each block size, 0.01 to 60 (default 0.2)"},
        {"sample-rate", "R", "the sample rate the plug-in runs at (default 48000)"},
        {"json", nullptr, "print the results as one JSON object"},
    }};

constexpr int32_t kLargestBlock = 8192;

using Clock = std::chrono::steady_clock;

// Keeps the compiler from dropping a copy whose result nobody reads.
inline void touch(void* pointer) {
    asm volatile("" : : "g"(pointer) : "memory");
}

struct Timing {
    int32_t frames;
    int64_t blocks;
    double pluginSeconds;
    double copySeconds;
};

Timing timeBlock(const Effect& effect, GuardedBuffers& input, GuardedBuffers& output, int32_t frames,
                 double budget) {
    Timing timing{frames, 0, 0.0, 0.0};
    // Warm the caches and let the plug-in settle.
    for (int i = 0; i < 16; ++i) {
        effect.Process(input.Pointers(), output.Pointers(), frames);
    }
    const Clock::time_point start = Clock::now();
    Clock::time_point now = start;
    int64_t blocks = 0;
    while (std::chrono::duration<double>(now - start).count() < budget) {
        for (int i = 0; i < 64; ++i) {
            effect.Process(input.Pointers(), output.Pointers(), frames);
        }
        blocks += 64;
        now = Clock::now();
    }
    timing.blocks = blocks;
    timing.pluginSeconds = std::chrono::duration<double>(now - start).count();

    const int32_t inputs = input.Channels();
    const size_t bytes = sizeof(float) * static_cast<size_t>(frames);
    const Clock::time_point copyStart = Clock::now();
    for (int64_t block = 0; block < blocks; ++block) {
        for (int32_t c = 0; c < output.Channels(); ++c) {
            const float* source =
                inputs > 0 ? input.Channel(c % inputs) : output.Channel((c + 1) % output.Channels());
            std::memcpy(output.Channel(c), source, bytes);
            touch(output.Channel(c));
        }
    }
    timing.copySeconds = std::chrono::duration<double>(Clock::now() - copyStart).count();
    return timing;
}

int bench(const CommandLine& line, std::ostream& out, std::ostream& err) {
    std::string error;
    if (line.Positionals().size() != 1) {
        return UsageError(kCommand, "expected one PLUGIN", err);
    }
    double budget = 0.2;
    double sampleRate = 48000.0;
    if (line.Has("seconds") && !ParseNumber(line.Value("seconds"), 0.01, 60.0, budget)) {
        err << "orke-host bench: --seconds takes a time from 0.01 to 60\n";
        return kExitUsage;
    }
    if (line.Has("sample-rate") && !ParseNumber(line.Value("sample-rate"), 1000.0, 1536000.0, sampleRate)) {
        err << "orke-host bench: --sample-rate takes a rate from 1000 to 1536000 Hz\n";
        return kExitUsage;
    }
    SetHostSampleRate(sampleRate);
    SetHostBlockSize(kLargestBlock);
    auto plugin = HostedPlugin::Load(line.Positionals()[0], error);
    if (!plugin) {
        err << "orke-host bench: " << error << '\n';
        return kExitFailure;
    }
    Effect& effect = *plugin->effect;
    if (!effect.CanProcess() || effect.NumOutputs() <= 0 || effect.NumOutputs() > 256 ||
        effect.NumInputs() < 0 || effect.NumInputs() > 256) {
        err << "orke-host bench: " << line.Positionals()[0]
            << " has nothing to time: no process entry or no outputs\n";
        return kExitFailure;
    }
    effect.SetSampleRate(sampleRate);
    effect.SetBlockSize(kLargestBlock);
    effect.Resume();
    effect.StartProcess();
    GuardedBuffers input(effect.NumInputs(), kLargestBlock);
    GuardedBuffers output(effect.NumOutputs(), kLargestBlock);
    FillTestSignal(input, kLargestBlock, 0);
    std::vector<Timing> timings;
    for (int32_t frames = 1; frames <= kLargestBlock; frames *= 2) {
        timings.push_back(timeBlock(effect, input, output, frames, budget));
    }
    effect.StopProcess();
    effect.Suspend();

    auto framesPerSecond = [](const Timing& t) {
        return static_cast<double>(t.blocks) * t.frames / std::max(t.pluginSeconds, 1e-12);
    };
    auto ratio = [](const Timing& t) {
        return t.pluginSeconds / std::max(t.copySeconds, 1e-12);
    };
    if (line.Has("json")) {
        JsonWriter json(out);
        json.BeginObject();
        json.Field("plugin", line.Positionals()[0]);
        json.Field("sample_rate", sampleRate);
        json.Field("inputs", effect.NumInputs());
        json.Field("outputs", effect.NumOutputs());
        json.Key("blocks");
        json.BeginArray();
        for (const Timing& t : timings) {
            json.BeginObject();
            json.Field("frames", t.frames);
            json.Field("calls", t.blocks);
            json.Field("frames_per_second", framesPerSecond(t));
            json.Field("ns_per_call", t.pluginSeconds * 1e9 / static_cast<double>(t.blocks));
            json.Field("ratio_to_memcpy", ratio(t));
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
        return kExitSuccess;
    }
    out << line.Positionals()[0] << ": " << effect.NumInputs() << " in, " << effect.NumOutputs() << " out, "
        << sampleRate << " Hz\n";
    out << "   block   Mframes/s     ns/call   vs memcpy\n";
    for (const Timing& t : timings) {
        char row[96];
        std::snprintf(row, sizeof row, "%8d  %10.2f  %10.1f  %9.2fx\n", t.frames, framesPerSecond(t) / 1e6,
                      t.pluginSeconds * 1e9 / static_cast<double>(t.blocks), ratio(t));
        out << row;
    }
    return kExitSuccess;
}

} // namespace

int RunBench(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunCommand(kCommand, argc, argv, out, err, bench);
}

} // namespace orke::host
