// What a check found, and what a battery or a sweep found altogether: the verdicts, their counts, and the
// report as lines and as JSON. Shared by `validate`, which reports one plug-in's checks, and `sweep`, which
// reports every module's.
#pragma once

#include "JsonWriter.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace orke::host {

// A check's verdict, and a module's in a sweep (which may also skip one that is no plug-in).
enum class Verdict { Pass, Warn, Fail, Skip };

const char* VerdictWord(Verdict verdict); // "PASS", "WARN", "FAIL", "SKIP"
const char* VerdictName(Verdict verdict); // "pass", "warn", "fail", "skip", as the JSON says it

// How many of each.
struct VerdictCounts {
    int64_t passed = 0;
    int64_t warned = 0;
    int64_t failed = 0;
    int64_t skipped = 0;
    void Add(Verdict verdict);
    int64_t Total() const { return passed + warned + failed + skipped; }
    // "12 passed, 1 with warnings, 0 failed"
    std::string Text() const;
    // The passed, warned and failed fields of a JSON object.
    void WriteJson(JsonWriter& json) const;
};

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
    Verdict verdict = Verdict::Pass;
    ReportLines failures;
    ReportLines warnings;
    ReportLines notes;
    std::vector<std::string> output; // what the plug-in printed, kept for a failed check only
    int64_t outputLeftOut = 0;
};

VerdictCounts CountVerdicts(const std::vector<CheckResult>& results);
// The line's detail: the faults when there are any, else the warnings, else what was checked.
std::string DetailOf(const CheckResult& result);
// "FAIL  name  detail", and under a failed check the first lines the plug-in printed.
void PrintResultLine(const CheckResult& result, std::ostream& out);
// One plug-in's report as one JSON object, written into `json` at the value's place.
void WriteReportJson(JsonWriter& json, const std::string& path, int level, bool expectPassthrough,
                     const std::vector<CheckResult>& results);

} // namespace orke::host
