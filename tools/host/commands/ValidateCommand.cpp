// orke-host validate: runs the battery of checks up to a strictness level, each in a fresh orke-host,
// and reports one line per check.
#include "Commands.h"

#include "Battery.h"
#include "CallTrace.h"
#include "HostCommand.h"
#include "TerminalLine.h"

#include <cstdio>

namespace orke::host {
namespace {

struct ValidateOptions {
    ValidationOptions validation;
    BatteryRun run;
    std::vector<std::string> checks;
    bool list = false;
    std::optional<std::string> json;
};

const OptionTable<ValidateOptions> kOptions = {
    LevelRow(&ValidateOptions::validation, "strictness from {range} (default 5)"),
    Texts("check", "NAME", &ValidateOptions::checks,
          "run only the check NAME, whatever its level (repeatable; names as --list shows them)"),
    Flag("list", &ValidateOptions::list, "list the checks with the level each runs from, and stop"),
    ExpectRow(&ValidateOptions::validation,
              "also require every output sample to equal its input, bit for bit"),
    OptionalText("json", "FILE", &ValidateOptions::json,
                 "print the results as one JSON object (into FILE, with the lines on standard output)"),
    TimeoutRow(&ValidateOptions::run, "time allowed for each check (default 60)"),
    Within(&ValidateOptions::run,
           Flag("in-process", &BatteryRun::inProcess,
                "run the checks in this process (for debuggers; a crash ends the run, and the\n"
                "plug-in's output is not captured)")),
};

const CommandOptions kCommand = {
    "orke-host validate",
    R"(usage: orke-host validate [options] PLUGIN
       orke-host validate --list

Runs a battery of host checks on PLUGIN (a VST 2.4 .so), up to a strictness level: loading, opening cold and
warm, identity, programs, parameters and their texts, every request with harmless arguments, processing at
44100, 48000 and 96000 Hz in blocks of 0 to 1024 frames, in-place buffers and other buffer layouts, the
channel set-ups declared, sub-blocks with parameter changes, notes for a plug-in that takes MIDI, latency,
parameter fuzz, calls from a second thread, real-time safety, suspend/resume and sample-rate changes; at the
higher levels, also what a hostile host does. Each check runs in a fresh orke-host of its own, so a plug-in
that crashes, hangs or ends the process itself fails that check and the battery goes on; from level 5 every
block the plug-in allocates stands in pages of its own before one that faults, so what it finds does not
depend on what ran before. What the plug-in prints is shown only under a check that fails.

Prints one line per check (PASS, WARN or FAIL) and a summary. Exits 0 only when no check fails. A check
fails on what breaks a host or its audio (a crash, a hang, an exception, writes outside the block or into the
inputs, NaN, a wrong answer); what is odd but harmless (denormals, a long name, an unusual version) warns.

levels (--level N; each check runs from its own level, see --list):
  1-4  the most basic checks first, adding more of what hosts do at each level
  5    everything a careful real host does (the default)
  6    memory allocated or released, locks taken, sleeping, memory mapped and files read or written inside
       process calls fail rather than warn
  7    adds requests out of sequence (processing before resume and while suspended, resuming twice, ...)
       and requests the plug-in does not claim to take; a display text that sets another value and the
       program number reported after a switch fail rather than warn
  8    adds absurd block sizes; a text longer than its field fails rather than warns
  9    adds every request with null pointers for its texts and data, and programs it does not have
  10   every warning fails

options:
)",
    24,
    kOptions.Options(),
};

void printList(std::ostream& out) {
    out << "level  check                              what it does\n";
    for (const ValidationCheck& check : ValidationChecks()) {
        char line[64];
        std::snprintf(line, sizeof line, "%5d  %-34s ", check.level, check.name.c_str());
        out << line << check.about << '\n';
    }
}

// Runs the battery with a status line on the terminal, each result printed as it comes when `lines`.
std::vector<CheckResult> runWithStatus(const std::string& path, const ValidateOptions& options,
                                       const std::vector<ValidationCheck>& checks, bool lines,
                                       std::ostream& out) {
    StatusLine status;
    BatteryRun run = options.run;
    run.starting = [&status](const std::string& name, size_t number, size_t count) {
        status.Start(name, number, count);
    };
    run.tick = [&status] {
        status.Tick();
    };
    return RunBattery(path, options.validation, checks, run, [&](const CheckResult& result) {
        status.Clear();
        if (lines) {
            PrintResultLine(result, out);
        }
    });
}

int validate(const CommandLine& line, std::ostream& out, std::ostream& err) {
    ValidateOptions options;
    std::string error;
    if (!kOptions.Fill(line, options, error)) {
        return UsageError(kCommand, error, err);
    }
    if (options.list) {
        printList(out);
        return kExitSuccess;
    }
    if (line.Positionals().size() != 1) {
        return UsageError(kCommand, "expected one PLUGIN", err);
    }
    std::vector<ValidationCheck> checks;
    std::string unknown;
    if (!SelectChecks(options.validation.level, options.checks, checks, unknown)) {
        return UsageError(kCommand, "there is no check " + Quoted(unknown) + "; --list names them", err);
    }
    JsonOutput json;
    if (!json.Open(options.json, error)) {
        return CommandError(kCommand, kExitFailure, error, err);
    }
    const std::string path = line.Positionals()[0];
    if (!StartCallTrace()) {
        err << "orke-host validate: note: cannot map the memory that names a crash's place\n";
    }
    const ValidationOptions& validation = options.validation;
    if (json.Text()) {
        out << "validating " << path << " at level " << validation.level
            << (validation.expectPassthrough ? ", expecting a pass-through" : "") << '\n';
    }
    const std::vector<CheckResult> results = runWithStatus(path, options, checks, json.Text(), out);
    const VerdictCounts counts = CountVerdicts(results);
    if (json.Wanted()) {
        JsonWriter writer(json.Stream(out));
        WriteReportJson(writer, path, validation.level, validation.expectPassthrough, results);
    }
    if (json.Text()) {
        out << "validate: " << results.size() << " checks, " << counts.Text() << '\n';
    }
    return counts.failed == 0 ? kExitSuccess : kExitFailure;
}

} // namespace

int RunValidate(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunHostCommand(kCommand, argc, argv, out, err, validate);
}

} // namespace orke::host
