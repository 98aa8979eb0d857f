// orke-host: a command-line VST 2.4 host. Picks the subcommand and hands it the rest of the command line.
#include "CommandLine.h"
#include "Commands.h"
#include "StdoutShield.h"

#if ORKE_HOST_HAS_MIDI
#include "MidiCommand.h"
#endif

#include <cstring>
#include <iostream>

namespace {

const char kHelp[] = R"(usage: orke-host COMMAND [options] [arguments]

A command-line VST 2.4 host: loads a plug-in .so, inspects it, renders audio files through it, validates it
and benchmarks it.

commands:
  info PLUGIN              what the plug-in says about itself (--json for machines)
  process PLUGIN [IN] OUT  render the audio file IN and/or a MIDI file (--midi) through the plug-in into OUT
  preset save PLUGIN FILE  save the plug-in's program or bank as a file (preset show FILE: what a file holds)
  validate PLUGIN          run a battery of host checks; exit 0 only when all pass
  sweep [FOLDER...]        validate every plug-in in the folders hosts scan, one line each
  bench PLUGIN             time the process entry for block sizes 1 to 8192 against memcpy
  midi                     list the machine's MIDI endpoints

options:
  --help      show this help; 'orke-host COMMAND --help' shows a command's options
  --version   show the tool's version

exit codes: 0 success, 1 the work failed (or a check did), 2 the command line was wrong
)";

using Command = int (*)(int, char**, std::ostream&, std::ostream&);

struct NamedCommand {
    const char* name;
    Command run;
};

const NamedCommand kCommands[] = {
    {"info", orke::host::RunInfo},         {"process", orke::host::RunProcess},
    {"validate", orke::host::RunValidate}, {"sweep", orke::host::RunSweep},
    {"bench", orke::host::RunBench},       {"preset", orke::host::RunPreset},
};

int runMidi(int argc, char** argv) {
#if ORKE_HOST_HAS_MIDI
    return orke::RunMidiCommand(argc, argv, std::cout, std::cerr);
#else
    (void)argc;
    (void)argv;
    std::cerr << "orke-host midi: this build has no MIDI endpoint catalogue\n";
    return orke::host::kExitFailure;
#endif
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << kHelp;
        return orke::host::kExitUsage;
    }
    const char* name = argv[1];
    if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 || std::strcmp(name, "help") == 0) {
        std::cout << kHelp;
        return orke::host::kExitSuccess;
    }
    if (std::strcmp(name, "--version") == 0) {
        std::cout << "orke-host " << ORKE_HOST_VERSION << '\n';
        return orke::host::kExitSuccess;
    }
    if (std::strcmp(name, "midi") == 0) {
        return runMidi(argc - 1, argv + 1);
    }
    for (const NamedCommand& command : kCommands) {
        if (std::strcmp(name, command.name) == 0) {
            int status = orke::host::kExitFailure;
            {
                orke::host::StdoutShield shield;
                status = command.run(argc - 1, argv + 1, shield.Stream(), std::cerr);
            }
            return status;
        }
    }
    std::cerr << "orke-host: unknown command '" << name << "' (see orke-host --help)\n";
    return orke::host::kExitUsage;
}
