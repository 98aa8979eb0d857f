// orke-host process: renders through a plug-in into an audio file: an audio file through an effect, a MIDI
// file through an instrument, or both, with a transport the plug-in can follow.
#include "Commands.h"

#include "AudioFiles.h"
#include "CallTrace.h"
#include "CommandLine.h"
#include "CrashReport.h"
#include "EffectOpcodes.h"
#include "EffectSetup.h"
#include "EventList.h"
#include "FaultHandlers.h"
#include "FileBytes.h"
#include "HostCallback.h"
#include "HostedPlugin.h"
#include "PendingFile.h"
#include "ProgressBar.h"
#include "Transport.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace orke::host {
namespace {

const CommandOptions kCommand = {
    "orke-host process",
    R"(usage: orke-host process [options] PLUGIN [IN] OUT

Renders through PLUGIN (a VST 2.4 .so) into the audio file OUT: the audio file IN through an effect, the MIDI
file given with --midi through an instrument, or both. OUT appears only when the render succeeds: it is written
to a temporary file beside it and renamed at the end.

The render lasts as long as IN, or --length, or (without IN) the MIDI file, and then --tail more. The plug-in
gets IN's channels on its first inputs, the --sidechain file's on the next, and silence on the rest; OUT gets
one channel per plug-in output (--channels keeps fewer). While it renders the plug-in sees a playing transport
at --tempo (or the MIDI file's tempo map, or 120) in --time-signature (or the file's, or 4/4).

options:
)",
    22,
    {
        {"midi", "FILE",
         "a Standard MIDI File (format 0 or 1) whose messages the plug-in gets, each at its frame"},
        {"length", "SECONDS", "render this long before the tail, whatever IN's or the MIDI file's length"},
        {"tail", "SECONDS", "render this much more after the end, for sounds that ring on (default 0)"},
        {"sample-rate", "HZ",
         "the rate without IN (default 48000); with IN, IN's rate, which this may only repeat"},
        {"tempo", "BPM", "quarter notes per minute, 1 to 999; replaces the MIDI file's tempo map"},
        {"time-signature", "N/D", "e.g. 3/4 or 6/8; replaces the MIDI file's time signatures"},
        {"block", "N", "frames per process call, 1 to 65536 (default 512)"},
        {"program", "K", "select program K before rendering"},
        {"preset", "FILE", "load a program or bank file (.fxp, .fxb) made for this plug-in"},
        {"param", "I=V", "set parameter I to the normalised value V (0 to 1) before rendering; repeatable"},
        {"channels", "N", "write only the plug-in's first N outputs"},
        {"sidechain", "FILE", "an audio file for the plug-in's inputs after IN's (a sidechain)"},
        {"format", "F",
         "OUT's format as MAJOR or MAJOR:SUBTYPE, e.g. wav, flac:pcm24, wav:float; without it\n"
         "OUT's extension decides (.wav .aiff .flac .ogg .opus .mp3 ...), or IN's format\n"
         "majors: wav wavex aiff au raw w64 rf64 caf flac ogg mp3\n"
         "subtypes: pcm8 u8 pcm16 pcm24 pcm32 float double ulaw alaw vorbis opus layer3"},
        {"report-latency", nullptr,
         "measure the plug-in's delay with an impulse and print it beside the declared delay"},
        {"compensate", nullptr,
         "shift OUT earlier by the declared delay, rendering that much longer so nothing is cut"},
    }};

constexpr int64_t kMaxBlock = 65536;
constexpr double kMaxLength = 86400.0;
constexpr double kMaxTail = 3600.0;
constexpr int64_t kDefaultSampleRate = 48000;
constexpr size_t kMaxMidiFileSize = size_t{64} << 20;
constexpr int32_t kMaxChannels = 256;

struct Options {
    std::string plugin;
    std::string input; // empty: none
    std::string output;
    int32_t block = 512;
    EffectSetup setup;
    std::string midi;
    std::string sidechain;
    std::string format;
    double length = -1.0; // -1: not given
    double tail = 0.0;
    int64_t sampleRate = 0; // 0: not given
    double tempo = 0.0;     // 0: not given
    bool meterGiven = false;
    Meter meter;
    int64_t channels = 0; // 0: all outputs
    bool reportLatency = false;
    bool compensate = false;
};

