// orke-host: a command-line VST 2.4 host. Picks the subcommand from its table and hands it the rest of the
// command line.
#include "Battery.h"
#include "CommandLine.h"
#include "Commands.h"
#include "StdoutShield.h"

#if ORKE_HOST_HAS_MIDI
#include "MidiCommand.h"
#endif

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>

namespace {

using Command = int (*)(int, char**, std::ostream&, std::ostream&);

struct NamedCommand {
    const char* usage;   // the command's name, then its arguments
    const char* summary; // what it does, for the tool's help
    Command run;
};

int runMidi(int argc, char** argv, std::ostream& out, std::ostream& err) {
#if ORKE_HOST_HAS_MIDI
    return orke::RunMidiCommand(argc, argv, out, err);
#else
    (void)argc;
    (void)argv;
    (void)out;
    err << "orke-host midi: this build has no MIDI endpoint catalogue\n";
    return orke::kExitFailure;
#endif
}

const NamedCommand kCommands[] = {
    {"info PLUGIN", "what the plug-in says about itself (--json for machines)", orke::host::RunInfo},
    {"process PLUGIN [IN] OUT",
     "render the audio file IN and/or a MIDI file (--midi) through the plug-in into OUT",
     orke::host::RunProcess},
    {"play PLUGIN", "play the plug-in live through JACK, MIDI from JACK or the ALSA sequencer (--list)",
     orke::host::RunPlay},
    {"preset save PLUGIN FILE",
     "save the plug-in's program or bank as a file (preset show FILE: what a file holds)",
     orke::host::RunPreset},
    {"validate PLUGIN", "run a battery of host checks; exit 0 only when all pass", orke::host::RunValidate},
    {"sweep [FOLDER...]", "validate every plug-in in the folders hosts scan, one line each",
     orke::host::RunSweep},
    {"bench PLUGIN", "time the process entry for block sizes 1 to 8192 against memcpy", orke::host::RunBench},
    {"midi", "list the machine's MIDI endpoints", runMidi},
};

// The command's name: its usage up to the first space.
std::string nameOf(const NamedCommand& command) {
    return std::string(command.usage, std::strcspn(command.usage, " "));
}

std::string helpText() {
    std::string text = R"(usage: orke-host COMMAND [options] [arguments]

A command-line VST 2.4 host: loads a plug-in .so, inspects it, renders audio files through it, plays it live
through JACK, validates it and benchmarks it.

commands:
)";
    size_t width = 0;
    for (const NamedCommand& command : kCommands) {
        width = std::max(width, std::strlen(command.usage));
    }
    for (const NamedCommand& command : kCommands) {
        std::string usage = command.usage;
        usage.resize(width + 2, ' ');
        text += "  " + usage + command.summary + "\n";
    }
    return text + R"(
options:
  --help      show this help; 'orke-host COMMAND --help' shows a command's options
  --version   show the tool's version

exit codes: 0 success, 1 the work failed (or a check did), 2 the command line was wrong
)";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << helpText();
        return orke::kExitUsage;
    }
    const char* name = argv[1];
    if (std::strcmp(name, orke::host::kBatteryChildCommand) == 0) {
        return orke::host::RunBatteryChild(argc - 1, argv + 1);
    }
    if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 || std::strcmp(name, "help") == 0) {
        std::cout << helpText();
        return orke::kExitSuccess;
    }
    if (std::strcmp(name, "--version") == 0) {
        std::cout << "orke-host " << ORKE_HOST_VERSION << '\n';
        return orke::kExitSuccess;
    }
    for (const NamedCommand& command : kCommands) {
        if (nameOf(command) == name) {
            int status = orke::kExitFailure;
            {
                orke::host::StdoutShield shield;
                status = command.run(argc - 1, argv + 1, shield.Stream(), std::cerr);
            }
            return status;
        }
    }
    std::cerr << "orke-host: unknown command '" << name << "' (see orke-host --help)\n";
    return orke::kExitUsage;
}
