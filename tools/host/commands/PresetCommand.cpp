// orke-host preset: saves a plug-in's program or bank as a file, and says what such a file holds.
#include "Commands.h"

#include "CommandLine.h"
#include "EffectNames.h"
#include "EffectSetup.h"
#include "FileBytes.h"
#include "HostedPlugin.h"
#include "Presets.h"

namespace orke::host {
namespace {

const CommandOptions kCommand = {
    "orke-host preset",
    R"(usage: orke-host preset save [options] PLUGIN FILE
       orke-host preset show FILE

save: opens PLUGIN (a VST 2.4 .so), sets it up as the options say and writes its current program (or, with
--bank or a FILE named .fxb, all its programs) to FILE in the interface's program or bank file format: as the
plug-in's chunk when it keeps its programs as chunks, as parameter values otherwise. FILE is replaced only by a
complete new file. `orke-host process --preset FILE` and `orke-host info --preset FILE` load it.

show: says what FILE holds: program or bank, form, plug-in ID and version, names and values.

options of save:
)",
    18,
    {
        {"bank", nullptr, "write every program (a bank file) rather than the current one (a program file)"},
        {"program", "K", "select program K first; in a bank file it is the current program"},
        {"preset", "FILE", "load a program or bank file first"},
        {"param", "I=V", "set parameter I to the normalised value V (0 to 1) first; repeatable"},
    }};

std::string describe(const PresetFile& preset) {
    std::string text = std::string(preset.bank ? "bank" : "program") +
                       (preset.chunkForm ? " (chunk form)" : " (parameter form)") + " for the plug-in '" +
                       FourCharText(preset.uniqueId) + "' (" + std::to_string(preset.uniqueId) +
                       "), version " + std::to_string(preset.pluginVersion) + "\n";
    auto values = [](const ProgramValues& program) {
        std::string line;
        for (float value : program.parameters) {
            char number[32];
            std::snprintf(number, sizeof number, " %.6g", static_cast<double>(value));
            line += number;
        }
        return "'" + PrintableText(program.name) + "'" + (line.empty() ? "" : ":" + line);
    };
    if (preset.chunkForm) {
        text += "  " + std::to_string(preset.chunk.size()) + "-byte chunk";
        text += preset.bank ? " for " + std::to_string(preset.programCount) + " programs"
                            : ", program '" + PrintableText(preset.program.name) + "'";
        if (preset.bank && preset.currentProgram >= 0) {
            text += ", current " + std::to_string(preset.currentProgram);
        }
        return text + "\n";
    }
    if (!preset.bank) {
        return text + "  " + values(preset.program) + "\n";
    }
    text += "  " + std::to_string(preset.programs.size()) + " programs" +
            (preset.currentProgram >= 0 ? ", current " + std::to_string(preset.currentProgram) : "") + "\n";
    for (size_t i = 0; i < preset.programs.size(); ++i) {
        text += "    " + std::to_string(i) + "  " + values(preset.programs[i]) + "\n";
    }
    return text;
}

int show(const CommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.Positionals().size() != 2 || line.Has("bank") || line.Has("program") || line.Has("preset") ||
        line.Has("param")) {
        return UsageError(kCommand, "show takes FILE and no options", err);
    }
    PresetFile preset;
    std::string error;
    if (!ReadPresetFile(line.Positionals()[1], preset, error)) {
        return CommandError(kCommand, kExitFailure, error, err);
    }
    out << line.Positionals()[1] << ": " << describe(preset);
    return kExitSuccess;
}

int save(const CommandLine& line, std::ostream& out, std::ostream& err) {
    auto usage = [&err](const std::string& message) {
        return UsageError(kCommand, message, err);
    };
    auto fail = [&err](const std::string& message) {
        return CommandError(kCommand, kExitFailure, message, err);
    };
    if (line.Positionals().size() != 3) {
        return usage("save takes PLUGIN FILE");
    }
    const std::string& pluginPath = line.Positionals()[1];
    const std::string& file = line.Positionals()[2];
    const bool bank = line.Has("bank") || (file.size() > 4 && file.compare(file.size() - 4, 4, ".fxb") == 0);
    EffectSetup setup;
    std::string error;
    if (const int status = ReadEffectSetup(line, setup, error); status != kExitSuccess) {
        return CommandError(kCommand, status, error, err);
    }
    auto plugin = HostedPlugin::Load(pluginPath, error);
    if (!plugin) {
        return fail(error);
    }
    Effect& effect = *plugin->effect;
    if (!EffectSetupFits(effect, setup, pluginPath, error)) {
        return usage(error);
    }
    if (!ApplyEffectSetup(effect, setup, error)) {
        return fail(error);
    }
    PresetFile preset;
    std::vector<std::string> notes;
    if (!CapturePreset(effect, bank, preset, notes, error)) {
        return fail(pluginPath + ": " + error);
    }
    for (const std::string& note : notes) {
        err << "orke-host preset: note: " << PrintableText(note) << '\n';
    }
    if (!WriteFileBytes(file, WritePresetFile(preset), error)) {
        return fail(error);
    }
    const std::string description = describe(preset);
    out << file << ": " << description.substr(0, description.find('\n') + 1);
    return kExitSuccess;
}

int preset(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string action = line.Positionals().empty() ? "" : line.Positionals()[0];
    if (action == "save") {
        return save(line, out, err);
    }
    if (action == "show") {
        return show(line, out, err);
    }
    return UsageError(kCommand, "expected save or show", err);
}

} // namespace

int RunPreset(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunCommand(kCommand, argc, argv, out, err, preset);
}

} // namespace orke::host
