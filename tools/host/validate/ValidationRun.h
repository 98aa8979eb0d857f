// Runs a battery of validation checks on one plug-in and reports the results: as one line a check, and as
// JSON. Shared by `validate`, which runs it on one plug-in, and `sweep`, which runs it on every plug-in
// found.
#pragma once

#include "CommandLine.h"
#include "JsonWriter.h"
#include "ValidationChecks.h"

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace orke::host {

enum class CheckStatus { Pass, Warn, Fail };

// Distinct lines of one kind, the first few kept and the rest counted.
struct ReportLines {
    std::vector<std::string> kept;
    int64_t leftOut = 0;
    void Add(const std::string& text);
    int64_t Count() const { return static_cast<int64_t>(kept.size()) + leftOut; }
};

struct CheckResult {
    std::string name;
    int level = 0;
    CheckStatus status = CheckStatus::Pass;
    ReportLines failures;
    ReportLines warnings;
    ReportLines notes;
    std::vector<std::string> output; // what the plug-in printed, kept for a failed check only
    int64_t outputLeftOut = 0;
};

struct BatteryRun {
    std::chrono::milliseconds timeout{60000};
    bool isolated = true;
    // Called before each check with its name, its number from 1 and the count; then about five times a
    // second while it runs.
    std::function<void(const std::string& name, size_t number, size_t count)> starting;
    std::function<void()> tick;
};

// Reads --expect, --level, --timeout and --in-process. False, with a one-line reason in `error`, for a value
// that makes no sense.
bool ReadBatteryOptions(const CommandLine& line, ValidationOptions& options, BatteryRun& run,
                        std::string& error);

// The checks that run at `level`, or, when `names` is not empty, those named (whatever their level). False,
// with the unknown name in `unknown`, when a name is not a check's.
bool SelectChecks(int level, const std::vector<std::string>& names, std::vector<ValidationCheck>& selected,
                  std::string& unknown);

// Runs `checks` in order on the plug-in at `path`, each in its own child process (unless `run.isolated` is
// false), and stops after a failed "load". `printed`, when given, gets each result as it is known.
std::vector<CheckResult> RunBattery(const std::string& path, const ValidationOptions& options,
                                    const std::vector<ValidationCheck>& checks, const BatteryRun& run,
                                    const std::function<void(const CheckResult&)>& printed = {});

const char* StatusWord(CheckStatus status); // "PASS", "WARN", "FAIL"
// The line's detail: the faults when there are any, else the warnings, else what was checked.
std::string DetailOf(const CheckResult& result);
// "FAIL  name  detail", and under a failed check the first lines the plug-in printed.
void PrintResultLine(const CheckResult& result, std::ostream& out);
// How many passed, warned and failed.
void CountResults(const std::vector<CheckResult>& results, int counts[3]);
// The whole report as one JSON object, written into `json` at the value's place.
void WriteReportJson(JsonWriter& json, const std::string& path, const ValidationOptions& options,
                     const std::vector<CheckResult>& results);

} // namespace orke::host
