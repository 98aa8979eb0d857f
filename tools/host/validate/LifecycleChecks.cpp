// Checks of an effect's life: loading, opening cold and warm, open/close cycles, suspend/resume and
// sample-rate changes without closing.
#include "ValidationChecks.h"

#include "EffectNames.h"
#include "HostCallback.h"
#include "ProcessingHarness.h"

#include <chrono>
#include <cstdio>

namespace orke::host {
namespace {

using Clock = std::chrono::steady_clock;

std::string milliseconds(Clock::duration duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", std::chrono::duration<double, std::milli>(duration).count());
    return text;
}

struct Identity {
    int32_t uniqueId, inputs, outputs, programs, parameters, flags;
    bool operator==(const Identity& other) const {
        return uniqueId == other.uniqueId && inputs == other.inputs && outputs == other.outputs &&
               programs == other.programs && parameters == other.parameters && flags == other.flags;
    }
};

Identity identityOf(const Effect& effect) {
    return {effect.UniqueId(),    effect.NumInputs(),     effect.NumOutputs(),
            effect.NumPrograms(), effect.NumParameters(), effect.Flags()};
}

} // namespace

void CheckLoad(CheckContext& context) {
    auto library = context.OpenModule();
    if (!library) {
        return;
    }
    std::string error;
    AEffect* record = library->CreateRecord(error);
    if (record == nullptr) {
        context.Fail(error);
        return;
    }
    Effect effect(record);
    effect.Open();
    context.Note(std::string("entry ") + library->EntryName() + ", '" + FourCharText(effect.UniqueId()) +
                 "', " + std::to_string(effect.NumInputs()) + " in, " + std::to_string(effect.NumOutputs()) +
                 " out");
}

void CheckOpenCold(CheckContext& context) {
    const Clock::time_point start = Clock::now();
    auto plugin = context.Load();
    if (!plugin) {
        return;
    }
    const Clock::time_point opened = Clock::now();
    plugin.reset();
    const CallbackCounts counts = ReadCallbackCounts();
    context.Note("opened in " + milliseconds(opened - start) + ", closed in " +
                 milliseconds(Clock::now() - opened) + "; " +
                 Counted(static_cast<int64_t>(counts.calls), "call") + " to the host");
    if (counts.unknown > 0) {
        context.Note(std::to_string(counts.unknown) +
                     " of them with requests the host does not know (answered 0)");
    }
}

void CheckOpenWarm(CheckContext& context) {
    auto library = context.OpenModule();
    if (!library) {
        return;
    }
    auto first = context.CreateEffect(*library);
    if (!first) {
        return;
    }
    const Identity cold = identityOf(*first);
    first.reset();
    const Clock::time_point start = Clock::now();
    auto second = context.CreateEffect(*library);
    if (!second) {
        return;
    }
    const Clock::time_point opened = Clock::now();
    if (!(identityOf(*second) == cold)) {
        context.Fail("a second instance describes itself differently from the first");
    }
    // A host may keep several instances of one plug-in at once.
    auto third = context.CreateEffect(*library);
    if (third && !(identityOf(*third) == cold)) {
        context.Fail("an instance beside another describes itself differently");
    }
    if (third) {
        ProcessingHarness one(context, *second);
        ProcessingHarness other(context, *third);
        one.Prepare(kValidationSampleRate);
        other.Prepare(kValidationSampleRate);
        for (int block = 0; block < 8; ++block) {
            one.Run(256);
            other.Run(256);
        }
        second->Suspend();
        third->Suspend();
    }
    if (!context.Failed()) {
        context.Note("reopened in " + milliseconds(opened - start) +
                     "; two instances at once process side by side");
    }
}

void CheckOpenCloseCycles(CheckContext& context) {
    auto library = context.OpenModule();
    if (!library) {
        return;
    }
    constexpr int kCycles = 25;
    // A plug-in that loads a great deal on every open (an impulse response) would run into the check's time
    // limit on a busy machine, a verdict of the machine's: the cycles stop after kCycleTime once a few have
    // run.
    constexpr std::chrono::seconds kCycleTime{20};
    const Clock::time_point start = Clock::now();
    int cycle = 0;
    for (; cycle < kCycles && (cycle < 3 || Clock::now() - start < kCycleTime); ++cycle) {
        auto effect = context.CreateEffect(*library);
        if (!effect) {
            return;
        }
        ProcessingHarness harness(context, *effect);
        harness.Prepare(kValidationSampleRate);
        harness.Run(64);
        effect->Suspend();
    }
    context.Note(std::to_string(cycle) + " cycles of open, resume, process, suspend, close; " +
                 milliseconds((Clock::now() - start) / cycle) + " each" +
                 (cycle < kCycles ? " (stopped after " + std::to_string(kCycleTime.count()) + " s)" : ""));
}

void CheckSuspendResume(CheckContext& context) {
    auto plugin = context.Load();
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    ProcessingHarness harness(context, effect);
    constexpr int kCycles = 20;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        effect.Resume();
        effect.StartProcess();
        harness.RunFor(1024, 256);
        effect.StopProcess();
        effect.Suspend();
    }
    harness.ReportDenormals();
    context.Note(std::to_string(kCycles) + " cycles of resume, process, suspend");
}

void CheckSampleRateChanges(CheckContext& context) {
    auto plugin = context.Load();
    if (!plugin) {
        return;
    }
    ProcessingHarness harness(context, *plugin->effect);
    const double rates[] = {44100.0, 96000.0, 22050.0, 48000.0, 192000.0, 8000.0, 44100.0};
    for (double rate : rates) {
        SetHostSampleRate(rate);
        harness.Prepare(rate);
        harness.RunFor(static_cast<int64_t>(rate / 20), 512);
    }
    plugin->effect->Suspend();
    harness.ReportDenormals();
    context.Note("44100, 96000, 22050, 48000, 192000, 8000 and 44100 Hz in turn, suspended between");
}

} // namespace orke::host
