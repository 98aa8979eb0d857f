// Running a battery on one plug-in: the checks chosen, each run in a child and its result read back.
#include "Battery.h"

#include "CallTrace.h"
#include "FaultHandlers.h"
#include "GuardedHeap.h"
#include "SignalSafe.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace orke::host {
namespace {

// The child's exit status when a plug-in's exception ended the check (already reported as a failure).
constexpr int kEndedByPluginException = 3;

// The line a check's child sends when the check has come to its end, whatever it found.
constexpr char kEndLine[] = "end";

// What an attempt's lines said: where it was last, and whether the check came to its end.
struct AttemptLines {
    std::string lastMark;
    int lastStep = -1;
    bool ended = false;
};

// Splits a child's line into its kind and text.
void takeLine(const std::string& line, CheckResult& result, AttemptLines& attempt) {
    const size_t space = line.find(' ');
    const std::string kind = line.substr(0, space);
    const std::string text = space == std::string::npos ? "" : line.substr(space + 1);
    if (kind == "fail") {
        result.failures.Add(text);
    } else if (kind == "warn") {
        result.warnings.Add(text);
    } else if (kind == "note") {
        result.notes.Add(text);
    } else if (kind == "mark") {
        const size_t gap = text.find(' ');
        attempt.lastStep = std::atoi(text.substr(0, gap).c_str());
        attempt.lastMark = gap == std::string::npos ? "" : text.substr(gap + 1);
    } else if (kind == kEndLine) {
        attempt.ended = true;
    }
}

// The check itself, in the process it runs in; its end is the kEndLine line, sent whatever it found.
// The check running in this process, for the report of a plug-in that ends it.
char g_runningCheck[128];

// In this process a plug-in that ends it ends the whole run: said on standard error, with a failure's status,
// so that it never looks like a run that passed.
void reportEndInProcess(int) {
    int32_t status = 0;
    const ProcessEnd how = NotedProcessEnd(status);
    char number[16];
    char* digit = number + sizeof number;
    *--digit = '\0';
    uint32_t magnitude = static_cast<uint32_t>(status < 0 ? -int64_t{status} : status);
    do {
        *--digit = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (status < 0) {
        *--digit = '-';
    }
    const char* parts[] = {"orke-host validate: the plug-in ended the process with ",
                           ProcessEndName(how),
                           "(",
                           digit,
                           ") during ",
                           g_runningCheck,
                           "\n"};
    for (const char* part : parts) {
        WriteAll(STDERR_FILENO, part, std::strlen(part));
    }
    _exit(kExitFailure);
}

int runHere(const ValidationCheck& check, const std::string& path, const ValidationOptions& options,
            LineWriter& writer, int resumeFrom, bool isolated) {
    std::optional<FaultActionScope> endReport;
    if (isolated) {
        MarkFaultingThread();
    } else {
        std::snprintf(g_runningCheck, sizeof g_runningCheck, "%s", check.name.c_str());
        endReport.emplace(kPluginEnds, FaultStage::Report, reportEndInProcess);
    }
    TraceThisThread(0);
    CheckContext context(path, options, writer, resumeFrom);
    int status = 0;
    try {
        check.run(context);
    } catch (const PluginException& exception) {
        context.Fail(exception.what());
        status = kEndedByPluginException;
    }
    // Whichever request it was, the check that made it names it: the guard bytes see every text answer.
    for (const TextOverrun& overrun : TakeTextOverruns()) {
        context.Warn(DescribeTextOverrun(overrun));
    }
    TraceThisThread(-1);
    writer.Line(kEndLine);
    return status;
}

// In the forked child: this executable run afresh for the check; back only when it cannot be run.
void runAfresh(const ValidationCheck& check, const std::string& path, const ValidationOptions& options,
               const LineWriter& writer, int resumeFrom) {
    const std::string numbers[] = {std::to_string(writer.Descriptor()), std::to_string(CallTraceDescriptor()),
                                   std::to_string(options.level), options.expectPassthrough ? "1" : "0",
                                   std::to_string(resumeFrom)};
    const char* arguments[] = {
        "orke-host",        kBatteryChildCommand, numbers[0].c_str(), numbers[1].c_str(), numbers[2].c_str(),
        numbers[3].c_str(), numbers[4].c_str(),   check.name.c_str(), path.c_str(),       nullptr};
    execv("/proc/self/exe", const_cast<char* const*>(arguments));
}

// One run of the check, in a child unless the battery runs in this process, from step `resumeFrom`.
IsolatedRun runAttempt(const ValidationCheck& check, const std::string& path,
                       const ValidationOptions& options, const BatteryRun& battery, int resumeFrom) {
    ClearCallTrace();
    return RunIsolated(
        [&](LineWriter& writer) {
            if (!battery.inProcess) {
                runAfresh(check, path, options, writer, resumeFrom);
            }
            return runHere(check, path, options, writer, resumeFrom, !battery.inProcess);
        },
        std::chrono::seconds(battery.timeoutSeconds), !battery.inProcess, battery.tick);
}

// What a run reported, and how it ended when it did not complete: where it crashed, hung or ended. The last
// step it marked goes to `lastStep` (-1 for none); true when the check came to its end.
bool readAttempt(const IsolatedRun& run, const BatteryRun& battery, CheckResult& result, int& lastStep) {
    AttemptLines attempt;
    for (const std::string& line : run.lines) {
        takeLine(line, result, attempt);
    }
    lastStep = attempt.lastStep;
    const CallTraceSnapshot trace = ReadCallTrace();
    const std::string during = attempt.lastMark.empty() ? "" : ", during " + attempt.lastMark;
    switch (run.end) {
    case IsolatedRun::End::Completed:
        if (!attempt.ended) {
            result.failures.Add(DescribeEndBeforeDone(trace, 0) + PlaceOfEnd(trace, false) + during);
        }
        break;
    case IsolatedRun::End::Crashed:
        result.failures.Add("the plug-in crashed (" + SignalName(run.signal) + ")" + PlaceOfEnd(trace, true) +
                            during);
        break;
    case IsolatedRun::End::TimedOut:
        result.failures.Add("no answer within " + std::to_string(battery.timeoutSeconds) + " s" +
                            PlaceOfEnd(trace, false) + during);
        break;
    case IsolatedRun::End::Failed:
        if (!attempt.ended) {
            result.failures.Add(DescribeEndBeforeDone(trace, run.exitStatus) + PlaceOfEnd(trace, false) +
                                during);
        } else if (run.exitStatus != kEndedByPluginException) {
            result.failures.Add("the check ended with status " + std::to_string(run.exitStatus) + during);
        }
        break;
    }
    result.output.insert(result.output.end(), run.output.begin(), run.output.end());
    result.outputLeftOut += run.outputLeftOut;
    return attempt.ended && run.end != IsolatedRun::End::Crashed && run.end != IsolatedRun::End::TimedOut;
}

CheckResult runCheck(const ValidationCheck& check, const std::string& path, const ValidationOptions& options,
                     const BatteryRun& battery) {
    CheckResult result;
    result.name = check.name;
    result.level = check.level;
    int resumeFrom = 0;
    // A resumable check is run again after each crash, from the step after the one that crashed.
    for (int attempt = 0; attempt < 200; ++attempt) {
        const IsolatedRun run = runAttempt(check, path, options, battery, resumeFrom);
        int lastStep = -1;
        if (readAttempt(run, battery, result, lastStep) || !check.resumable || lastStep < 0) {
            break;
        }
        resumeFrom = lastStep + 1;
    }
    result.verdict = result.failures.Count() > 0   ? Verdict::Fail
                     : result.warnings.Count() > 0 ? Verdict::Warn
                                                   : Verdict::Pass;
    // What the plug-in printed is kept only under a failed check.
    if (result.verdict != Verdict::Fail) {
        result.output.clear();
        result.outputLeftOut = 0;
    } else if (result.output.size() > kKeptOutputLines) {
        result.outputLeftOut += static_cast<int64_t>(result.output.size() - kKeptOutputLines);
        result.output.resize(kKeptOutputLines);
    }
    return result;
}

} // namespace

bool ParseExpectation(const std::string& text, ValidationOptions& options, std::string&) {
    options.expectPassthrough = text == "passthrough";
    return options.expectPassthrough;
}

std::string CheckNameKey(const std::string& name) {
    std::string key;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!key.empty() && key.back() != '-') {
            key += '-';
        }
    }
    while (!key.empty() && key.back() == '-') {
        key.pop_back();
    }
    return key;
}

