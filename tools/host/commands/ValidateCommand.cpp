// orke-host validate: runs the battery of checks up to a strictness level, each in its own child process, and
// reports one line per check.
#include "Commands.h"

#include "CallTrace.h"
#include "CommandLine.h"
#include "StatusLine.h"
#include "ValidationRun.h"

#include <cstdio>

namespace orke::host {
namespace {

const CommandOptions kCommand = {
    "orke-host validate",
    R"(usage: orke-host validate [options] PLUGIN
       orke-host validate --list

Runs a battery of host checks on PLUGIN (a VST 2.4 .so), up to a strictness level: loading, opening cold and
warm, identity, programs, parameters and their texts, every request with harmless arguments, processing at
44100, 48000 and 96000 Hz in blocks of 0 to 1024 frames, in-place buffers, sub-blocks with parameter changes,
latency, parameter fuzz, calls from a second thread, real-time safety, suspend/resume and sample-rate changes;
at the higher levels, also what a hostile host does. Each check runs in its own child process, so a plug-in
that crashes or hangs fails that check and the battery goes on; what the plug-in prints is shown only under a
check that fails.

Prints one line per check (PASS, WARN or FAIL) and a summary. Exits 0 only when no check fails. A check
fails on what breaks a host or its audio (a crash, a hang, an exception, writes outside the block or into the
inputs, NaN, a wrong answer); what is odd but harmless (denormals, a long name, an unusual version) warns.

levels (--level N; each check runs from its own level, see --list):
  1-4  the most basic checks first, adding more of what hosts do at each level
  5    everything a careful real host does (the default)
  6    memory allocated or released, or locks taken, inside process calls fail rather than warn
  7    adds requests out of sequence (processing before resume and while suspended, resuming twice, ...)
       and requests the plug-in does not claim to take
  8    adds absurd block sizes; a text longer than its field fails rather than warns
  9    adds every request with null pointers for its texts and data, and programs it does not have
  10   every warning fails

options:
)",
    24,
    {
        {"level", "N", "strictness from 1 to 10 (default 5)"},
        {"check", "NAME",
         "run only the check NAME, whatever its level (repeatable; names as --list shows them)"},
        {"list", nullptr, "list the checks with the level each runs from, and stop"},
        {"expect", "passthrough", "also require every output sample to equal its input, bit for bit"},
        {"json", nullptr, "print the results as one JSON object"},
        {"timeout", "SECONDS", "time allowed for each check (default 60)"},
        {"in-process", nullptr,
         "run the checks in this process (for debuggers; a crash ends the run, and the\n"
         "plug-in's output is not captured)"},
    }};

void printList(std::ostream& out) {
    out << "level  check                              what it does\n";
    for (const ValidationCheck& check : ValidationChecks()) {
        char line[64];
        std::snprintf(line, sizeof line, "%5d  %-34s ", check.level, check.name.c_str());
        out << line << check.about << '\n';
    }
}

int validate(const CommandLine& line, std::ostream& out, std::ostream& err) {
    std::string error;
    if (line.Has("list")) {
        printList(out);
        return kExitSuccess;
    }
    if (line.Positionals().size() != 1) {
        return UsageError(kCommand, "expected one PLUGIN", err);
    }
    ValidationOptions options;
    BatteryRun run;
    if (!ReadBatteryOptions(line, options, run, error)) {
        err << "orke-host validate: " << error << '\n';
        return kExitUsage;
    }
    std::vector<ValidationCheck> checks;
    std::string unknown;
    if (!SelectChecks(options.level, line.Values("check"), checks, unknown)) {
        err << "orke-host validate: there is no check " << Quoted(unknown)
            << " (see orke-host validate --list)\n";
        return kExitUsage;
    }
    const std::string path = line.Positionals()[0];
    const bool json = line.Has("json");
    if (!StartCallTrace()) {
        err << "orke-host validate: cannot map the memory that names a crash's place\n";
    }

    if (!json) {
        out << "validating " << path << " at level " << options.level
            << (options.expectPassthrough ? ", expecting a pass-through" : "") << '\n';
    }
    StatusLine status;
    run.starting = [&status](const std::string& name, size_t number, size_t count) {
        status.Start(name, number, count);
    };
    run.tick = [&status] {
        status.Tick();
    };
    const std::vector<CheckResult> results =
        RunBattery(path, options, checks, run, [&](const CheckResult& result) {
            status.Clear();
            if (!json) {
                PrintResultLine(result, out);
            }
        });
    int counts[3];
    CountResults(results, counts);
    if (json) {
        JsonWriter writer(out);
        WriteReportJson(writer, path, options, results);
    } else {
        out << "validate: " << results.size() << " checks, " << counts[0] << " passed, " << counts[1]
            << " with warnings, " << counts[2] << " failed\n";
    }
    return counts[2] == 0 ? kExitSuccess : kExitFailure;
}

} // namespace

int RunValidate(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunCommand(kCommand, argc, argv, out, err, validate);
}

} // namespace orke::host
