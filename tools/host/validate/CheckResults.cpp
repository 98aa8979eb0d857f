// Verdicts counted, and a battery's results as lines and as JSON.
#include "CheckResults.h"

#include "CommandLine.h"

#include <algorithm>
#include <cstdio>

namespace orke::host {
namespace {

// A check reports "fail", "warn" and "note" lines; the report keeps this many distinct ones of each kind and
// counts the rest.
constexpr size_t kKeptLines = 50;
// Lines of a failed check's captured output shown in the text report.
constexpr size_t kShownOutputLines = 5;

// Each verdict as the lines show it and as the JSON says it, in the order of the enumeration.
const struct {
    const char* word;
    const char* name;
} kVerdictNames[] = {{"PASS", "pass"}, {"WARN", "warn"}, {"FAIL", "fail"}, {"SKIP", "skip"}};
static_assert(sizeof kVerdictNames / sizeof kVerdictNames[0] == static_cast<size_t>(Verdict::Skip) + 1);

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

const char* VerdictWord(Verdict verdict) {
    return kVerdictNames[static_cast<size_t>(verdict)].word;
}

const char* VerdictName(Verdict verdict) {
    return kVerdictNames[static_cast<size_t>(verdict)].name;
}

void VerdictCounts::Add(Verdict verdict) {
    ++(verdict == Verdict::Pass   ? passed
       : verdict == Verdict::Warn ? warned
       : verdict == Verdict::Fail ? failed
                                  : skipped);
}

std::string VerdictCounts::Text() const {
    return std::to_string(passed) + " passed, " + std::to_string(warned) + " with warnings, " +
           std::to_string(failed) + " failed";
}

void VerdictCounts::WriteJson(JsonWriter& json) const {
    json.Field("passed", passed);
    json.Field("warned", warned);
    json.Field("failed", failed);
}

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

VerdictCounts CountVerdicts(const std::vector<CheckResult>& results) {
    VerdictCounts counts;
    for (const CheckResult& result : results) {
        counts.Add(result.verdict);
    }
    return counts;
}

std::string DetailOf(const CheckResult& result) {
    const ReportLines& lines = result.verdict == Verdict::Fail   ? result.failures
                               : result.verdict == Verdict::Warn ? result.warnings
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
    out << VerdictWord(result.verdict) << "  " << name << ' ' << PrintableText(DetailOf(result)) << '\n';
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

void WriteReportJson(JsonWriter& json, const std::string& path, int level, bool expectPassthrough,
                     const std::vector<CheckResult>& results) {
    json.BeginObject();
    json.Field("plugin", path);
    json.Field("level", level);
    json.Key("expect");
    if (expectPassthrough) {
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
        json.Field("status", VerdictName(result.verdict));
        writeLines(json, "failures", result.failures.kept, result.failures.leftOut);
        writeLines(json, "warnings", result.warnings.kept, result.warnings.leftOut);
        writeLines(json, "notes", result.notes.kept, result.notes.leftOut);
        writeLines(json, "output", result.output, result.outputLeftOut);
        json.EndObject();
    }
    json.EndArray();
    CountVerdicts(results).WriteJson(json);
    json.EndObject();
}

} // namespace orke::host
