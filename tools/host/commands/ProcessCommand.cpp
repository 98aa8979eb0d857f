// orke-host process: renders through a plug-in into an audio file: an audio file through an effect, a MIDI
// file through an instrument, or both, with a transport the plug-in can follow. The render goes in three
// steps: the plan (RenderPlan), the set-up (RenderSetup) and the block loop (RenderLoop).
#include "Commands.h"

#include "CallTrace.h"
#include "HostCommand.h"
#include "OptionTable.h"
#include "OptionValues.h"
#include "RenderLoop.h"

namespace orke::host {
namespace {

bool parseTimeSignature(const std::string& text, RenderOptions& options, std::string&) {
    options.meterGiven = ParseTimeSignature(text, options.meter);
    return options.meterGiven;
}

bool parseFormat(const std::string& text, RenderOptions& options, std::string& error) {
    int unused = 0;
    options.format = text;
    return ParseFormat(text, 0, unused, error);
}

const OptionTable<RenderOptions> kOptions = {
    Text("midi", "FILE", &RenderOptions::midi,
         "a Standard MIDI File (format 0 or 1) whose messages the plug-in gets, each at its frame"),
    Number("length", "SECONDS", &RenderOptions::length, 0.0, kMaxRenderLength, "seconds",
           "render this long before the tail, whatever IN's or the MIDI file's length"),
    Number("tail", "SECONDS", &RenderOptions::tail, 0.0, kMaxRenderTail, "seconds",
           "render this much more after the end, for sounds that ring on (default 0)"),
    Whole("sample-rate", "HZ", &RenderOptions::sampleRate, 8000, 768000, "a whole number of hertz",
          "the rate without IN (default 48000); with IN, IN's rate, which this may only repeat"),
    Number("tempo", "BPM", &RenderOptions::tempo, 1.0, 999.0, "quarter notes per minute",
           "quarter notes per minute, {range}; replaces the MIDI file's tempo map"),
    Custom("time-signature", "N/D", parseTimeSignature, "N/D such as 4/4 or 6/8 (D a power of two up to 128)",
           "e.g. 3/4 or 6/8; replaces the MIDI file's time signatures"),
    Whole("block", "N", &RenderOptions::block, 1, kMaxRenderBlock, "a whole number of frames",
          "frames per process call, {range} (default 512)"),
    ProgramRow(&RenderOptions::setup, "select program K before rendering"),
    PresetRow(&RenderOptions::setup, "load a program or bank file (.fxp, .fxb) made for this plug-in"),
    ParamRow(&RenderOptions::setup,
             "set parameter I to the normalised value V (0 to 1) before rendering; repeatable"),
    Whole("channels", "N", &RenderOptions::channels, 1, kMaxRenderChannels, "a number of outputs",
          "write only the plug-in's first N outputs"),
    Text("sidechain", "FILE", &RenderOptions::sidechain,
         "an audio file for the plug-in's inputs after IN's (a sidechain)"),
    Custom("format", "F", parseFormat, "a format",
           "OUT's format as MAJOR or MAJOR:SUBTYPE, e.g. wav, flac:pcm24, wav:float; without it\n"
           "OUT's extension decides (.wav .aiff .flac .ogg .opus .mp3 ...), or IN's format\n"
           "majors: wav wavex aiff au raw w64 rf64 caf flac ogg mp3\n"
           "subtypes: pcm8 u8 pcm16 pcm24 pcm32 float double ulaw alaw vorbis opus layer3"),
    Flag("report-latency", &RenderOptions::reportLatency,
         "measure the plug-in's delay with an impulse and print it beside the declared delay"),
    Flag("compensate", &RenderOptions::compensate,
         "shift OUT earlier by the declared delay, rendering that much longer so nothing is cut"),
    Flag("strict", &RenderOptions::strict,
         "fail, leaving OUT unwritten, when the plug-in makes NaN, infinity or samples beyond\n"
         "+24 dBFS (without it they are warned of, with the first frame and channel)"),
};

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
    kOptions.Options(),
};

int process(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const auto& positionals = line.Positionals();
    if (positionals.size() != 2 && positionals.size() != 3) {
        return UsageError(kCommand, "expected PLUGIN [IN] OUT", err);
    }
    RenderOptions options;
    options.plugin = positionals[0];
    options.input = positionals.size() == 3 ? positionals[1] : "";
    options.output = positionals.back();
    std::string error;
    if (!kOptions.Fill(line, options, error)) {
        return UsageError(kCommand, error, err);
    }
    RenderPlan plan;
    if (const int status = PlanRender(std::move(options), plan, error); status != kExitSuccess) {
        return CommandError(kCommand, status, error, err);
    }
    // Every call into the plug-in is traced, so that the crash report knows a fault inside one.
    StartCallTrace();
    const ThreadTrace traced;
    RenderSession session;
    int status = SetUpRender(plan, session, out, err, error);
    if (status == kExitSuccess) {
        status = RunRenderLoop(plan, session, out, err, error);
    }
    return status == kExitSuccess ? status : CommandError(kCommand, status, error, err);
}

} // namespace

int RunProcess(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunHostCommand(kCommand, argc, argv, out, err, process);
}

} // namespace orke::host
