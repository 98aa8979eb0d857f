// orke-host process: renders an audio file through a plug-in into another file.
#include "Commands.h"

#include "AudioFiles.h"
#include "CommandLine.h"
#include "EffectOpcodes.h"
#include "HostCallback.h"
#include "HostedPlugin.h"
#include "ProgressBar.h"

#include <cmath>
#include <vector>

namespace orke::host {
namespace {

const char kHelp[] = R"(usage: orke-host process [options] PLUGIN IN OUT

Renders the audio file IN through PLUGIN (a VST 2.4 .so) at IN's sample rate and writes the result to OUT.
IN must have as many channels as the plug-in has inputs; OUT gets one channel per plug-in output. OUT appears
only when the render succeeds: it is written to a temporary file beside it and renamed at the end.

options:
  --block N         frames per process call, 1 to 65536 (default 512)
  --program K       select program K before rendering
  --param I=V       set parameter I to the normalised value V (0 to 1) before rendering; repeatable
  --format F        OUT's format as MAJOR or MAJOR:SUBTYPE, e.g. wav, flac:pcm24, wav:float (default: IN's)
                    majors: wav aiff au raw w64 rf64 caf flac ogg
                    subtypes: pcm8 u8 pcm16 pcm24 pcm32 float double ulaw alaw vorbis opus
  --tail SECONDS    render this much silence after IN's end, for effects that ring on (default 0)
  --help            show this help
)";

constexpr int64_t kMaxBlock = 65536;
constexpr double kMaxTail = 3600.0;

struct ParameterSetting {
    int32_t index;
    float value;
};

struct Options {
    std::string plugin;
    std::string input;
    std::string output;
    int32_t block = 512;
    int64_t program = -1;
    std::vector<ParameterSetting> parameters;
    std::string format;
    double tail = 0.0;
};

bool parseOptions(const CommandLine& line, Options& options, std::string& error) {
    if (line.Positionals().size() != 3) {
        error = "expected PLUGIN IN OUT";
        return false;
    }
    options.plugin = line.Positionals()[0];
    options.input = line.Positionals()[1];
    options.output = line.Positionals()[2];
    int64_t number = 0;
    if (line.Has("block")) {
        if (!ParseInteger(line.Value("block"), 1, kMaxBlock, number)) {
            error = "--block takes a whole number of frames from 1 to " + std::to_string(kMaxBlock);
            return false;
        }
        options.block = static_cast<int32_t>(number);
    }
    if (line.Has("program") && !ParseInteger(line.Value("program"), 0, INT32_MAX, options.program)) {
        error = "--program takes a program number from 0";
        return false;
    }
    for (const std::string& setting : line.Values("param")) {
        const size_t equals = setting.find('=');
        double value = 0.0;
        if (equals == std::string::npos || !ParseInteger(setting.substr(0, equals), 0, INT32_MAX, number) ||
            !ParseNumber(setting.substr(equals + 1), 0.0, 1.0, value)) {
            error = "--param takes INDEX=VALUE with a value from 0 to 1, not '" + setting + "'";
            return false;
        }
        options.parameters.push_back({static_cast<int32_t>(number), static_cast<float>(value)});
    }
    if (line.Has("tail") && !ParseNumber(line.Value("tail"), 0.0, kMaxTail, options.tail)) {
        error = "--tail takes seconds from 0 to " + std::to_string(static_cast<int>(kMaxTail));
        return false;
    }
    options.format = line.Value("format");
    int unused = 0;
    return options.format.empty() || ParseFormat(options.format, 0, unused, error);
}

// The channel buffers of one block and their pointer arrays, as the process entry takes them.
struct BlockBuffers {
    BlockBuffers(int32_t inputs, int32_t outputs, int32_t frames)
        : input(static_cast<size_t>(inputs), std::vector<float>(static_cast<size_t>(frames)))
        , output(static_cast<size_t>(outputs), std::vector<float>(static_cast<size_t>(frames))) {
        for (auto& channel : input) {
            inputPointers.push_back(channel.data());
        }
        for (auto& channel : output) {
            outputPointers.push_back(channel.data());
        }
    }
    std::vector<std::vector<float>> input;
    std::vector<std::vector<float>> output;
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;
};

