// Checks of processing: sample rates and block sizes, in-place buffers, sub-blocks with parameter changes,
// parameter fuzz, and requests from a second thread while the first processes.
#include "ValidationChecks.h"

#include "ProcessingHarness.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

namespace orke::host {
namespace {

// Every check that processes needs a process entry; without one it fails at once.
std::unique_ptr<HostedPlugin> loadProcessing(CheckContext& context) {
    auto plugin = context.Load();
    if (plugin && !plugin->effect->CanProcess()) {
        context.Fail("has no 32-bit process entry");
        return nullptr;
    }
    return plugin;
}

float randomValue(std::mt19937& random) {
    // The ends of the range come up often: they are where rounding and mapping go wrong.
    switch (random() % 8) {
    case 0:
        return 0.0f;
    case 1:
        return 1.0f;
    default:
        return std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
    }
}

} // namespace

void CheckProcessingAt(CheckContext& context, double sampleRate) {
    auto plugin = loadProcessing(context);
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    ProcessingHarness harness(context, effect);
    harness.Prepare(sampleRate);
    effect.StartProcess();
    for (int32_t frames : {0, 1, 17, 64, 512, kValidationMaxBlock}) {
        harness.RunFor(static_cast<int64_t>(sampleRate / 10), frames, frames == 0 ? 8 : 4);
    }
    effect.StopProcess();
    effect.Suspend();
    harness.ReportDenormals();
    context.Note(std::to_string(harness.FramesProcessed()) + " frames in blocks of 0, 1, 17, 64, 512 and " +
                 std::to_string(kValidationMaxBlock) + ", separate buffers" +
                 (context.Options().expectPassthrough ? ", passed through bit for bit" : ""));
}

void CheckInPlaceProcessing(CheckContext& context) {
    auto plugin = loadProcessing(context);
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    ProcessingHarness harness(context, effect);
    harness.Prepare(kValidationSampleRate);
    for (int32_t frames : {1, 64, 512, kValidationMaxBlock}) {
        harness.RunFor(4410, frames, 4, true);
    }
    effect.Suspend();
    harness.ReportDenormals();
    context.Note("outputs in the input buffers, blocks of 1, 64, 512 and " +
                 std::to_string(kValidationMaxBlock));
}

void CheckSubBlocks(CheckContext& context) {
    auto plugin = loadProcessing(context);
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    const int32_t parameters = effect.NumParameters();
    ProcessingHarness harness(context, effect);
    harness.Prepare(kValidationSampleRate);
    std::mt19937 random(2400);
    // A 1024-frame block as a host with sample-accurate automation splits it.
    const int32_t pieces[] = {1, 100, 17, 0, 250, 144, 512};
    int changes = 0;
    for (int round = 0; round < 20; ++round) {
        for (int32_t frames : pieces) {
            harness.Run(frames);
            if (parameters > 0) {
                effect.SetParameter(static_cast<int32_t>(random() % static_cast<uint32_t>(parameters)),
                                    randomValue(random));
                ++changes;
            }
        }
    }
    effect.Suspend();
    harness.ReportDenormals();
    context.Note("blocks split into 1, 100, 17, 0, 250, 144 and 512 frames, " + std::to_string(changes) +
                 " parameter changes between them");
}

void CheckParameterFuzz(CheckContext& context) {
    auto plugin = loadProcessing(context);
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    const int32_t parameters = effect.NumParameters();
    if (parameters <= 0) {
        context.Note("no parameters");
        return;
    }
    ProcessingHarness harness(context, effect);
    harness.Prepare(kValidationSampleRate);
    std::mt19937 random(44100);
    constexpr int kChanges = 3000;
    int outside = 0;
    for (int change = 0; change < kChanges; ++change) {
        const auto index = static_cast<int32_t>(random() % static_cast<uint32_t>(parameters));
        const float value = randomValue(random);
        effect.SetParameter(index, value);
        const float readBack = effect.GetParameter(index);
        if (!(std::isfinite(readBack) && readBack >= 0.0f && readBack <= 1.0f) && outside++ == 0) {
            context.Fail("parameter " + std::to_string(index) + " reads back " + std::to_string(readBack) +
                         " after being set to " + std::to_string(value));
        }
        if (change % 10 == 0) {
            effect.ParameterDisplay(index);
        }
        if (change % 25 == 0) {
            harness.Run(64);
        }
    }
    effect.Suspend();
    harness.ReportDenormals();
    context.Note(std::to_string(kChanges) + " random values in 0..1 over " +
                 Counted(parameters, "parameter") + ", processing between them");
}

void CheckSecondThread(CheckContext& context) {
    auto plugin = loadProcessing(context);
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    const int32_t parameters = effect.NumParameters();
    const int32_t programs = effect.NumPrograms();
    ProcessingHarness harness(context, effect);
    harness.Prepare(kValidationSampleRate);
    effect.StartProcess();

    std::atomic<bool> stop{false};
    std::atomic<int64_t> calls{0};
    std::atomic<int64_t> outside{0};
    std::thread other([&] {
        std::mt19937 random(48000);
        while (!stop.load()) {
            if (parameters > 0) {
                const auto index = static_cast<int32_t>(random() % static_cast<uint32_t>(parameters));
                effect.SetParameter(index, randomValue(random));
                const float value = effect.GetParameter(index);
                if (!(std::isfinite(value) && value >= 0.0f && value <= 1.0f)) {
                    outside.fetch_add(1);
                }
                effect.ParameterDisplay(index);
                calls.fetch_add(3);
            }
            if (programs > 0 && random() % 16 == 0) {
                effect.SetProgram(static_cast<int32_t>(random() % static_cast<uint32_t>(programs)));
                effect.ProgramName();
                calls.fetch_add(2);
            }
            effect.Program();
            calls.fetch_add(1);
        }
    });
    // Process until both threads have done a fair share, however fast either of them is.
    const auto start = std::chrono::steady_clock::now();
    do {
        harness.Run(256);
    } while (harness.FramesProcessed() < 102400 ||
             (calls.load() < 2000 && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)));
    stop.store(true);
    other.join();
    effect.StopProcess();
    effect.Suspend();
    if (outside.load() > 0) {
        context.Fail(std::to_string(outside.load()) +
                     " parameter values outside 0..1 read from the second thread");
    }
    harness.ReportDenormals();
    context.Note(std::to_string(calls.load()) + " parameter and program calls from a second thread during " +
                 std::to_string(harness.FramesProcessed()) + " frames");
}

} // namespace orke::host
