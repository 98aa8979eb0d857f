// Running a battery on one plug-in: options, the checks chosen, their results as lines and as JSON.
#include "ValidationRun.h"

#include "CallTrace.h"
#include "EffectNames.h"

#include <algorithm>
#include <cstdio>

namespace orke::host {
namespace {

// A check's child reports "fail", "warn" and "note" lines; the report keeps this many distinct ones of each
// kind and counts the rest.
constexpr size_t kKeptLines = 50;
// Lines of a failed check's captured output shown in the text report.
constexpr size_t kShownOutputLines = 5;
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

CheckResult runCheck(const ValidationCheck& check, const std::string& path, const ValidationOptions& options,
                     const BatteryRun& battery) {
    CheckResult result;
    result.name = check.name;
    result.level = check.level;
    int resumeFrom = 0;
    // A resumable check is run again after each crash, from the step after the one that crashed.
    for (int attempt = 0; attempt < 200; ++attempt) {
        ClearCallTrace();
        const IsolatedRun run = RunIsolated(
            [&](LineWriter& writer) {
                if (battery.isolated) {
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
            battery.timeout, battery.isolated, battery.tick);
        std::string lastMark;
        int lastStep = -1;
        for (const std::string& line : run.lines) {
            takeLine(line, result, lastMark, lastStep);
        }
        const CallTraceSnapshot trace = ReadCallTrace();
        const std::string during = lastMark.empty() ? "" : ", during " + lastMark;
        switch (run.end) {
        case IsolatedRun::End::Completed:
            break;
        case IsolatedRun::End::Crashed:
            result.failures.Add("the plug-in crashed (" + SignalName(run.signal) + ")" +
                                placeOf(trace, true) + during);
            break;
        case IsolatedRun::End::TimedOut:
            result.failures.Add("no answer within " + std::to_string(battery.timeout.count() / 1000) + " s" +
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
        if (run.end == IsolatedRun::End::Completed || !check.resumable || lastStep < 0) {
            break;
        }
        resumeFrom = lastStep + 1;
    }
    result.status = result.failures.Count() > 0   ? CheckStatus::Fail
                    : result.warnings.Count() > 0 ? CheckStatus::Warn
                                                  : CheckStatus::Pass;
    if (result.status != CheckStatus::Fail) {
        result.output.clear();
        result.outputLeftOut = 0;
    } else if (result.output.size() > kKeptOutputLines) {
        result.outputLeftOut += static_cast<int64_t>(result.output.size() - kKeptOutputLines);
        result.output.resize(kKeptOutputLines);
    }
    return result;
}

void writeLines(JsonWriter& json, const std::string& key, const std::vector<std::string>& lines,
                int64_t leftOut) {
    json.Key(key);
    json.BeginArray();
    for (const std::string& line : lines) {
        json.String(line);
    }
    json.EndArray();
    json.Field(key + "_not_listed", leftOut);
}

} // namespace

void ReportLines::Add(const std::string& text) {
    if (std::find(kept.begin(), kept.end(), text) != kept.end()) {
        return; // one fault found by several instances is one fault
    }
    if (kept.size() < kKeptLines) {
        kept.push_back(text);
    } else {
        ++leftOut;
    }
}

bool ReadBatteryOptions(const CommandLine& line, ValidationOptions& options, BatteryRun& run,
                        std::string& error) {
    if (line.Has("expect")) {
        if (line.Value("expect") != "passthrough") {
            error = "--expect takes 'passthrough', not " + Quoted(line.Value("expect"));
            return false;
        }
        options.expectPassthrough = true;
    }
    int64_t level = kDefaultLevel;
    if (line.Has("level") && !ParseInteger(line.Value("level"), kLowestLevel, kHighestLevel, level)) {
        error = "--level takes a whole number from " + std::to_string(kLowestLevel) + " to " +
                std::to_string(kHighestLevel) + ", not " + Quoted(line.Value("level"));
        return false;
    }
    options.level = static_cast<int>(level);
    int64_t seconds = 60;
    if (line.Has("timeout") && !ParseInteger(line.Value("timeout"), 1, 86400, seconds)) {
        error = "--timeout takes whole seconds from 1, not " + Quoted(line.Value("timeout"));
        return false;
    }
    run.timeout = std::chrono::seconds(seconds);
    run.isolated = !line.Has("in-process");
    return true;
}

bool SelectChecks(int level, const std::vector<std::string>& names, std::vector<ValidationCheck>& selected,
                  std::string& unknown) {
    const std::vector<ValidationCheck> all = ValidationChecks();
    for (const std::string& name : names) {
        if (std::none_of(all.begin(), all.end(),
                         [&name](const ValidationCheck& check) { return check.name == name; })) {
            unknown = name;
            return false;
        }
    }
    selected.clear();
    for (const ValidationCheck& check : all) {
        if (names.empty() ? check.level <= level
                          : std::find(names.begin(), names.end(), check.name) != names.end()) {
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
        if (check.name == "load" && results.back().status == CheckStatus::Fail) {
            break; // a plug-in that does not load has nothing else to check
        }
    }
    return results;
}

const char* StatusWord(CheckStatus status) {
    return status == CheckStatus::Pass ? "PASS" : status == CheckStatus::Warn ? "WARN" : "FAIL";
}

std::string DetailOf(const CheckResult& result) {
    const ReportLines& lines = result.status == CheckStatus::Fail   ? result.failures
                               : result.status == CheckStatus::Warn ? result.warnings
                                                                    : result.notes;
    std::string detail;
    constexpr size_t kShown = 3;
    for (size_t i = 0; i < lines.kept.size() && i < kShown; ++i) {
        detail += (i == 0 ? "" : "; ") + lines.kept[i];
    }
    if (lines.Count() > static_cast<int64_t>(kShown)) {
        detail += "; and " + std::to_string(lines.Count() - static_cast<int64_t>(kShown)) + " more";
    }
    return detail;
}

void PrintResultLine(const CheckResult& result, std::ostream& out) {
    char name[40];
    std::snprintf(name, sizeof name, "%-34s", result.name.c_str());
    out << StatusWord(result.status) << "  " << name << ' ' << PrintableText(DetailOf(result)) << '\n';
    const int64_t printed = static_cast<int64_t>(result.output.size()) + result.outputLeftOut;
    for (size_t i = 0; i < result.output.size() && i < kShownOutputLines; ++i) {
        out << "      | " << PrintableText(result.output[i]) << '\n';
    }
    if (printed > static_cast<int64_t>(kShownOutputLines)) {
        out << "      | (and " << printed - static_cast<int64_t>(kShownOutputLines)
            << " more lines printed by the plug-in)\n";
    }
    out.flush();
}

void CountResults(const std::vector<CheckResult>& results, int counts[3]) {
    counts[0] = counts[1] = counts[2] = 0;
    for (const CheckResult& result : results) {
        ++counts[static_cast<int>(result.status)];
    }
}

void WriteReportJson(JsonWriter& json, const std::string& path, const ValidationOptions& options,
                     const std::vector<CheckResult>& results) {
    json.BeginObject();
    json.Field("plugin", path);
    json.Field("level", options.level);
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
        json.Field("level", result.level);
        json.Field("status", result.status == CheckStatus::Pass   ? "pass"
                             : result.status == CheckStatus::Warn ? "warn"
                                                                  : "fail");
        writeLines(json, "failures", result.failures.kept, result.failures.leftOut);
        writeLines(json, "warnings", result.warnings.kept, result.warnings.leftOut);
        writeLines(json, "notes", result.notes.kept, result.notes.leftOut);
        writeLines(json, "output", result.output, result.outputLeftOut);
        json.EndObject();
    }
    json.EndArray();
    int counts[3];
    CountResults(results, counts);
    json.Field("passed", counts[0]);
    json.Field("warned", counts[1]);
    json.Field("failed", counts[2]);
    json.EndObject();
}

} // namespace orke::host
