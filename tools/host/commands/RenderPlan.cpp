// The render's plan: the files it reads opened and checked, OUT's format and the length, before any plug-in.
#include "RenderPlan.h"

#include "CommandLine.h"
#include "FileBytes.h"

#include <cmath>
#include <vector>

namespace orke::host {
namespace {

constexpr int64_t kDefaultSampleRate = 48000;
constexpr size_t kMaxMidiFileSize = size_t{64} << 20;

int readMidi(RenderPlan& plan, std::string& error) {
    const std::string& path = plan.options.midi;
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, kMaxMidiFileSize, bytes, error)) {
        return kExitFailure;
    }
    if (!ParseMidiFile(bytes.data(), bytes.size(), plan.midi, error)) {
        error = "cannot read " + path + ": " + error;
        return kExitFailure;
    }
    return kExitSuccess;
}

// IN and the sidechain, which set the rate when there is IN and must both be at it.
int openInputs(RenderPlan& plan, std::string& error) {
    const RenderOptions& options = plan.options;
    plan.sampleRate = static_cast<int>(options.sampleRate > 0 ? options.sampleRate : kDefaultSampleRate);
    if (!options.input.empty()) {
        if (!(plan.input = InputFile::Open(options.input, error))) {
            return kExitFailure;
        }
        const SF_INFO& info = plan.input->Info();
        if (options.sampleRate > 0 && options.sampleRate != info.samplerate) {
            error = options.input + " is at " + std::to_string(info.samplerate) +
                    " Hz; orke-host does not resample, so --sample-rate cannot be " +
                    std::to_string(options.sampleRate);
            return kExitUsage;
        }
        plan.sampleRate = info.samplerate;
        plan.inputFormat = info.format;
        plan.content = info.frames >= 0 && info.frames < (int64_t{1} << 50) ? info.frames : -1;
    }
    if (!options.sidechain.empty()) {
        if (!(plan.sidechain = InputFile::Open(options.sidechain, error))) {
            return kExitFailure;
        }
        if (plan.sidechain->Info().samplerate != plan.sampleRate) {
            error = options.sidechain + " is at " + std::to_string(plan.sidechain->Info().samplerate) +
                    " Hz, the render at " + std::to_string(plan.sampleRate) +
                    " Hz; orke-host does not resample";
            return kExitFailure;
        }
    }
    return kExitSuccess;
}

// The tempo map and the length before the tail: --length, else IN's, else the MIDI file's.
int measureLength(RenderPlan& plan, std::string& error) {
    const RenderOptions& options = plan.options;
    plan.tempoMap =
        !options.midi.empty()
            ? TempoMap::FromMidiFile(plan.midi, options.tempo, options.meterGiven ? &options.meter : nullptr)
            : TempoMap(options.tempo > 0.0 ? options.tempo : kDefaultTempo, options.meter);
    if (options.length >= 0.0) {
        plan.content = std::llround(options.length * plan.sampleRate);
    } else if (!plan.input) {
        const double end = plan.tempoMap.SecondsAtTick(plan.midi.endTick);
        if (end > kMaxRenderLength) {
            error = options.midi + " lasts longer than orke-host renders (" +
                    std::to_string(static_cast<int>(kMaxRenderLength)) + " s)";
            return kExitFailure;
        }
        plan.content = std::llround(end * plan.sampleRate);
    }
    plan.tailFrames = std::llround(options.tail * plan.sampleRate);
    return kExitSuccess;
}

} // namespace

int PlanRender(RenderOptions options, RenderPlan& plan, std::string& error) {
    plan.options = std::move(options);
    const RenderOptions& given = plan.options;
    if (given.input.empty() && given.midi.empty() && given.length < 0.0) {
        error = "without IN, give --midi FILE or --length SECONDS";
        return kExitUsage;
    }
    if (!ReadSetupPreset(plan.options.setup, error)) {
        return kExitFailure;
    }
    if (!given.midi.empty()) {
        if (const int status = readMidi(plan, error); status != kExitSuccess) {
            return status;
        }
    }
    if (const int status = openInputs(plan, error); status != kExitSuccess) {
        return status;
    }
    if (!given.format.empty() ? !ParseFormat(given.format, plan.inputFormat, plan.format, error)
                              : !FormatForPath(given.output, plan.inputFormat, plan.format, error)) {
        return kExitUsage;
    }
    return measureLength(plan, error);
}

} // namespace orke::host
