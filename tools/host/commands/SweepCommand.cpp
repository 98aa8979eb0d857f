// orke-host sweep: validates every plug-in module found in the folders Linux hosts scan (or those given), one
// line each, with a summary and, on request, a JSON and a tab-separated report.
#include "Commands.h"

#include "Battery.h"
#include "CallTrace.h"
#include "HostCommand.h"
#include "HostedPlugin.h"
#include "TerminalLine.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace orke::host {
namespace {

namespace fs = std::filesystem;

struct SweepOptions {
    ValidationOptions validation;
    BatteryRun run;
    std::optional<std::string> json;
    std::string tsv;
};

const OptionTable<SweepOptions> kOptions = {
    LevelRow(&SweepOptions::validation, "strictness from {range} (default 5; see orke-host validate --help)"),
    ExpectRow(&SweepOptions::validation, "require every plug-in to pass its input through, bit for bit"),
    TimeoutRow(&SweepOptions::run, "time allowed for each check of each module (default 60)"),
    OptionalText("json", "FILE", &SweepOptions::json,
                 "every module's whole report as one JSON object, on standard output instead of\n"
                 "the lines, or into FILE (also as --json FILE)",
                 true),
    Text("tsv", "FILE", &SweepOptions::tsv, "write one tab-separated line per module into FILE"),
};

const CommandOptions kCommand = {
    "orke-host sweep",
    R"(usage: orke-host sweep [options] [FOLDER...]

Validates every VST 2.4 module (*.so) in the FOLDERs, or by default in the folders Linux hosts scan:
/usr/lib/vst, /usr/lib/lxvst, /usr/local/lib/vst, /usr/local/lib/lxvst, ~/.vst, ~/.lxvst and the folders
listed in VST_PATH and LXVST_PATH. Sub-folders are searched too; a folder or a module reached twice (through a
symbolic link) is visited once. A module that exports no plug-in entry is listed as skipped, not failed.

Prints one line per module (PASS, WARN, FAIL or SKIP, with its first finding) and a summary; exits 0 only
when no module fails. A couple of hundred plug-ins take a while: run it in the background, with nice.

options:
)",
    24,
    kOptions.Options(),
};

// The exit status of the probe that finds a module without a plug-in entry.
constexpr int kNoEntry = 4;

std::vector<std::string> defaultFolders() {
    std::vector<std::string> folders = {"/usr/lib/vst", "/usr/lib/lxvst", "/usr/local/lib/vst",
                                        "/usr/local/lib/lxvst"};
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        folders.push_back(std::string(home) + "/.vst");
        folders.push_back(std::string(home) + "/.lxvst");
    }
    for (const char* variable : {"VST_PATH", "LXVST_PATH"}) {
        const char* value = std::getenv(variable);
        std::string list = value != nullptr ? value : "";
        for (size_t start = 0; start <= list.size();) {
            const size_t end = std::min(list.find(':', start), list.size());
            if (end > start) {
                folders.push_back(list.substr(start, end - start));
            }
            start = end + 1;
        }
    }
    return folders;
}

// Every *.so under the folders, in folder order and by name within a folder; each folder and each module by
// its real path only once.
class ModuleSearch {
public:
    void Folder(const fs::path& folder) {
        std::error_code error;
        const fs::path real = fs::canonical(folder, error);
        if (error || !m_folders.insert(real.string()).second) {
            return;
        }
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
             !error && it != end; it.increment(error)) {
            entries.push_back(it->path());
        }
        std::sort(entries.begin(), entries.end());
        for (const fs::path& entry : entries) {
            if (fs::is_directory(entry, error)) {
                Folder(entry);
            } else if (entry.extension() == ".so" && fs::is_regular_file(entry, error)) {
                const fs::path module = fs::canonical(entry, error);
                if (!error && m_modules.insert(module.string()).second) {
                    m_found.push_back(entry.string());
                }
            }
        }
    }
    const std::vector<std::string>& Found() const { return m_found; }