// Checks the command line; the preset file is read only once everything else has been found sound.
bool parseOptions(const CommandLine& line, Options& options, std::string& error) {
    const auto& positionals = line.Positionals();
    if (positionals.size() != 2 && positionals.size() != 3) {
        error = "expected PLUGIN [IN] OUT";
        return false;
    }
    options.plugin = positionals[0];
    options.input = positionals.size() == 3 ? positionals[1] : "";
    options.output = positionals.back();
    int64_t number = 0;
    if (line.Has("block")) {
        if (!ParseInteger(line.Value("block"), 1, kMaxBlock, number)) {
            error = "--block takes a whole number of frames from 1 to " + std::to_string(kMaxBlock);
            return false;
        }
        options.block = static_cast<int32_t>(number);
    }
    if (line.Has("length") && !ParseNumber(line.Value("length"), 0.0, kMaxLength, options.length)) {
        error = "--length takes seconds from 0 to " + std::to_string(static_cast<int>(kMaxLength));
        return false;
    }
    if (line.Has("tail") && !ParseNumber(line.Value("tail"), 0.0, kMaxTail, options.tail)) {
        error = "--tail takes seconds from 0 to " + std::to_string(static_cast<int>(kMaxTail));
        return false;
    }
    if (line.Has("sample-rate") &&
        !ParseInteger(line.Value("sample-rate"), 8000, 768000, options.sampleRate)) {
        error = "--sample-rate takes a whole number of hertz from 8000 to 768000";
        return false;
    }
    if (line.Has("tempo") && !ParseNumber(line.Value("tempo"), 1.0, 999.0, options.tempo)) {
        error = "--tempo takes quarter notes per minute from 1 to 999, not " + Quoted(line.Value("tempo"));
        return false;
    }
    if (line.Has("time-signature")) {
        if (!ParseTimeSignature(line.Value("time-signature"), options.meter)) {
            error = "--time-signature takes N/D such as 4/4 or 6/8 (D a power of two up to 128), not " +
                    Quoted(line.Value("time-signature"));
            return false;
        }
        options.meterGiven = true;
    }
    if (line.Has("channels") && !ParseInteger(line.Value("channels"), 1, kMaxChannels, options.channels)) {
        error = "--channels takes a number of outputs from 1 to " + std::to_string(kMaxChannels);
        return false;
    }
    options.midi = line.Value("midi");
    options.sidechain = line.Value("sidechain");
    options.reportLatency = line.Has("report-latency");
    options.compensate = line.Has("compensate");
    if (options.input.empty() && options.midi.empty() && options.length < 0.0) {
        error = "without IN, give --midi FILE or --length SECONDS";
        return false;
    }
    options.format = line.Value("format");
    int unused = 0;
    return options.format.empty() || ParseFormat(options.format, 0, unused, error);
}

// The channel buffers of one block and their pointer arrays, as the process entry takes them. A plug-in
// without inputs still gets an array holding one silent channel, never a null one.
struct BlockBuffers {
    BlockBuffers(int32_t inputs, int32_t outputs, int32_t frames)
        : input(static_cast<size_t>(std::max(inputs, 1)), std::vector<float>(static_cast<size_t>(frames)))
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

// An audio file feeding some of the plug-in's inputs, block by block; silence after its end.
class Feed {
public:
    Feed(std::unique_ptr<InputFile> file, int32_t firstInput, int32_t block)
        : m_file(std::move(file))
        , m_first(firstInput)
        , m_channels(m_file ? m_file->Info().channels : 0)
        , m_interleaved(static_cast<size_t>(block) * static_cast<size_t>(m_channels)) {}

