// orke-host validate: runs the battery of checks, each in its own child process, and reports one line per
// check.
#include "Commands.h"

#include "CommandLine.h"
#include "EffectNames.h"
#include "JsonWriter.h"
#include "ValidationChecks.h"

#include <algorithm>
#include <cstdio>

namespace orke::host {
namespace {

const char kHelp[] = R"(usage: orke-host validate [options] PLUGIN

Runs a battery of host checks on PLUGIN (a VST 2.4 .so): loading, opening cold and warm, open/close cycles,
identity, programs, parameters and their texts, every request from 0 to 90 with harmless arguments, processing
at 44100, 48000 and 96000 Hz in blocks of 0 to 1024 frames, in-place buffers, sub-blocks with parameter changes,
parameter fuzz, calls from a second thread, suspend/resume and sample-rate changes. Each check runs in its own
child process, so a plug-in that crashes or hangs fails that check and the battery goes on.

Prints one line per check (PASS, WARN or FAIL) and a summary. Exits 0 only when no check fails; warnings
(denormal output, an unusual answer) do not fail the run.

options:
  --expect passthrough  also require every output sample to equal its input, bit for bit
  --json                print the results as one JSON object
  --timeout SECONDS     time allowed for each check (default 60)
  --in-process          run the checks in this process (for debuggers; a crash ends the run)
  --help                show this help
)";

enum class Status { Pass, Warn, Fail };

struct CheckResult {
    std::string name;
    Status status = Status::Pass;
    std::vector<std::string> failures;
    std::vector<std::string> warnings;
    std::vector<std::string> notes;
};

const char* statusWord(Status status) {
    return status == Status::Pass ? "PASS" : status == Status::Warn ? "WARN" : "FAIL";
}

// Splits a child's line into its kind and text.
void takeLine(const std::string& line, CheckResult& result, std::string& lastMark, int& lastStep) {
    const size_t space = line.find(' ');
    const std::string kind = line.substr(0, space);
    const std::string text = space == std::string::npos ? "" : line.substr(space + 1);
    auto add = [&text](std::vector<std::string>& lines) { // one fault found by several instances is one fault
        if (std::find(lines.begin(), lines.end(), text) == lines.end()) {
            lines.push_back(text);
        }
    };
    if (kind == "fail") {
        add(result.failures);
    } else if (kind == "warn") {
        add(result.warnings);
    } else if (kind == "note") {
        add(result.notes);
    } else if (kind == "mark") {
        const size_t gap = text.find(' ');
        lastStep = std::atoi(text.substr(0, gap).c_str());
        lastMark = gap == std::string::npos ? "" : text.substr(gap + 1);
    }
}

CheckResult runCheck(const ValidationCheck& check, const std::string& path, const ValidationOptions& options,
                     std::chrono::milliseconds timeout, bool isolated) {
    CheckResult result;
    result.name = check.name;
    int resumeFrom = 0;
    // A resumable check is run again after each crash, from the step after the one that crashed.
    for (int attempt = 0; attempt < 200; ++attempt) {
        const IsolatedRun run = RunIsolated(
            [&](LineWriter& writer) {
                CheckContext context(path, options, writer, resumeFrom);
                check.run(context);
            },
            timeout, isolated);
        std::string lastMark;
        int lastStep = -1;
        for (const std::string& line : run.lines) {
            takeLine(line, result, lastMark, lastStep);
        }
        const std::string where = lastMark.empty() ? "" : " during " + lastMark;
        switch (run.end) {
        case IsolatedRun::End::Completed:
            break;
        case IsolatedRun::End::Crashed:
            result.failures.push_back("the plug-in crashed (" + SignalName(run.signal) + ")" + where);
            break;
        case IsolatedRun::End::TimedOut:
            result.failures.push_back("no answer within " + std::to_string(timeout.count() / 1000) + " s" +
                                      where);
            break;
        case IsolatedRun::End::Failed:
            result.failures.push_back("the check ended with status " + std::to_string(run.exitStatus) +
                                      where);
            break;
        }
        if (run.end == IsolatedRun::End::Completed || !check.resumable || lastStep < 0) {
            break;
        }
        resumeFrom = lastStep + 1;
    }
    result.status = !result.failures.empty()   ? Status::Fail
                    : !result.warnings.empty() ? Status::Warn
                                               : Status::Pass;
    return result;
}

// The line's detail: the faults when there are any, else the warnings, else what was checked.
std::string detailOf(const CheckResult& result) {
    const std::vector<std::string>& lines = result.status == Status::Fail   ? result.failures
                                            : result.status == Status::Warn ? result.warnings
                                                                            : result.notes;
    std::string detail;
    constexpr size_t kShown = 3;
    for (size_t i = 0; i < lines.size() && i < kShown; ++i) {
        detail += (i == 0 ? "" : "; ") + lines[i];
    }
    if (lines.size() > kShown) {
        detail += "; and " + std::to_string(lines.size() - kShown) + " more";
    }
    return detail;
}

void printLine(const CheckResult& result, std::ostream& out) {
    char name[40];
    std::snprintf(name, sizeof name, "%-34s", result.name.c_str());
    out << statusWord(result.status) << "  " << name << ' ' << PrintableText(detailOf(result)) << '\n';
    out.flush();
}

void printJson(const std::string& path, const ValidationOptions& options,
               const std::vector<CheckResult>& results, const int counts[3], std::ostream& out) {
    JsonWriter json(out);
    json.BeginObject();
    json.Field("plugin", path);
    json.Key("expect");
    if (options.expectPassthrough) {
        json.String("passthrough");
    } else {
        json.Null();
    }
    json.Key("checks");
    json.BeginArray();
    for (const CheckResult& result : results) {
        json.BeginObject();
        json.Field("name", result.name);
        json.Field("status", result.status == Status::Pass   ? "pass"
                             : result.status == Status::Warn ? "warn"
                                                             : "fail");
        for (const auto& [key, lines] :
             {std::pair{"failures", &result.failures}, std::pair{"warnings", &result.warnings},
              std::pair{"notes", &result.notes}}) {
            json.Key(key);
            json.BeginArray();
            for (const std::string& line : *lines) {
                json.String(line);
            }
            json.EndArray();
        }
        json.EndObject();
    }
    json.EndArray();
    json.Field("passed", counts[0]);
    json.Field("warned", counts[1]);
    json.Field("failed", counts[2]);
    json.EndObject();
}

} // namespace

