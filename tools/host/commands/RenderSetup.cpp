// The render's set-up: the plug-in loaded and checked against the plan, set up, OUT opened, the delay
// measured.
#include "RenderSetup.h"

#include "BlockBuffers.h"
#include "CommandLine.h"
#include "EffectOpcodes.h"
#include "HostCallback.h"
#include "PendingFile.h"

#include <algorithm>
#include <cmath>

namespace orke::host {
namespace {

bool takesMidi(const Effect& effect) {
    if ((effect.Flags() & effFlagsIsSynth) != 0) {
        return true;
    }
    for (const char* text : {"receiveVstEvents", "receiveVstMidiEvent"}) {
        std::string request = text;
        if (effect.Dispatch(effCanDo, 0, 0, request.data()) > 0) {
            return true;
        }
    }
    return false;
}

void prepare(Effect& effect, int sampleRate, int32_t block) {
    effect.SetSampleRate(sampleRate);
    effect.SetBlockSize(block);
    effect.Dispatch(effSetProcessPrecision, 0, 0); // 32-bit samples
}

// The plug-in's channels against IN's, the sidechain's and --channels, and the set-up against its programs
// and parameters.
int checkFit(const RenderPlan& plan, RenderSession& session, std::string& error) {
    const RenderOptions& options = plan.options;
    const Effect& effect = *session.plugin->effect;
    const int32_t inputs = effect.NumInputs();
    const int32_t outputs = effect.NumOutputs();
    if (outputs <= 0 || outputs > kMaxRenderChannels || inputs < 0 || inputs > kMaxRenderChannels) {
        error = options.plugin + " has " + std::to_string(inputs) + " inputs and " + std::to_string(outputs) +
                " outputs; it cannot render into a file";
        return kExitFailure;
    }
    if (!effect.CanProcess()) {
        error = options.plugin + " has no 32-bit process entry";
        return kExitFailure;
    }
    session.inputChannels = plan.input ? plan.input->Info().channels : 0;
    session.sidechainChannels = plan.sidechain ? plan.sidechain->Info().channels : 0;
    if (session.inputChannels > inputs) {
        error = options.plugin + " takes " + Counted(inputs, "input channel") + "; " + options.input +
                " has " + std::to_string(session.inputChannels);
        return kExitFailure;
    }
    if (plan.sidechain && session.inputChannels + session.sidechainChannels > inputs) {
        error = options.plugin + " takes " + Counted(inputs, "input channel") + "; " +
                (plan.input ? "IN's " + std::to_string(session.inputChannels) + " and " : std::string()) +
                "the sidechain's " + std::to_string(session.sidechainChannels) + " do not fit";
        return kExitFailure;
    }
    if (!EffectSetupFits(effect, options.setup, options.plugin, error)) {
        return kExitUsage;
    }
    if (options.channels > outputs) {
        error = "--channels " + std::to_string(options.channels) + " is more than " + options.plugin + "'s " +
                Counted(outputs, "output");
        return kExitUsage;
    }
    session.kept = static_cast<int32_t>(options.channels > 0 ? options.channels : outputs);
    return kExitSuccess;
}

void warnOfCutInput(const InputFile* file, const std::string& path, std::ostream& err) {
    if (file != nullptr && file->DeclaredFrames() > file->Info().frames) {
        RenderWarning(err, path + " is cut short: it holds " + Counted(file->Info().frames, "frame") +
                               " of the " + std::to_string(file->DeclaredFrames()) + " its header declares");
    }
}

void noteWhatIsLeftOut(const RenderPlan& plan, const RenderSession& session, std::ostream& err) {
    const RenderOptions& options = plan.options;
    warnOfCutInput(plan.input.get(), options.input, err);
    warnOfCutInput(plan.sidechain.get(), options.sidechain, err);
    Effect& effect = *session.plugin->effect;
    const int32_t inputs = effect.NumInputs();
    if (plan.input && session.inputChannels + session.sidechainChannels < inputs) {
        RenderNote(err, options.plugin + " has " + Counted(inputs, "input") + " and " + options.input + " " +
                            Counted(session.inputChannels, "channel") +
                            (plan.sidechain
                                 ? " (and the sidechain " + std::to_string(session.sidechainChannels) + ")"
                                 : "") +
                            ": the other inputs get silence");
    }
    if (session.kept < effect.NumOutputs()) {
        RenderNote(err, options.plugin + " has " + Counted(effect.NumOutputs(), "output") + "; " +
                            options.output + " keeps the first " + std::to_string(session.kept));
    }
    if (!options.midi.empty() && !takesMidi(effect)) {
        RenderNote(err, options.plugin + " does not say it takes MIDI events; it gets them all the same");
    }
}

// The frame of the output's loudest sample after an impulse on every input, in a second instance set up as
// the rendering one; -1 when the output stays silent for the whole window.
int64_t measureDelay(const RenderPlan& plan, const HostedPlugin& plugin, int64_t window, std::string& error) {
    const RenderOptions& options = plan.options;
    auto measured = plugin.CreateEffect(error);
    if (!measured) {
        return -1;
    }
    Effect& effect = *measured;
    // Its buffers are made for the rendering instance's channels, which the render has found plausible.
    const Effect& rendering = *plugin.effect;
    if (effect.NumInputs() != rendering.NumInputs() || effect.NumOutputs() != rendering.NumOutputs()) {
        error = "a second instance of " + options.plugin + " has " + Counted(effect.NumInputs(), "input") +
                " and " + Counted(effect.NumOutputs(), "output") + ", the first " +
                Counted(rendering.NumInputs(), "input") + " and " + Counted(rendering.NumOutputs(), "output");
        return -1;
    }
    prepare(effect, plan.sampleRate, options.block);
    if (!ApplyEffectSetup(effect, options.setup, error)) {
        return -1;
    }
    effect.Resume();
    effect.StartProcess();
    BlockBuffers buffers(effect.NumInputs(), effect.NumOutputs(), options.block);
    for (auto& channel : buffers.input) {
        channel[0] = 1.0f;
    }
    int64_t loudestFrame = -1;
    float loudest = 1e-6f; // below this the output counts as silence
    for (int64_t start = 0; start < window; start += options.block) {
        const auto frames = static_cast<int32_t>(std::min<int64_t>(options.block, window - start));
        effect.Process(buffers.inputPointers.data(), buffers.outputPointers.data(), frames);
        for (auto& channel : buffers.input) {
            std::fill(channel.begin(), channel.end(), 0.0f);
        }
        for (const auto& channel : buffers.output) {
            for (int32_t i = 0; i < frames; ++i) {
                const float level = std::fabs(channel[static_cast<size_t>(i)]);
                if (level > loudest) { // NaN never is
                    loudest = level;
                    loudestFrame = start + i;
                }
            }
        }
    }
    effect.StopProcess();
    return loudestFrame;
}

int reportLatency(const RenderPlan& plan, const RenderSession& session, std::ostream& out,
                  std::string& error) {
    const Effect& effect = *session.plugin->effect;
    const int32_t declared = effect.Record()->initialDelay;
    if (effect.NumInputs() == 0) {
        out << "latency: declared " << declared << " frames; not measured, as the plug-in has no inputs\n";
        out.flush();
        return kExitSuccess;
    }
    // A second beyond the declared delay, itself taken as at most a minute.
    const int64_t window = std::clamp<int64_t>(declared, 0, int64_t{60} * plan.sampleRate) + plan.sampleRate;
    error.clear();
    const int64_t measured = measureDelay(plan, *session.plugin, window, error);
    if (!error.empty()) {
        return kExitFailure;
    }
    out << "latency: declared " << declared << " frames, ";
    if (measured < 0) {
        out << "not measured: no output within " << window << " frames of an impulse\n";
    } else {
        out << "measured " << measured << " frames\n";
    }
    out.flush();
    return kExitSuccess;
}

} // namespace

void RenderNote(std::ostream& err, const std::string& message) {
    err << "orke-host process: note: " << message << '\n';
}

void RenderWarning(std::ostream& err, const std::string& message) {
    err << "orke-host process: warning: " << message << '\n';
}

int SetUpRender(const RenderPlan& plan, RenderSession& session, std::ostream& out, std::ostream& err,
                std::string& error) {
    const RenderOptions& options = plan.options;
    SetHostSampleRate(plan.sampleRate);
    SetHostBlockSize(options.block);
    // From the entry on: a plug-in may end the process in any call.
    session.removeOutput = std::make_unique<FaultActionScope>(
        kCrashSignals | kEndSignals | kPluginEnds, FaultStage::Tidy, [](int) { RemovePendingFile(); });
    session.crash = std::make_unique<CrashReport>(options.plugin, options.output);
    if (!(session.plugin = HostedPlugin::Load(options.plugin, error))) {
        return kExitFailure;
    }
    if (const int status = checkFit(plan, session, error); status != kExitSuccess) {
        return status;
    }
    Effect& effect = *session.plugin->effect;
    prepare(effect, plan.sampleRate, options.block);
    if (!ApplyEffectSetup(effect, options.setup, error)) {
        return kExitFailure;
    }
    if (!(session.output =
              OutputFile::Create(options.output, plan.format, session.kept, plan.sampleRate, error))) {
        return kExitFailure;
    }
    noteWhatIsLeftOut(plan, session, err);
    return options.reportLatency ? reportLatency(plan, session, out, error) : kExitSuccess;
}

} // namespace orke::host