bool SelectChecks(int level, const std::vector<std::string>& names, std::vector<ValidationCheck>& selected,
                  std::string& unknown) {
    const std::vector<ValidationCheck> all = ValidationChecks();
    std::vector<std::string> keys;
    for (const std::string& name : names) {
        keys.push_back(CheckNameKey(name));
        if (std::none_of(all.begin(), all.end(), [&](const ValidationCheck& check) {
                return CheckNameKey(check.name) == keys.back();
            })) {
            unknown = name;
            return false;
        }
    }
    selected.clear();
    for (const ValidationCheck& check : all) {
        if (names.empty() ? check.level <= level
                          : std::find(keys.begin(), keys.end(), CheckNameKey(check.name)) != keys.end()) {
            selected.push_back(check);
        }
    }
    return true;
}

int RunBatteryChild(int argc, char** argv) {
    if (argc != 8) {
        return kExitUsage;
    }
    const int report = std::atoi(argv[1]);
    const int trace = std::atoi(argv[2]);
    ValidationOptions options;
    options.level = std::atoi(argv[3]);
    options.expectPassthrough = std::strcmp(argv[4], "1") == 0;
    const int resumeFrom = std::atoi(argv[5]);
    const std::string key = CheckNameKey(argv[6]);
    const std::vector<ValidationCheck> all = ValidationChecks();
    const auto check = std::find_if(all.begin(), all.end(), [&key](const ValidationCheck& candidate) {
        return CheckNameKey(candidate.name) == key;
    });
    LineWriter writer(report);
    if (check == all.end()) {
        writer.Line("fail there is no check '" + std::string(argv[6]) + "'");
        return kExitFailure;
    }
    // As the forked child had it: what is printed reaches the parent at once, and a fault ends the process
    // by its signal whatever handler the start-up put in place.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    UseDefaultFaultHandling();
    if (trace >= 0) {
        JoinCallTrace(trace);
    }
    if (options.level >= kGuardedHeapFrom) {
        UseGuardedHeap();
    }
    const int status = runHere(*check, argv[7], options, writer, resumeFrom, true);
    std::fflush(nullptr);
    _exit(status);
}

std::vector<CheckResult> RunBattery(const std::string& path, const ValidationOptions& options,
                                    const std::vector<ValidationCheck>& checks, const BatteryRun& run,
                                    const std::function<void(const CheckResult&)>& printed) {
    std::vector<CheckResult> results;
    for (const ValidationCheck& check : checks) {
        if (run.starting) {
            run.starting(check.name, results.size() + 1, checks.size());
        }
        results.push_back(runCheck(check, path, options, run));
        if (printed) {
            printed(results.back());
        }
        if (check.name == "load" && results.back().verdict == Verdict::Fail) {
            break; // a plug-in that does not load has nothing else to check
        }
    }
    return results;
}

} // namespace orke::host
