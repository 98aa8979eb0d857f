// orke-host preset: saves a plug-in's program or bank as a file, and says what such a file holds.
#include "Commands.h"

#include "CommandLine.h"
#include "EffectSetup.h"
#include "FileBytes.h"
#include "HostCommand.h"
#include "HostedPlugin.h"
#include "OptionTable.h"
#include "Presets.h"

#include <algorithm>

namespace orke::host {
namespace {

struct PresetOptions {
    bool bank = false;
    EffectSetup setup;
};

const OptionTable<PresetOptions> kOptions = {
    Flag("bank", &PresetOptions::bank,
         "write every program (a bank file) rather than the current one (a program file)"),
    ProgramRow(&PresetOptions::setup, "select program K first; in a bank file it is the current program"),
    PresetRow(&PresetOptions::setup, "load a program or bank file first"),
    ParamRow(&PresetOptions::setup, "set parameter I to the normalised value V (0 to 1) first; repeatable"),
};

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
    kOptions.Options(),
};

int show(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::vector<Option>& options = kOptions.Options();
    if (line.Positionals().size() != 2 ||
        std::any_of(options.begin(), options.end(),
                    [&line](const Option& option) { return line.Has(option.name); })) {
        return UsageError(kCommand, "show takes FILE and no options", err);
    }
    PresetFile preset;
    std::string error;
    if (!ReadPresetFile(line.Positionals()[1], preset, error)) {
        return CommandError(kCommand, kExitFailure, error, err);
    }
    out << line.Positionals()[1] << ": " << DescribePresetFile(preset);
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
    PresetOptions options;
    std::string error;
    if (!kOptions.Fill(line, options, error)) {
        return usage(error);
    }
    const bool bank = options.bank || (file.size() > 4 && file.compare(file.size() - 4, 4, ".fxb") == 0);
    const EffectSetup& setup = options.setup;
    if (!ReadSetupPreset(options.setup, error)) {
        return fail(error);
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
    const std::string description = DescribePresetFile(preset);
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
    return RunHostCommand(kCommand, argc, argv, out, err, preset);
}

} // namespace orke::host
