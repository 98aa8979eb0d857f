// orke-host info: what a plug-in says about itself, as text or as one JSON object.
#include "Commands.h"

#include "CommandLine.h"
#include "EffectNames.h"
#include "EffectSetup.h"
#include "HostCommand.h"
#include "JsonWriter.h"
#include "OptionTable.h"
#include "PluginInfo.h"

#include <algorithm>
#include <cstdio>

namespace orke::host {
namespace {

struct InfoOptions {
    bool all = false;
    std::optional<std::string> json;
    EffectSetup setup;
    int timeoutSeconds = 60;
};

const OptionTable<InfoOptions> kOptions = {
    Flag("all", &InfoOptions::all, "list every program and parameter"),
    OptionalText("json", "FILE", &InfoOptions::json,
                 "print the same as one JSON object, with every program and parameter\n"
                 "(into FILE, with the text on standard output)"),
    ProgramRow(&InfoOptions::setup, "select program K first"),
    PresetRow(&InfoOptions::setup, "load a program or bank file (.fxp, .fxb) first"),
    ParamRow(&InfoOptions::setup, "set parameter I to the normalised value V (0 to 1) first; repeatable"),
    Whole("timeout", "SECONDS", &InfoOptions::timeoutSeconds, 1, 86400, "whole seconds",
          "time allowed for the plug-in to load and answer (default 60)"),
};

const CommandOptions kCommand = {
    "orke-host info",
    R"(usage: orke-host info [options] PLUGIN

Loads PLUGIN (a VST 2.4 .so), opens one effect and prints what it says about itself: names, versions, category,
unique ID, channels, flags, latency, whether it takes and sends MIDI, programs, parameters with their texts and
its answers to the can-do strings, as the options leave it. The text lists the first 32 programs and
parameters.

options:
)",
    19,
    kOptions.Options(),
};

// Enough to see what a plug-in offers; the rest is a line saying how many more there are.
constexpr int32_t kListedInText = 32;

const char* canDoWord(intptr_t answer) {
    return answer > 0 ? "yes" : answer < 0 ? "no" : "don't know";
}

std::string channelsText(int32_t channels) {
    switch (channels) {
    case 0:
        return "0 (none)";
    case 1:
        return "1 (mono)";
    case 2:
        return "2 (stereo)";
    default:
        return std::to_string(channels);
    }
}

std::string midiText(bool supported, intptr_t channels) {
    if (!supported) {
        return "no";
    }
    return channels > 0 ? "yes (" + std::to_string(channels) + " channels)" : "yes";
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : " ") + word;
    }
    return text.empty() ? "none" : text;
}

void printText(const PluginInfo& info, size_t listed, std::ostream& out) {
    auto row = [&out](const char* label, const std::string& value) {
        char padded[24];
        std::snprintf(padded, sizeof padded, "%-16s", label);
        out << "  " << padded << PrintableText(value) << '\n';
    };
    out << info.path << " (entry " << info.entry << ")\n";
    row("effect name", info.effectName);
    row("vendor", info.vendor);
    row("product", info.product);
    row("vendor version", std::to_string(info.vendorVersion));
    row("VST version", std::to_string(info.vstVersion));
    row("category", CategoryName(info.category) + " (" + std::to_string(info.category) + ")");
    row("unique ID", "'" + FourCharText(info.uniqueId) + "' (" + std::to_string(info.uniqueId) + ")");
    row("version", std::to_string(info.version));
    row("inputs", channelsText(info.inputs));
    row("outputs", channelsText(info.outputs));
    row("flags", joined(FlagNames(info.flags)) + " (" + std::to_string(info.flags) + ")");
    row("initial delay", std::to_string(info.initialDelay) + " frames");
    row("tail", std::to_string(info.tailSize) + " frames");
    row("MIDI input", midiText(info.midiInput, info.midiInputChannels));
    row("MIDI output", midiText(info.midiOutput, info.midiOutputChannels));
    auto more = [&out](int32_t count, size_t listed) {
        if (static_cast<size_t>(count) > listed) {
            out << "    and " << count - static_cast<int32_t>(listed) << " more (--all lists them)\n";
        }
    };
    row("programs",
        std::to_string(info.programCount) + " (current " + std::to_string(info.currentProgram) + ")");
    const size_t programs = std::min(info.programs.size(), listed);
    for (size_t i = 0; i < programs; ++i) {
        out << "    " << i << "  " << PrintableText(info.programs[i]) << '\n';
    }
    more(info.programCount, programs);
    row("parameters", std::to_string(info.parameterCount));
    const size_t parameters = std::min(info.parameters.size(), listed);
    for (size_t i = 0; i < parameters; ++i) {
        const ParameterInfo& parameter = info.parameters[i];
        char value[32];
        std::snprintf(value, sizeof value, "%.6g", static_cast<double>(parameter.value));
        out << "    " << i << "  " << PrintableText(parameter.name) << " = "
            << PrintableText(parameter.display)
            << (parameter.label.empty() ? "" : " " + PrintableText(parameter.label)) << "  (" << value
            << ")\n";
    }
    more(info.parameterCount, parameters);
    row("can do", "");
    for (const auto& [text, answer] : info.canDo) {
        char line[64];
        std::snprintf(line, sizeof line, "    %-20s ", text.c_str());
        out << line << canDoWord(answer) << '\n';
    }
}