int render(const Options& options, std::ostream& out, std::ostream& err) {
    std::string error;
    auto input = InputFile::Open(options.input, error);
    if (!input) {
        err << "orke-host process: " << error << '\n';
        return kExitFailure;
    }
    const SF_INFO& info = input->Info();
    int format = info.format;
    if (!options.format.empty() && !ParseFormat(options.format, info.format, format, error)) {
        err << "orke-host process: " << error << '\n';
        return kExitUsage;
    }

    SetHostSampleRate(info.samplerate);
    SetHostBlockSize(options.block);
    auto plugin = LoadPlugin(options.plugin, error);
    if (!plugin) {
        err << "orke-host process: " << error << '\n';
        return kExitFailure;
    }
    Effect& effect = *plugin->effect;
    const int32_t inputs = effect.NumInputs();
    const int32_t outputs = effect.NumOutputs();
    if (inputs != info.channels) {
        err << "orke-host process: " << options.plugin << " takes " << inputs << " input channel"
            << (inputs == 1 ? "" : "s") << "; " << options.input << " has " << info.channels << '\n';
        return kExitFailure;
    }
    if (outputs <= 0 || outputs > 256 || inputs > 256) {
        err << "orke-host process: " << options.plugin << " has " << outputs
            << " outputs; it cannot render into a file\n";
        return kExitFailure;
    }
    if (!effect.CanProcess()) {
        err << "orke-host process: " << options.plugin << " has no 32-bit process entry\n";
        return kExitFailure;
    }
    if (options.program >= effect.NumPrograms() && options.program >= 0) {
        err << "orke-host process: --program " << options.program << " is out of range: " << options.plugin
            << " has " << effect.NumPrograms() << (effect.NumPrograms() == 1 ? " program\n" : " programs\n");
        return kExitUsage;
    }
    for (const ParameterSetting& setting : options.parameters) {
        if (setting.index >= effect.NumParameters()) {
            err << "orke-host process: --param " << setting.index << " is out of range: " << options.plugin
                << " has " << effect.NumParameters()
                << (effect.NumParameters() == 1 ? " parameter\n" : " parameters\n");
            return kExitUsage;
        }
    }
    auto output = OutputFile::Create(options.output, format, outputs, info.samplerate, error);
    if (!output) {
        err << "orke-host process: " << error << '\n';
        return kExitFailure;
    }

    effect.SetSampleRate(info.samplerate);
    effect.SetBlockSize(options.block);
    effect.Dispatch(effSetProcessPrecision, 0, 0); // 32-bit samples
    if (options.program >= 0) {
        effect.SetProgram(static_cast<int32_t>(options.program));
    }
    for (const ParameterSetting& setting : options.parameters) {
        effect.SetParameter(setting.index, setting.value);
    }
    effect.Resume();
    effect.StartProcess();

    const auto tailFrames = static_cast<int64_t>(std::llround(options.tail * info.samplerate));
    const bool lengthKnown = info.frames >= 0 && info.frames < (int64_t{1} << 50);
    ProgressBar progress(lengthKnown ? info.frames + tailFrames : 0, info.samplerate);
    BlockBuffers buffers(inputs, outputs, options.block);
    std::vector<float> interleavedIn(static_cast<size_t>(options.block) * static_cast<size_t>(inputs));
    std::vector<float> interleavedOut(static_cast<size_t>(options.block) * static_cast<size_t>(outputs));
    int64_t rendered = 0;
    int64_t tailLeft = tailFrames;
    bool ok = true;
    for (;;) {
        auto frames = static_cast<int32_t>(input->Read(interleavedIn.data(), options.block));
        if (frames <= 0) {
            frames = static_cast<int32_t>(std::min<int64_t>(tailLeft, options.block));
            if (frames == 0) {
                break;
            }
            tailLeft -= frames;
            std::fill(interleavedIn.begin(), interleavedIn.end(), 0.0f);
        }
        for (int32_t c = 0; c < inputs; ++c) {
            for (int32_t i = 0; i < frames; ++i) {
                buffers.input[static_cast<size_t>(c)][static_cast<size_t>(i)] =
                    interleavedIn[static_cast<size_t>(i) * static_cast<size_t>(inputs) +
                                  static_cast<size_t>(c)];
            }
        }
        effect.Process(buffers.inputPointers.data(), buffers.outputPointers.data(), frames);
        for (int32_t c = 0; c < outputs; ++c) {
            for (int32_t i = 0; i < frames; ++i) {
                interleavedOut[static_cast<size_t>(i) * static_cast<size_t>(outputs) +
                               static_cast<size_t>(c)] =
                    buffers.output[static_cast<size_t>(c)][static_cast<size_t>(i)];
            }
        }
        if (!output->Write(interleavedOut.data(), frames, error)) {
            ok = false;
            break;
        }
        rendered += frames;
        progress.Update(rendered);
    }
    progress.Finish();
    effect.StopProcess();
    effect.Suspend();
    if (!ok || !output->Commit(error)) {
        err << "orke-host process: " << error << '\n';
        return kExitFailure;
    }
    out << options.output << ": " << rendered << " frames, " << outputs << " channel"
        << (outputs == 1 ? "" : "s") << ", " << info.samplerate << " Hz, " << FormatText(format) << '\n';
    return kExitSuccess;
}

} // namespace

int RunProcess(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CommandLine line;
    std::string error;
    const std::vector<KnownOption> known = {{"block", true},  {"program", true}, {"param", true},
                                            {"format", true}, {"tail", true},    {"help", false}};
    if (!line.Parse(argc, argv, 1, known, error)) {
        err << "orke-host process: " << error << " (see orke-host process --help)\n";
        return kExitUsage;
    }
    if (line.Has("help")) {
        out << kHelp;
        return kExitSuccess;
    }
    Options options;
    if (!parseOptions(line, options, error)) {
        err << "orke-host process: " << error << " (see orke-host process --help)\n";
        return kExitUsage;
    }
    return render(options, out, err);
}

} // namespace orke::host
