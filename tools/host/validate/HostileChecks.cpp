// Checks of what a careless or hostile host does: requests out of their usual order, and block sizes no host
// means. Each step has a fresh instance; a step that crashes fails the check, and the next step goes on.
#include "ValidationChecks.h"

#include "EffectOpcodes.h"
#include "ProcessingHarness.h"

#include <functional>

namespace orke::host {
namespace {

struct HostileStep {
    const char* what;
    std::function<void(CheckContext&, const HostedPlugin&)> run;
};

void runSteps(CheckContext& context, const std::vector<HostileStep>& steps) {
    auto library = context.OpenModule();
    if (!library) {
        return;
    }
    for (int step = std::max(context.ResumeFrom(), 0); step < static_cast<int>(steps.size()); ++step) {
        context.Mark(step, steps[static_cast<size_t>(step)].what);
        steps[static_cast<size_t>(step)].run(context, *library);
    }
    context.Mark(static_cast<int>(steps.size()), "");
    std::string done;
    for (const HostileStep& step : steps) {
        done += (done.empty() ? "" : "; ") + std::string(step.what);
    }
    context.Note(done);
}

// A fresh instance, opened and told the rate and block size, but not resumed; null when it cannot be made.
std::unique_ptr<Effect> freshEffect(CheckContext& context, const HostedPlugin& library) {
    auto effect = context.CreateEffect(library);
    if (effect && !effect->CanProcess()) {
        context.Fail("has no 32-bit process entry");
        return nullptr;
    }
    return effect;
}

void processSome(CheckContext& context, Effect& effect, int32_t frames = 256, int blocks = 8) {
    // Buffers as long as the largest block the effect was told to expect, so that a plug-in that writes as
    // far as that is seen doing so, not let loose on the host's memory.
    ProcessingHarness harness(context, effect, std::max({frames, effect.BlockSize(), 1}));
    for (int block = 0; block < blocks; ++block) {
        harness.Run(frames);
    }
}

} // namespace

void CheckRequestsOutOfSequence(CheckContext& context) {
    const std::vector<HostileStep> steps = {
        {"requests before open",
         [](CheckContext& context, const HostedPlugin& library) {
             std::string error;
             AEffect* record = library.CreateRecord(error);
             if (record == nullptr) {
                 context.Fail(error);
                 return;
             }
             Effect effect(record);
             effect.ParameterName(0);
             effect.ProgramName();
             effect.Dispatch(effGetEffectName, 0, 0, std::vector<char>(kTextBufferSize).data());
             if (effect.NumParameters() > 0) {
                 effect.SetParameter(0, effect.GetParameter(0));
             }
             effect.Open();
         }},
        {"processing before the first resume",
         [](CheckContext& context, const HostedPlugin& library) {
             if (auto effect = freshEffect(context, library)) {
                 processSome(context, *effect);
             }
         }},
        {"resuming twice",
         [](CheckContext& context, const HostedPlugin& library) {
             if (auto effect = freshEffect(context, library)) {
                 effect->Resume();
                 effect->Dispatch(effMainsChanged, 0, 1);
                 processSome(context, *effect);
             }
         }},
        {"the rate and block size changed while resumed",
         [](CheckContext& context, const HostedPlugin& library) {
             if (auto effect = freshEffect(context, library)) {
                 effect->Resume();
                 processSome(context, *effect, 256, 2);
                 effect->SetSampleRate(48000.0);
                 effect->SetBlockSize(512);
                 processSome(context, *effect, 512, 4);
             }
         }},
        {"suspending twice, then processing while suspended",
         [](CheckContext& context, const HostedPlugin& library) {
             if (auto effect = freshEffect(context, library)) {
                 effect->Resume();
                 processSome(context, *effect, 256, 2);
                 effect->Suspend();
                 effect->Dispatch(effMainsChanged, 0, 0);
                 processSome(context, *effect);
             }
         }},
        {"start and stop of processing out of turn",
         [](CheckContext& context, const HostedPlugin& library) {
             if (auto effect = freshEffect(context, library)) {
                 effect->StopProcess();
                 effect->Resume();
                 effect->StartProcess();
                 effect->StartProcess();
                 processSome(context, *effect);
                 effect->StopProcess();
                 effect->StopProcess();
             }
         }},
        {"closing while resumed",
         [](CheckContext& context, const HostedPlugin& library) {
             if (auto effect = freshEffect(context, library)) {
                 // Resumed behind the wrapper's back, so that closing does not suspend first.
                 effect->Dispatch(effMainsChanged, 0, 1);
                 processSome(context, *effect);
                 effect->Close();
             }
         }},
    };
    runSteps(context, steps);
}

void CheckAbsurdBlockSizes(CheckContext& context) {
    const std::vector<HostileStep> steps = {
        {"a maximum block size of 1",
         [](CheckContext& context, const HostedPlugin& library) {
             if (auto effect = freshEffect(context, library)) {
                 effect->SetBlockSize(1);
                 effect->Resume();
                 processSome(context, *effect, 1, 4096);
             }
         }},
        {"a maximum block size of 65536",
         [](CheckContext& context, const HostedPlugin& library) {
             if (auto effect = freshEffect(context, library)) {
                 effect->SetBlockSize(65536);
                 effect->Resume();
                 processSome(context, *effect, 65536, 3);
             }
         }},
        {"blocks of 1024 frames after a maximum of 64",
         [](CheckContext& context, const HostedPlugin& library) {
             if (auto effect = freshEffect(context, library)) {
                 effect->SetBlockSize(64);
                 effect->Resume();
                 processSome(context, *effect, 1024, 8);
             }
         }},
    };
    runSteps(context, steps);
}

} // namespace orke::host
