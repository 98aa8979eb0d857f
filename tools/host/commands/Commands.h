// The tool's subcommands. Each takes its own name in argv[0], writes its report to `out` and its diagnostics
// (one line per error) to `err`, and returns the process exit code.
#pragma once

#include <ostream>

namespace orke::host {

int RunInfo(int argc, char** argv, std::ostream& out, std::ostream& err);
int RunProcess(int argc, char** argv, std::ostream& out, std::ostream& err);
int RunPlay(int argc, char** argv, std::ostream& out, std::ostream& err);
int RunValidate(int argc, char** argv, std::ostream& out, std::ostream& err);
int RunSweep(int argc, char** argv, std::ostream& out, std::ostream& err);
int RunBench(int argc, char** argv, std::ostream& out, std::ostream& err);
int RunPreset(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace orke::host
