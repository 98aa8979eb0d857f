// orke-host bench: the process entry timed per block size, against memcpy of the same bytes in the same run.
#include "Commands.h"

#include "HostCallback.h"
#include "HostCommand.h"
#include "HostedPlugin.h"
#include "JsonWriter.h"
#include "OptionTable.h"
#include "RenderTiming.h"

#include <cstdio>
#include <vector>

namespace orke::host {
namespace {

struct BenchOptions {
    double seconds = 0.2;
    double sampleRate = 48000.0;
    std::optional<std::string> json;
    int timeoutSeconds = 60;
};

const OptionTable<BenchOptions> kOptions = {
    Number("seconds", "S", &BenchOptions::seconds, 0.01, 60.0, "a time",
           "time spent on each block size, {range} (default 0.2)"),
    Number("sample-rate", "R", &BenchOptions::sampleRate, 1000.0, 1536000.0, "a rate in Hz",
           "the sample rate the plug-in runs at (default 48000)"),
    OptionalText("json", "FILE", &BenchOptions::json,
                 "print the results as one JSON object (into FILE, with the table on standard output)"),
    Whole("timeout", "SECONDS", &BenchOptions::timeoutSeconds, 1, 86400, "whole seconds",
          "time allowed beyond the timing itself (default 60)"),
};

const CommandOptions kCommand = {
    "orke-host bench",
    R"(usage: orke-host bench [options] PLUGIN

Times PLUGIN's process entry for block sizes 1, 2, 4, ... 8192 frames, and memcpy of the same bytes (every
output channel's block) in the same run. For each size prints the frames processed per second and the ratio of
the plug-in's time to memcpy's: 1.0 means the plug-in costs no more than copying its output.

options:
)",
    20,
    kOptions.Options(),
};

constexpr int32_t kLargestBlock = 8192;
constexpr int kBlockSizes = 14; // 1, 2, 4, ... kLargestBlock

void printJson(const std::string& path, const BenchOptions& options, const RenderTiming& timing,
               const std::vector<RenderTiming::Timing>& timings, std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Field("plugin", path);
    json.Field("sample_rate", options.sampleRate);
    json.Field("inputs", timing.Inputs());
    json.Field("outputs", timing.Outputs());
    json.Key("blocks");
    json.BeginArray();
    for (const RenderTiming::Timing& t : timings) {
        json.BeginObject();
        json.Field("frames", t.frames);
        json.Field("calls", t.calls);
        json.Field("frames_per_second", t.FramesPerSecond());
        json.Field("ns_per_call", t.NanosecondsPerCall());
        json.Field("ratio_to_memcpy", t.RatioToCopy());
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

void printTable(const std::string& path, const BenchOptions& options, const RenderTiming& timing,
                const std::vector<RenderTiming::Timing>& timings, std::ostream& out) {
    out << path << ": " << timing.Inputs() << " in, " << timing.Outputs() << " out, " << options.sampleRate
        << " Hz\n";
    out << "   block   Mframes/s     ns/call   vs memcpy\n";
    for (const RenderTiming::Timing& t : timings) {
        char row[96];
        std::snprintf(row, sizeof row, "%8d  %10.2f  %10.1f  %9.2fx\n", t.frames, t.FramesPerSecond() / 1e6,
                      t.NanosecondsPerCall(), t.RatioToCopy());
        out << row;
    }
}

int bench(const CommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.Positionals().size() != 1) {
        return UsageError(kCommand, "expected one PLUGIN", err);
    }
    const std::string& path = line.Positionals()[0];
    BenchOptions options;
    std::string error;
    if (!kOptions.Fill(line, options, error)) {
        return UsageError(kCommand, error, err);
    }
    // The timing's own time, on top: every block size for `seconds`, and as long again for the rounds that
    // measure memcpy.
    const int allowed = options.timeoutSeconds + static_cast<int>(2 * kBlockSizes * options.seconds + 1);
    return RunPluginWork(
        kCommand, path, allowed,
        [&](std::ostream& out, std::ostream& err) {
            JsonOutput json;
            std::string error;
            if (!json.Open(options.json, error)) {
                return CommandError(kCommand, kExitFailure, error, err);
            }
            SetHostSampleRate(options.sampleRate);
            SetHostBlockSize(kLargestBlock);
            auto plugin = HostedPlugin::Load(path, error);
            if (!plugin) {
                return CommandError(kCommand, kExitFailure, error, err);
            }
            Effect& effect = *plugin->effect;
            if (!effect.CanProcess() || effect.NumOutputs() <= 0 || !effect.ChannelsPlausible()) {
                return CommandError(kCommand, kExitFailure,
                                    path + " has nothing to time: no process entry or no outputs", err);
            }
            RenderTiming timing(effect, options.sampleRate, kLargestBlock);
            std::vector<RenderTiming::Timing> timings;
            for (int32_t frames = 1; frames <= kLargestBlock; frames *= 2) {
                timings.push_back(timing.Time(frames, options.seconds));
            }
            timing.Stop();
            if (json.Text()) {
                printTable(path, options, timing, timings, out);
            }
            if (json.Wanted()) {
                printJson(path, options, timing, timings, json.Stream(out));
            }
            return kExitSuccess;
        },
        out, err);
}

} // namespace

int RunBench(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunHostCommand(kCommand, argc, argv, out, err, bench);
}

} // namespace orke::host
