// Runs a battery of validation checks on one plug-in, each in its own child process: the checks chosen, the
// options a command line gives it, and each check's result. Shared by `validate`, which runs it on one
// plug-in, and `sweep`, which runs it on every plug-in found.
#pragma once

#include "CheckResults.h"
#include "OptionTable.h"
#include "ValidationChecks.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orke::host {

struct BatteryRun {
    int64_t timeoutSeconds = 60; // for each check
    bool inProcess = false;      // the checks run in this process (for debuggers): a crash ends the run
    // Called before each check with its name, its number from 1 and the count; then about five times a
    // second while it runs.
    std::function<void(const std::string& name, size_t number, size_t count)> starting;
    std::function<void()> tick;
};

// What a battery's command line sets, as rows of a command's option table.
bool ParseExpectation(const std::string& text, ValidationOptions& options, std::string& error);

template <typename Fields>
OptionRow<Fields> LevelRow(ValidationOptions Fields::*options, std::string help) {
    return Within(options, Whole("level", "N", &ValidationOptions::level, kLowestLevel, kHighestLevel,
                                 "a whole number", std::move(help)));
}
template <typename Fields>
OptionRow<Fields> ExpectRow(ValidationOptions Fields::*options, std::string help) {
    return Within(options,
                  Custom("expect", "passthrough", ParseExpectation, "'passthrough'", std::move(help)));
}
template <typename Fields>
OptionRow<Fields> TimeoutRow(BatteryRun Fields::*run, std::string help) {
    return Within(run, Whole("timeout", "SECONDS", &BatteryRun::timeoutSeconds, 1, 86400, "whole seconds",
                             std::move(help)));
}

// A check's name as a key: its letters and digits lowered, every other run of characters one '-', so that
// the names of old ("open cold", "requests, sized buffers") find today's ("open-cold").
std::string CheckNameKey(const std::string& name);

// The checks that run at `level`, or, when `names` is not empty, those named (whatever their level). False,
// with the unknown name in `unknown`, when a name is not a check's.
bool SelectChecks(int level, const std::vector<std::string>& names, std::vector<ValidationCheck>& selected,
                  std::string& unknown);

// Runs `checks` in order on the plug-in at `path`, each in its own child process (unless `run.inProcess`),
// and stops after a failed "load". `printed`, when given, gets each result as it is known.
//
// Each child runs the tool afresh (this executable with kBatteryChildCommand), so that every check starts
// from the same process whatever ran before it: a plug-in's fault that depends on what its heap held is found
// alike in the whole battery, in a sweep and with the check alone. A check that does not come to its end (the
// plug-in crashed, hung, or ended the process itself with any status) fails, saying how and in which call.
std::vector<CheckResult> RunBattery(const std::string& path, const ValidationOptions& options,
                                    const std::vector<ValidationCheck>& checks, const BatteryRun& run,
                                    const std::function<void(const CheckResult&)>& printed = {});

// The first argument by which the tool runs as a battery's child, and that child's entry (the arguments from
// there on, as RunBattery passes them). Not a command for users.
inline constexpr char kBatteryChildCommand[] = "--battery-child";
int RunBatteryChild(int argc, char** argv);

} // namespace orke::host