void printJson(const PluginInfo& info, std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Field("path", info.path);
    json.Field("entry", info.entry);
    json.Field("effect_name", info.effectName);
    json.Field("vendor", info.vendor);
    json.Field("product", info.product);
    json.Field("vendor_version", static_cast<int64_t>(info.vendorVersion));
    json.Field("vst_version", static_cast<int64_t>(info.vstVersion));
    json.Field("category", static_cast<int64_t>(info.category));
    json.Field("category_name", CategoryName(info.category));
    json.Field("unique_id", info.uniqueId);
    json.Field("unique_id_text", FourCharText(info.uniqueId));
    json.Field("version", info.version);
    json.Field("inputs", info.inputs);
    json.Field("outputs", info.outputs);
    json.Field("flags", info.flags);
    json.Key("flag_names");
    json.BeginArray();
    for (const std::string& name : FlagNames(info.flags)) {
        json.String(name);
    }
    json.EndArray();
    json.Field("initial_delay", info.initialDelay);
    json.Field("tail_size", static_cast<int64_t>(info.tailSize));
    json.Field("midi_input", info.midiInput);
    json.Field("midi_output", info.midiOutput);
    json.Field("midi_input_channels", static_cast<int64_t>(info.midiInputChannels));
    json.Field("midi_output_channels", static_cast<int64_t>(info.midiOutputChannels));
    json.Field("current_program", info.currentProgram);
    json.Key("programs");
    json.BeginArray();
    for (const std::string& name : info.programs) {
        json.String(name);
    }
    json.EndArray();
    json.Key("parameters");
    json.BeginArray();
    for (const ParameterInfo& parameter : info.parameters) {
        json.BeginObject();
        json.Field("name", parameter.name);
        json.Field("label", parameter.label);
        json.Field("display", parameter.display);
        json.Field("value", parameter.value);
        json.EndObject();
    }
    json.EndArray();
    json.Key("can_do");
    json.BeginObject();
    for (const auto& [text, answer] : info.canDo) {
        json.Field(text, static_cast<int64_t>(answer));
    }
    json.EndObject();
    json.EndObject();
}

int info(const CommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.Positionals().size() != 1) {
        return UsageError(kCommand, "expected one PLUGIN", err);
    }
    const std::string& path = line.Positionals()[0];
    InfoOptions options;
    std::string error;
    if (!kOptions.Fill(line, options, error)) {
        return UsageError(kCommand, error, err);
    }
    if (!ReadSetupPreset(options.setup, error)) {
        return CommandError(kCommand, kExitFailure, error, err);
    }
    // In a child, so that a plug-in that crashes, hangs or ends the process in its entry or its answers
    // leaves this process to say so.
    return RunPluginWork(
        kCommand, path, options.timeoutSeconds,
        [&](std::ostream& out, std::ostream& err) {
            JsonOutput json;
            std::string error;
            if (!json.Open(options.json, error)) {
                return CommandError(kCommand, kExitFailure, error, err);
            }
            auto plugin = HostedPlugin::Load(path, error);
            if (!plugin) {
                return CommandError(kCommand, kExitFailure, error, err);
            }
            if (!EffectSetupFits(*plugin->effect, options.setup, path, error)) {
                return UsageError(kCommand, error, err);
            }
            if (!ApplyEffectSetup(*plugin->effect, options.setup, error)) {
                return CommandError(kCommand, kExitFailure, error, err);
            }
            const PluginInfo info =
                GatherInfo(*plugin, options.all || json.Wanted() ? kMaxListed : kListedInText);
            if (json.Text()) {
                printText(info, options.all ? kMaxListed : kListedInText, out);
            }
            if (json.Wanted()) {
                printJson(info, json.Stream(out));
            }
            return kExitSuccess;
        },
        out, err);
}

} // namespace

int RunInfo(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunHostCommand(kCommand, argc, argv, out, err, info);
}

} // namespace orke::host