private:
    std::set<std::string> m_folders;
    std::set<std::string> m_modules;
    std::vector<std::string> m_found;
};

struct ModuleResult {
    std::string path;
    Verdict verdict = Verdict::Pass;
    std::string finding; // the first failure or warning, or why it was skipped
    std::vector<CheckResult> checks;
};

// Whether the module exports a plug-in entry, asked in a child process: loading runs the module's own code.
bool hasEntry(const std::string& path, const BatteryRun& run) {
    const IsolatedRun probe = RunIsolated(
        [&path](LineWriter&) {
            std::string error;
            bool noEntry = false;
            HostedPlugin::Open(path, error, &noEntry);
            return noEntry ? kNoEntry : 0;
        },
        std::chrono::seconds(run.timeoutSeconds));
    return !(probe.end == IsolatedRun::End::Failed && probe.exitStatus == kNoEntry);
}

ModuleResult sweepModule(const std::string& path, const SweepOptions& options,
                         const std::vector<ValidationCheck>& checks, const BatteryRun& run) {
    ModuleResult module;
    module.path = path;
    if (!hasEntry(path, run)) {
        module.verdict = Verdict::Skip;
        module.finding = "not a plug-in: it exports neither VSTPluginMain nor main";
        return module;
    }
    module.checks = RunBattery(path, options.validation, checks, run);
    const VerdictCounts counts = CountVerdicts(module.checks);
    module.verdict = counts.failed > 0 ? Verdict::Fail : counts.warned > 0 ? Verdict::Warn : Verdict::Pass;
    for (Verdict wanted : {Verdict::Fail, Verdict::Warn}) {
        for (const CheckResult& check : module.checks) {
            if (module.finding.empty() && check.verdict == wanted) {
                const ReportLines& lines = wanted == Verdict::Fail ? check.failures : check.warnings;
                module.finding = check.name + ": " + (lines.kept.empty() ? "" : lines.kept.front());
            }
        }
    }
    return module;
}

// Every module validated in turn, each line printed as it is known when `lines`.
std::vector<ModuleResult> sweepAll(const std::vector<std::string>& modules, const SweepOptions& options,
                                   bool lines, std::ostream& out) {
    std::vector<ValidationCheck> checks;
    std::string unknown;
    SelectChecks(options.validation.level, {}, checks, unknown);
    StatusLine status;
    BatteryRun run = options.run;
    std::vector<ModuleResult> results;
    for (const std::string& module : modules) {
        const size_t number = results.size() + 1;
        run.starting = [&](const std::string& name, size_t, size_t) {
            status.Start(module + ": " + name, number, modules.size());
        };
        run.tick = [&status] {
            status.Tick();
        };
        results.push_back(sweepModule(module, options, checks, run));
        status.Clear();
        const ModuleResult& result = results.back();
        if (lines) {
            out << VerdictWord(result.verdict) << "  " << PrintableText(module)
                << (result.finding.empty() ? "" : "  " + PrintableText(result.finding)) << '\n';
            out.flush();
        }
    }
    return results;
}

// The checks with a column of their own in the tab-separated report and a field in each module's JSON, as
// the battery's newer checks have, so that a sweep's verdicts on them are read at a glance.
const char* const kColumnChecks[] = {"notes", "buffer-layouts", "channel-setups"};

// A check's verdict in a module's results; "-" when it did not run there.
std::string verdictOf(const ModuleResult& result, const std::string& check) {
    for (const CheckResult& ran : result.checks) {
        if (ran.name == check) {
            return VerdictName(ran.verdict);
        }
    }
    return "-";
}

std::string tabSafe(std::string text) {
    std::replace(text.begin(), text.end(), '\t', ' ');
    return text;
}

