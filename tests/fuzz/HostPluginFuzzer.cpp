// orke-host against a plug-in that answers whatever the fuzzer's input says (FuzzedPlugin.cpp): the input's
// first byte picks a path through the host (info as text or JSON, a render with or without an audio file,
// MIDI, latency and compensation, a preset saved and loaded again, one of the validator's checks, or blocks
// through its processing harness), the second how it is set up, and the rest is the plug-in's script.
// Everything runs in this process, as functions. Besides the sanitizers' findings it fails when a command
// that fails leaves a file behind or does not say why.
#include "Battery.h"
#include "CallTrace.h"
#include "Commands.h"
#include "FuzzSupport.h"
#include "MidiBytes.h"
#include "PluginModule.h"
#include "ProcessingHarness.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace orke::host;

// The entry that hands the fuzzed plug-in its script.
void (*g_script)(const uint8_t* script, size_t size) = nullptr;
std::string g_folder; // the render's files: an audio file and a MIDI file, and what the commands write

std::string file(const char* name) {
    return g_folder + "/" + name;
}

// A short stereo input, and a MIDI file with a tempo change, notes and running status.
void writeInputs() {
    SF_INFO info{0, 8000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* audio = sf_open(file("in.wav").c_str(), SFM_WRITE, &info);
    check(audio != nullptr);
    std::vector<float> samples(2 * 300);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(i % 37) / 37.0f - 0.5f;
    }
    sf_writef_float(audio, samples.data(), 300);
    sf_close(audio);
    // 4 ticks a quarter note, which lasts 250 ms.
    const test::Bytes track = test::MidiTrack({{0, {0xFF, 0x51, 3, 0x03, 0xD0, 0x90}},
                                               {0, {0x90, 60, 100}},
                                               {1, {64, 90}},
                                               {0, {60, 0}},
                                               {1, {0x80, 64, 0}},
                                               {0, {0xC0, 3}}});
    test::WriteBytes(file("song.mid"), test::MidiFileBytes(0, 4, {track}));
}

// A render by `words` into out.wav: no file is left when it fails.
void renderOut(std::vector<std::string> words) {
    words.push_back(file("out.wav"));
    const int status = RunCommand(RunProcess, words).status;
    check(std::filesystem::exists(file("out.wav")) == (status == 0));
    std::filesystem::remove(file("out.wav"));
}

// A render with or without MIDI and an audio input, and the inputs are left alone.
void render(uint8_t setup) {
    std::vector<std::string> words = {"process", "--block", std::to_string(1 + setup % 64 * 9),
                                      "--sample-rate", "8000"};
    if (setup & 0x40) {
        words.insert(words.end(), {"--midi", file("song.mid"), "--tail", "0.01"});
    } else {
        words.insert(words.end(), {"--length", "0.04"});
    }
    if (setup & 0x80) {
        words.insert(words.end(), {"--report-latency", "--compensate"});
    }
    words.push_back(FUZZED_PLUGIN_PATH);
    if (setup & 0x20) {
        words.push_back(file("in.wav"));
    }
    renderOut(words);
}

// A program or bank saved from one instance and loaded into fresh ones, for info and for a render.
void presetRoundTrip(uint8_t setup) {
    const std::string preset = file((setup & 1) != 0 ? "p.fxb" : "p.fxp");
    std::vector<std::string> save = {"preset", "save", FUZZED_PLUGIN_PATH, preset};
    if (setup & 2) {
        save.insert(save.end(), {"--param", "0=0.25", "--program", "0"});
    }
    if (RunCommand(RunPreset, save).status != 0) {
        check(!std::filesystem::exists(preset));
        return;
    }
    RunCommand(RunPreset, {"preset", "show", preset});
    RunCommand(RunInfo, {"info", "--json", "--preset", preset, FUZZED_PLUGIN_PATH});
    renderOut(
        {"process", "--preset", preset, "--length", "0.01", "--sample-rate", "8000", FUZZED_PLUGIN_PATH});
    std::filesystem::remove(preset);
}

// The validator's checks, all but those that process for seconds (at three sample rates, in place, beside a
// second thread): a fuzzer needs many runs a second. Their processing is the harness's, driven below.
std::vector<ValidationCheck> g_quickChecks;

void validate(uint8_t path, uint8_t setup) {
    ValidationOptions options;
    options.expectPassthrough = (setup & 1) != 0;
    options.level = kLowestLevel + (setup >> 1) % kHighestLevel;
    const size_t choice = path % (g_quickChecks.size() + 1);
    if (choice < g_quickChecks.size()) {
        // As validate runs a check, but in this process.
        BatteryRun battery;
        battery.inProcess = true;
        const std::vector<CheckResult> results =
            RunBattery(FUZZED_PLUGIN_PATH, options, {g_quickChecks[choice]}, battery);
        check(results.size() == 1);
        std::ostringstream report;
        PrintResultLine(results[0], report);
        JsonWriter json(report);
        WriteReportJson(json, FUZZED_PLUGIN_PATH, options.level, options.expectPassthrough, results);
        return;
    }
    // A few blocks through the validator's harness, as the processing checks run them.
    LineWriter writer(-1); // no child process: the lines are kept
    CheckContext context(FUZZED_PLUGIN_PATH, options, writer, 0);
    auto plugin = context.Load();
    if (!plugin) {
        return;
    }
    const int32_t sizes[] = {0, 1, 17, 64, 512, kValidationMaxBlock};
    const double rates[] = {44100.0, 48000.0, 96000.0, 8000.0};
    ProcessingHarness harness(context, *plugin->effect);
    harness.Prepare(rates[(setup >> 4) & 3]);
    plugin->effect->StartProcess();
    harness.RunFor(0, sizes[(setup >> 1) % 6], 4, (setup & 0x40) != 0);
    plugin->effect->StopProcess();
    harness.ReportDenormals();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The module stays loaded for the whole run, so that orke-host's own loading of it finds it in memory and
    // the script reaches the instances orke-host makes.
    static const auto* module = new orke::PluginModule(FUZZED_PLUGIN_PATH);
    g_script = reinterpret_cast<decltype(g_script)>(module->Symbol("FuzzedPluginScript"));
    check(g_script != nullptr);
    g_folder = MakeScratchFolder("orke-fuzzed-plugin");
    writeInputs();
    const std::vector<ValidationCheck>& checks = ValidationChecks();
    std::copy_if(checks.begin(), checks.end(), std::back_inserter(g_quickChecks),
                 [](const ValidationCheck& check) {
                     return check.name.rfind("processing-at", 0) != 0 &&
                            check.name != "in-place-processing" && check.name != "calls-from-a-second-thread";
                 });
    StartCallTrace(); // as validate does, so that the checks' calls are traced
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const uint8_t path = data[0], setup = data[1];
    g_script(data + 2, size - 2);
    switch (path % 8) {
    case 0:
        RunCommand(RunInfo, {"info", FUZZED_PLUGIN_PATH});
        break;
    case 1:
        RunCommand(RunInfo, {"info", (setup & 1) != 0 ? "--json" : "--all", FUZZED_PLUGIN_PATH});
        break;
    case 2:
    case 3:
        render(setup);
        break;
    case 4:
        presetRoundTrip(setup);
        break;
    default:
        validate(static_cast<uint8_t>(path / 8), setup);
        break;
    }
    return 0;
}
