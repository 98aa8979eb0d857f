// orke-host sweep: validates every plug-in module found in the folders Linux hosts scan (or those given), one
// line each, with a summary and, on request, a JSON and a tab-separated report.
#include "Commands.h"

#include "CallTrace.h"
#include "CommandLine.h"
#include "EffectNames.h"
#include "HostedPlugin.h"
#include "StatusLine.h"
#include "ValidationRun.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace orke::host {
namespace {

namespace fs = std::filesystem;

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
    {
        {"level", "N", "strictness from 1 to 10 (default 5; see orke-host validate --help)"},
        {"expect", "passthrough", "require every plug-in to pass its input through, bit for bit"},
        {"timeout", "SECONDS", "time allowed for each check of each module (default 60)"},
        {"json", "FILE", "write every module's whole report into FILE, as one JSON object"},
        {"tsv", "FILE", "write one tab-separated line per module into FILE"},
    }};

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
    std::string status;  // "pass", "warn", "fail", "skip"
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
        run.timeout);
    return !(probe.end == IsolatedRun::End::Failed && probe.exitStatus == kNoEntry);
}

ModuleResult sweepModule(const std::string& path, const ValidationOptions& options,
                         const std::vector<ValidationCheck>& checks, const BatteryRun& run) {
    ModuleResult module;
    module.path = path;
    if (!hasEntry(path, run)) {
        module.status = "skip";
        module.finding = "not a plug-in: it exports neither VSTPluginMain nor main";
        return module;
    }
    module.checks = RunBattery(path, options, checks, run);
    int counts[3];
    CountResults(module.checks, counts);
    module.status = counts[2] > 0 ? "fail" : counts[1] > 0 ? "warn" : "pass";
    for (CheckStatus wanted : {CheckStatus::Fail, CheckStatus::Warn}) {
        for (const CheckResult& check : module.checks) {
            if (module.finding.empty() && check.status == wanted) {
                const ReportLines& lines = wanted == CheckStatus::Fail ? check.failures : check.warnings;
                module.finding = check.name + ": " + (lines.kept.empty() ? "" : lines.kept.front());
            }
        }
    }
    return module;
}

std::string tabSafe(std::string text) {
    std::replace(text.begin(), text.end(), '\t', ' ');
    return text;
}

int sweep(const CommandLine& line, std::ostream& out, std::ostream& err) {
    std::string error;
    ValidationOptions options;
    BatteryRun run;
    std::vector<ValidationCheck> checks;
    std::string unknown;
    if (!ReadBatteryOptions(line, options, run, error) || !SelectChecks(options.level, {}, checks, unknown)) {
        err << "orke-host sweep: " << error << '\n';
        return kExitUsage;
    }
    const std::vector<std::string> folders =
        line.Positionals().empty() ? defaultFolders() : line.Positionals();
    ModuleSearch search;
    for (const std::string& folder : folders) {
        search.Folder(folder);
    }
    const std::vector<std::string>& modules = search.Found();
    // Report files are opened first, so that a wrong path is found before the long part.
    std::ofstream json;
    std::ofstream tsv;
    for (const auto& [option, file] : {std::pair{"json", &json}, std::pair{"tsv", &tsv}}) {
        if (line.Has(option)) {
            file->open(line.Value(option));
            if (!*file) {
                err << "orke-host sweep: cannot write " << line.Value(option) << '\n';
                return kExitFailure;
            }
        }
    }
    StartCallTrace();

    out << "sweeping " << Counted(static_cast<int64_t>(modules.size()), "module") << " at level "
        << options.level << '\n';
    out.flush();
    StatusLine status;
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
        std::string word = result.status;
        std::transform(word.begin(), word.end(), word.begin(),
                       [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
        out << word << "  " << PrintableText(module)
            << (result.finding.empty() ? "" : "  " + PrintableText(result.finding)) << '\n';
        out.flush();
    }
    std::map<std::string, int64_t> counts;
    for (const ModuleResult& result : results) {
        ++counts[result.status];
    }
    out << "sweep: " << Counted(static_cast<int64_t>(results.size()), "module") << ", " << counts["pass"]
        << " passed, " << counts["warn"] << " with warnings, " << counts["fail"] << " failed, "
        << counts["skip"] << " skipped\n";

    if (tsv.is_open()) {
        tsv << "module\tstatus\tchecks passed\twith warnings\tfailed\tfirst finding\n";
        for (const ModuleResult& result : results) {
            int checkCounts[3];
            CountResults(result.checks, checkCounts);
            tsv << tabSafe(result.path) << '\t' << result.status << '\t' << checkCounts[0] << '\t'
                << checkCounts[1] << '\t' << checkCounts[2] << '\t' << tabSafe(result.finding) << '\n';
        }
    }
    if (json.is_open()) {
        JsonWriter writer(json);
        writer.BeginObject();
        writer.Field("level", options.level);
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
            writer.Field("status", result.status);
            writer.Field("finding", result.finding);
            writer.Key("report");
            if (result.status == "skip") {
                writer.Null();
            } else {
                WriteReportJson(writer, result.path, options, result.checks);
            }
            writer.EndObject();
        }
        writer.EndArray();
        writer.Field("passed", counts["pass"]);
        writer.Field("warned", counts["warn"]);
        writer.Field("failed", counts["fail"]);
        writer.Field("skipped", counts["skip"]);
        writer.EndObject();
        json << '\n';
    }
    return counts["fail"] == 0 ? kExitSuccess : kExitFailure;
}

} // namespace

int RunSweep(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunCommand(kCommand, argc, argv, out, err, sweep);
}

} // namespace orke::host