void writeTsv(const std::vector<ModuleResult>& results, std::ostream& tsv) {
    tsv << "module\tstatus\tchecks passed\twith warnings\tfailed";
    for (const char* check : kColumnChecks) {
        tsv << '\t' << check;
    }
    tsv << "\tfirst finding\n";
    for (const ModuleResult& result : results) {
        const VerdictCounts checks = CountVerdicts(result.checks);
        tsv << tabSafe(result.path) << '\t' << VerdictName(result.verdict) << '\t' << checks.passed << '\t'
            << checks.warned << '\t' << checks.failed;
        for (const char* check : kColumnChecks) {
            tsv << '\t' << verdictOf(result, check);
        }
        tsv << '\t' << tabSafe(result.finding) << '\n';
    }
}

void writeJson(const std::vector<std::string>& folders, const SweepOptions& options,
               const std::vector<ModuleResult>& results, const VerdictCounts& counts, std::ostream& out) {
    JsonWriter writer(out);
    writer.BeginObject();
    writer.Field("level", options.validation.level);
    writer.Key("folders");
    writer.BeginArray();
    for (const std::string& folder : folders) {
        writer.String(folder);
    }
    writer.EndArray();
    writer.Key("modules");
    writer.BeginArray();
    for (const ModuleResult& result : results) {
        writer.BeginObject();
        writer.Field("path", result.path);
        writer.Field("status", VerdictName(result.verdict));
        writer.Field("finding", result.finding);
        for (const char* check : kColumnChecks) {
            writer.Field(check, verdictOf(result, check));
        }
        writer.Key("report");
        if (result.verdict == Verdict::Skip) {
            writer.Null();
        } else {
            WriteReportJson(writer, result.path, options.validation.level,
                            options.validation.expectPassthrough, result.checks);
        }
        writer.EndObject();
    }
    writer.EndArray();
    counts.WriteJson(writer);
    writer.Field("skipped", counts.skipped);
    writer.EndObject();
}

int sweep(const CommandLine& line, std::ostream& out, std::ostream& err) {
    SweepOptions options;
    std::string error;
    if (!kOptions.Fill(line, options, error)) {
        return UsageError(kCommand, error, err);
    }
    // A folder the user names must be one; of the folders hosts scan, those missing are only not there.
    for (const std::string& folder : line.Positionals()) {
        std::error_code unused;
        if (!fs::is_directory(folder, unused)) {
            return CommandError(
                kCommand, kExitUsage,
                folder + (fs::exists(folder, unused) ? " is not a folder" : " does not exist"), err);
        }
    }
    const std::vector<std::string> folders =
        line.Positionals().empty() ? defaultFolders() : line.Positionals();
    ModuleSearch search;
    for (const std::string& folder : folders) {
        search.Folder(folder);
    }
    const std::vector<std::string>& modules = search.Found();
    // Report files are opened first, so that a wrong path is found before the long part.
    JsonOutput json;
    std::ofstream tsv;
    if (!options.tsv.empty()) {
        tsv.open(options.tsv);
        if (!tsv) {
            return CommandError(kCommand, kExitFailure, "cannot write " + options.tsv, err);
        }
    }
    if (!json.Open(options.json, error)) {
        return CommandError(kCommand, kExitFailure, error, err);
    }
    StartCallTrace();
    if (json.Text()) {
        out << "sweeping " << Counted(static_cast<int64_t>(modules.size()), "module") << " at level "
            << options.validation.level << '\n';
        out.flush();
    }
    const std::vector<ModuleResult> results = sweepAll(modules, options, json.Text(), out);
    VerdictCounts counts;
    for (const ModuleResult& result : results) {
        counts.Add(result.verdict);
    }
    if (json.Text()) {
        out << "sweep: " << Counted(counts.Total(), "module") << ", " << counts.Text() << ", "
            << counts.skipped << " skipped\n";
    }
    if (tsv.is_open()) {
        writeTsv(results, tsv);
    }
    if (json.Wanted()) {
        writeJson(folders, options, results, counts, json.Stream(out));
    }
    return counts.failed == 0 ? kExitSuccess : kExitFailure;
}

} // namespace

int RunSweep(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunHostCommand(kCommand, argc, argv, out, err, sweep);
}

} // namespace orke::host