    // Fills its inputs' first `frames` frames; the frames it read from the file.
    int64_t Fill(BlockBuffers& buffers, int32_t frames) {
        int64_t got = 0;
        if (m_file && !m_ended) {
            got = m_file->Read(m_interleaved.data(), frames);
            m_ended = got < frames;
        }
        for (int32_t c = 0; c < m_channels; ++c) {
            float* channel = buffers.input[static_cast<size_t>(m_first + c)].data();
            for (int64_t i = 0; i < got; ++i) {
                channel[i] = m_interleaved[static_cast<size_t>(i * m_channels + c)];
            }
            std::fill(channel + got, channel + frames, 0.0f);
        }
        return got;
    }

private:
    std::unique_ptr<InputFile> m_file;
    int32_t m_first;
    int32_t m_channels;
    std::vector<float> m_interleaved;
    bool m_ended = false;
};

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

// The frame of the output's loudest sample after an impulse on every input, in a second instance set up as
// the rendering one; -1 when the output stays silent for the whole window.
int64_t measureDelay(const HostedPlugin& plugin, const Options& options, int sampleRate, int64_t window,
                     std::string& error) {
    AEffect* record = plugin.CreateRecord(error);
    if (record == nullptr) {
        return -1;
    }
    Effect effect(record);
    effect.Open();
    // Its buffers are made for the rendering instance's channels, which the render has found plausible.
    const Effect& rendering = *plugin.effect;
    if (effect.NumInputs() != rendering.NumInputs() || effect.NumOutputs() != rendering.NumOutputs()) {
        error = "a second instance of " + options.plugin + " has " + Counted(effect.NumInputs(), "input") +
                " and " + Counted(effect.NumOutputs(), "output") + ", the first " +
                Counted(rendering.NumInputs(), "input") + " and " + Counted(rendering.NumOutputs(), "output");
        return -1;
    }
    prepare(effect, sampleRate, options.block);
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

int render(const Options& options, std::ostream& out, std::ostream& err) {
    std::string error;
    auto fail = [&err](const std::string& message, int code = kExitFailure) {
        err << "orke-host process: " << message << '\n';
        return code;
    };
    auto note = [&err](const std::string& message) {
        err << "orke-host process: note: " << message << '\n';
    };

    // Everything that can be refused is refused before the plug-in is loaded.
    MidiFile midi;
    if (!options.midi.empty()) {
        std::vector<uint8_t> bytes;
        if (!ReadFileBytes(options.midi, kMaxMidiFileSize, bytes, error)) {
            return fail(error);
        }
        if (!ParseMidiFile(bytes.data(), bytes.size(), midi, error)) {
            return fail("cannot read " + options.midi + ": " + error);
        }
    }
    std::unique_ptr<InputFile> input;
    int sampleRate = static_cast<int>(options.sampleRate > 0 ? options.sampleRate : kDefaultSampleRate);
    int inputFormat = 0;
    int64_t inputFrames = -1;
    if (!options.input.empty()) {
        if (!(input = InputFile::Open(options.input, error))) {
            return fail(error);
        }
        const SF_INFO& info = input->Info();
        if (options.sampleRate > 0 && options.sampleRate != info.samplerate) {
            return fail(options.input + " is at " + std::to_string(info.samplerate) +
                            " Hz; orke-host does not resample, so --sample-rate cannot be " +
                            std::to_string(options.sampleRate),
                        kExitUsage);
        }
        sampleRate = info.samplerate;
        inputFormat = info.format;
        inputFrames = info.frames >= 0 && info.frames < (int64_t{1} << 50) ? info.frames : -1;
    }
    std::unique_ptr<InputFile> sidechain;
    if (!options.sidechain.empty()) {
        if (!(sidechain = InputFile::Open(options.sidechain, error))) {
            return fail(error);
        }
        if (sidechain->Info().samplerate != sampleRate) {
            return fail(options.sidechain + " is at " + std::to_string(sidechain->Info().samplerate) +
                        " Hz, the render at " + std::to_string(sampleRate) +
                        " Hz; orke-host does not resample");
        }
    }
    int format = 0;
    if (!options.format.empty() ? !ParseFormat(options.format, inputFormat, format, error)
                                : !FormatForPath(options.output, inputFormat, format, error)) {
        return fail(error, kExitUsage);
    }
    const TempoMap tempoMap =
        !options.midi.empty()
            ? TempoMap::FromMidiFile(midi, options.tempo, options.meterGiven ? &options.meter : nullptr)
            : TempoMap(options.tempo > 0.0 ? options.tempo : kDefaultTempo, options.meter);
    // The length before the tail: --length, else IN's, else the MIDI file's; -1 while IN's is not known.
    int64_t content = inputFrames;
    if (options.length >= 0.0) {
        content = std::llround(options.length * sampleRate);
    } else if (!input) {
        const double end = tempoMap.SecondsAtTick(midi.endTick);
        if (end > kMaxLength) {
            return fail(options.midi + " lasts longer than orke-host renders (" +
                        std::to_string(static_cast<int>(kMaxLength)) + " s)");
        }
        content = std::llround(end * sampleRate);
    }
    const int64_t tailFrames = std::llround(options.tail * sampleRate);

    SetHostSampleRate(sampleRate);
    SetHostBlockSize(options.block);
    // Every call into the plug-in is traced, so that the crash report knows a fault inside one.
    StartCallTrace();
    const ThreadTrace traced;
    auto plugin = HostedPlugin::Load(options.plugin, error);
    if (!plugin) {
        return fail(error);
    }
    Effect& effect = *plugin->effect;
    const int32_t inputs = effect.NumInputs();
    const int32_t outputs = effect.NumOutputs();
    if (outputs <= 0 || outputs > kMaxChannels || inputs < 0 || inputs > kMaxChannels) {
        return fail(options.plugin + " has " + std::to_string(inputs) + " inputs and " +
                    std::to_string(outputs) + " outputs; it cannot render into a file");
    }
    if (!effect.CanProcess()) {
        return fail(options.plugin + " has no 32-bit process entry");
    }
    const int32_t inputChannels = input ? input->Info().channels : 0;
    const int32_t sidechainChannels = sidechain ? sidechain->Info().channels : 0;
    if (inputChannels > inputs) {
        return fail(options.plugin + " takes " + Counted(inputs, "input channel") + "; " + options.input +
                    " has " + std::to_string(inputChannels));
    }
    if (sidechain && inputChannels + sidechainChannels > inputs) {
        return fail(options.plugin + " takes " + Counted(inputs, "input channel") + "; " +
                    (input ? "IN's " + std::to_string(inputChannels) + " and " : std::string()) +
                    "the sidechain's " + std::to_string(sidechainChannels) + " do not fit");
    }
    if (!EffectSetupFits(effect, options.setup, options.plugin, error)) {
        return fail(error, kExitUsage);
    }
    if (options.channels > outputs) {
        return fail("--channels " + std::to_string(options.channels) + " is more than " + options.plugin +
                        "'s " + Counted(outputs, "output"),
                    kExitUsage);
    }
    const auto kept = static_cast<int32_t>(options.channels > 0 ? options.channels : outputs);
    prepare(effect, sampleRate, options.block);
    if (!ApplyEffectSetup(effect, options.setup, error)) {
        return fail(error);
    }
    // A crash or a request to end removes the output being written first; a crash inside the plug-in is then
    // reported as its own.
    const FaultActionScope removeOutput(kCrashSignals | kEndSignals, FaultStage::Tidy,
                                        [](int) { RemovePendingFile(); });
    CrashReport crash(options.plugin, options.output);
    auto output = OutputFile::Create(options.output, format, kept, sampleRate, error);
    if (!output) {
        return fail(error);
    }
    if (input && inputChannels + sidechainChannels < inputs) {
        note(options.plugin + " has " + Counted(inputs, "input") + " and " + options.input + " " +
             Counted(inputChannels, "channel") +
             (sidechain ? " (and the sidechain " + std::to_string(sidechainChannels) + ")" : "") +
             ": the other inputs get silence");
    }
    if (kept < outputs) {
        note(options.plugin + " has " + Counted(outputs, "output") + "; " + options.output +
             " keeps the first " + std::to_string(kept));
    }
    if (!options.midi.empty() && !takesMidi(effect)) {
        note(options.plugin + " does not say it takes MIDI events; it gets them all the same");
    }

    if (options.reportLatency) {
        if (inputs == 0) {
            out << "latency: declared " << effect.Record()->initialDelay
                << " frames; not measured, as the plug-in has no inputs\n";
        } else {
            // A second beyond the declared delay, itself taken as at most a minute.
            const int64_t window =
                std::clamp<int64_t>(effect.Record()->initialDelay, 0, int64_t{60} * sampleRate) + sampleRate;
            error.clear();
            const int64_t measured = measureDelay(*plugin, options, sampleRate, window, error);
            if (!error.empty()) {
                return fail(error);
            }
            out << "latency: declared " << effect.Record()->initialDelay << " frames, ";
            if (measured < 0) {
                out << "not measured: no output within " << window << " frames of an impulse\n";
            } else {
                out << "measured " << measured << " frames\n";
            }
        }
        out.flush();
    }

    effect.Resume();
    effect.StartProcess();
    // Declared after resuming, where a plug-in settles it; a delay beyond a minute is no plug-in's.
    const int32_t declared = effect.Record()->initialDelay;
    const int64_t delay = options.compensate ? std::clamp<int64_t>(declared, 0, int64_t{60} * sampleRate) : 0;
    if (options.compensate && delay != declared) {
        note(options.plugin + " declares a delay of " + std::to_string(declared) + " frames; compensating " +
             std::to_string(delay));
    }
    std::vector<ScheduledMessage> messages;
    if (!options.midi.empty()) {
        messages = ScheduleMidi(midi, tempoMap, sampleRate);
    }
    EventList events(std::move(messages), options.block);
    Transport transport(tempoMap, sampleRate);

    BlockBuffers buffers(inputs, outputs, options.block);
    const bool lengthFromInput = input && options.length < 0.0;
    Feed inputFeed(std::move(input), 0, options.block);
    Feed sidechainFeed(std::move(sidechain), inputChannels, options.block);
    std::vector<float> interleaved(static_cast<size_t>(options.block) * static_cast<size_t>(kept));
    ProgressBar progress(content >= 0 ? content + tailFrames + delay : 0, sampleRate);
    int64_t rendered = 0;
    int64_t written = 0;
    int64_t inputRead = 0;
    for (;;) {
        int64_t goal = content >= 0 ? content + tailFrames + delay : -1;
        auto frames = static_cast<int32_t>(goal >= 0 ? std::min<int64_t>(options.block, goal - rendered)
                                                     : options.block);
        if (frames <= 0) {
            break;
        }
        for (size_t c = static_cast<size_t>(inputChannels + sidechainChannels); c < buffers.input.size();
             ++c) {
            std::fill(buffers.input[c].begin(), buffers.input[c].end(), 0.0f); // the plug-in may have written
        }
        const int64_t got = inputFeed.Fill(buffers, frames);
        inputRead += got;
        // IN's length is what it holds, known only at its end; its header may have announced more.
        if (lengthFromInput && got < frames && inputRead != content) {
            if (content > inputRead) {
                note(options.input + " holds " + Counted(inputRead, "frame") + ", not the " +
                     std::to_string(content) + " its header announces");
            }
            content = inputRead;
            goal = content + tailFrames + delay;
            frames = static_cast<int32_t>(std::min<int64_t>(frames, goal - rendered));
            if (frames <= 0) {
                break;
            }
        }
        sidechainFeed.Fill(buffers, frames);

        transport.Publish(rendered);
        crash.SetFrame(rendered);
        if (VstEvents* list = events.ForBlock(rendered, frames)) {
            effect.Dispatch(effProcessEvents, 0, 0, list);
        }
        effect.Process(buffers.inputPointers.data(), buffers.outputPointers.data(), frames);

        // The first `delay` frames rendered are the plug-in's own delay and are not written.
        const int64_t skip = std::clamp<int64_t>(delay - rendered, 0, frames);
        for (int32_t c = 0; c < kept; ++c) {
            const float* channel = buffers.output[static_cast<size_t>(c)].data();
            for (int64_t i = skip; i < frames; ++i) {
                interleaved[static_cast<size_t>((i - skip) * kept + c)] = channel[i];
            }
        }
        if (frames > skip && !output->Write(interleaved.data(), frames - skip, error)) {
            return fail(error);
        }
        written += frames - skip;
        rendered += frames;
        progress.Update(rendered);
    }
    progress.Finish();
    effect.StopProcess();
    effect.Suspend();
    if (!output->Commit(error)) {
        return fail(error);
    }
    out << options.output << ": " << written << " frames, " << Counted(kept, "channel") << ", " << sampleRate
        << " Hz, " << FormatText(format) << '\n';
    return kExitSuccess;
}

int process(const CommandLine& line, std::ostream& out, std::ostream& err) {
    std::string error;
    Options options;
    if (!parseOptions(line, options, error)) {
        return UsageError(kCommand, error, err);
    }
    if (const int status = ReadEffectSetup(line, options.setup, error); status != kExitSuccess) {
        return CommandError(kCommand, status, error, err);
    }
    try {
        return render(options, out, err);
    } catch (const PluginException& exception) {
        return CommandError(kCommand, kExitFailure, exception.what(), err);
    }
}

} // namespace

int RunProcess(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunCommand(kCommand, argc, argv, out, err, process);
}

} // namespace orke::host