int RunValidate(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CommandLine line;
    std::string error;
    const std::vector<KnownOption> known = {
        {"expect", true}, {"json", false}, {"timeout", true}, {"in-process", false}, {"help", false}};
    if (!line.Parse(argc, argv, 1, known, error)) {
        err << "orke-host validate: " << error << " (see orke-host validate --help)\n";
        return kExitUsage;
    }
    if (line.Has("help")) {
        out << kHelp;
        return kExitSuccess;
    }
    if (line.Positionals().size() != 1) {
        err << "orke-host validate: expected one PLUGIN (see orke-host validate --help)\n";
        return kExitUsage;
    }
    ValidationOptions options;
    if (line.Has("expect")) {
        if (line.Value("expect") != "passthrough") {
            err << "orke-host validate: --expect takes 'passthrough', not '" << line.Value("expect") << "'\n";
            return kExitUsage;
        }
        options.expectPassthrough = true;
    }
    int64_t seconds = 60;
    if (line.Has("timeout") && !ParseInteger(line.Value("timeout"), 1, 86400, seconds)) {
        err << "orke-host validate: --timeout takes whole seconds from 1\n";
        return kExitUsage;
    }
    const std::string path = line.Positionals()[0];
    const bool json = line.Has("json");
    const bool isolated = !line.Has("in-process");

    if (!json) {
        out << "validating " << path << (options.expectPassthrough ? " (expecting a pass-through)" : "")
            << '\n';
    }
    std::vector<CheckResult> results;
    int counts[3] = {0, 0, 0};
    for (const ValidationCheck& check : ValidationChecks()) {
        CheckResult result = runCheck(check, path, options, std::chrono::seconds(seconds), isolated);
        if (!json) {
            printLine(result, out);
        }
        ++counts[static_cast<int>(result.status)];
        results.push_back(std::move(result));
        if (results.size() == 1 && results.front().status == Status::Fail) {
            break; // a plug-in that does not load has nothing else to check
        }
    }
    if (json) {
        printJson(path, options, results, counts, out);
    } else {
        out << "validate: " << results.size() << " checks, " << counts[0] << " passed, " << counts[1]
            << " with warnings, " << counts[2] << " failed\n";
    }
    return counts[2] == 0 ? kExitSuccess : kExitFailure;
}

} // namespace orke::host
