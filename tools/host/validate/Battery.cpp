// Running a battery on one plug-in: the checks chosen, each run in a child and its result read back.
#include "Battery.h"

#include "CallTrace.h"

#include <algorithm>
#include <cctype>
#include <chrono>

namespace orke::host {
namespace {

// The child's exit status when a plug-in's exception ended the check (already reported as a failure).
constexpr int kEndedByPluginException = 3;

// Splits a child's line into its kind and text.
void takeLine(const std::string& line, CheckResult& result, std::string& lastMark, int& lastStep) {
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
        lastStep = std::atoi(text.substr(0, gap).c_str());
        lastMark = gap == std::string::npos ? "" : text.substr(gap + 1);
    }
}

// Where a run that crashed or hung was: in which call into the plug-in, on which thread.
std::string placeOf(const CallTraceSnapshot& trace, bool crashed) {
    int thread = crashed ? trace.crashedThread : -2;
    if (thread == -2) { // no fault signal was seen: the thread still inside a call, the check's own first
        for (int candidate = kTracedThreads - 1; candidate >= 0; --candidate) {
            if (trace.threads[candidate].inside != 0) {
                thread = candidate;
            }
        }
    }
    if (thread == -1) {
        const TracedCall& host = trace.threads[0];
        return " in a thread of the plug-in's own" +
               (host.inside != 0 ? ", while the host was in " + DescribeCall(host) : std::string());
    }
    if (thread < 0) {
        return "";
    }
    const TracedCall& call = trace.threads[thread];
    const std::string on = thread == 1 ? " on the second thread" : "";
    if (call.inside != 0) {
        return " in " + DescribeCall(call) + on;
    }
    if (call.kind == CallKind::None) {
        return on;
    }
    return " between calls" + on + ", after " + DescribeCall(call);
}

// One run of the check, in a child unless the battery runs in this process, from step `resumeFrom`.
IsolatedRun runAttempt(const ValidationCheck& check, const std::string& path,
                       const ValidationOptions& options, const BatteryRun& battery, int resumeFrom) {
    ClearCallTrace();
    return RunIsolated(
        [&](LineWriter& writer) {
            if (!battery.inProcess) {
                MarkFaultingThread();
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
            TraceThisThread(-1);
            return status;
        },
        std::chrono::seconds(battery.timeoutSeconds), !battery.inProcess, battery.tick);
}

// What a run reported, and how it ended when it did not complete: where it crashed or hung. The last step it
// marked goes to `lastStep` (-1 for none).
void readAttempt(const IsolatedRun& run, const BatteryRun& battery, CheckResult& result, int& lastStep) {
    std::string lastMark;
    lastStep = -1;
    for (const std::string& line : run.lines) {
        takeLine(line, result, lastMark, lastStep);
    }
    const CallTraceSnapshot trace = ReadCallTrace();
    const std::string during = lastMark.empty() ? "" : ", during " + lastMark;
    switch (run.end) {
    case IsolatedRun::End::Completed:
        break;
    case IsolatedRun::End::Crashed:
        result.failures.Add("the plug-in crashed (" + SignalName(run.signal) + ")" + placeOf(trace, true) +
                            during);
        break;
    case IsolatedRun::End::TimedOut:
        result.failures.Add("no answer within " + std::to_string(battery.timeoutSeconds) + " s" +
                            placeOf(trace, false) + during);
        break;
    case IsolatedRun::End::Failed:
        if (run.exitStatus != kEndedByPluginException) {
            result.failures.Add("the check ended with status " + std::to_string(run.exitStatus) + during);
        }
        break;
    }
    result.output.insert(result.output.end(), run.output.begin(), run.output.end());
    result.outputLeftOut += run.outputLeftOut;
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
        readAttempt(run, battery, result, lastStep);
        if (run.end == IsolatedRun::End::Completed || !check.resumable || lastStep < 0) {
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
