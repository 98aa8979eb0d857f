// orke-host preset and --preset from the outside: settings saved from one instance come back in a fresh one,
// in the parameter form and in the chunk form, as programs and as banks.
#include "ToolRun.h"

#include <cmath>

using namespace orke::host::test;

namespace {

// What a file says about the settings: everything after the program name of a program file, after the header
// of a bank file. (A plug-in need not keep the name of a chunk it loads.)
std::string settingsOf(const std::string& path) {
    const std::string bytes = FileText(path);
    const size_t header = bytes.compare(8, 2, "FB") == 0 || bytes.compare(8, 4, "FxBk") == 0 ? 156 : 56;
    return bytes.size() < header ? "" : bytes.substr(header);
}

// Every parameter's text and, for a bank, the current program, from `info --json`. (A program file lands in
// whichever program is current.)
std::vector<std::string> settingsShown(const std::string& json, bool bank) {
    std::vector<std::string> lines;
    std::istringstream text(json);
    for (std::string line; std::getline(text, line);) {
        if ((bank && line.find("\"current_program\"") != std::string::npos) ||
            line.find("\"display\"") != std::string::npos) {
            lines.push_back(line.substr(line.find_first_not_of(' ')));
        }
    }
    return lines;
}

// Whether two lines of settingsShown agree: alike or, with `digits`, numbers within one unit of the last of
// that many significant digits (what a plug-in that keeps its chunk as text holds).
bool agree(const std::string& a, const std::string& b, int digits) {
    auto number = [](const std::string& line, double& value) {
        const size_t start = line.find(": \"") + 3, end = line.rfind('"');
        const std::string text = start < 3 || end <= start ? "" : line.substr(start, end - start);
        char* rest = nullptr;
        value = std::strtod(text.c_str(), &rest);
        return !text.empty() && *rest == '\0';
    };
    double x = 0.0, y = 0.0;
    if (a == b || digits == 0 || !number(a, x) || !number(b, y)) {
        return a == b;
    }
    const double unit =
        std::pow(10.0, std::floor(std::log10(std::max(std::fabs(x), std::fabs(y)))) - digits + 1);
    return std::fabs(x - y) <= unit * (1.0 + 1e-9);
}

// Saves the plug-in set up by `changes`, loads the file into a fresh instance and saves that again: the same
// settings in both files, and the fresh instance shows the same program and parameter values as the one set
// up directly, to `digits` significant digits where the plug-in keeps no more. `form` is the file's kind at
// its offset 8.
void expectRoundTrip(const std::string& plugin, const std::vector<std::string>& changes,
                     const std::string& kind, const std::string& form, const std::string& environment = "",
                     int digits = 0) {
    SCOPED_TRACE(plugin + " " + kind);
    ScratchFolder folder;
    const std::string first = folder.Path("first" + kind), second = folder.Path("second" + kind);
    auto run = [&](const std::vector<std::string>& words) {
        return RunTool(words, environment);
    };
    const ToolRun saved = run(Words({{"preset", "save", plugin, first}, changes}));
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const ToolRun again = run({"preset", "save", "--preset", first, plugin, second});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(FileText(first).substr(8, 4), form);
    EXPECT_EQ(settingsOf(first), settingsOf(second)) << "a loaded preset saves as the same settings";
    const ToolRun setUp = run(Words({{"info", "--json", plugin}, changes}));
    const ToolRun loaded = run({"info", "--json", "--preset", first, plugin});
    const ToolRun fresh = run({"info", "--json", plugin});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    const bool bank = kind == ".fxb";
    const std::vector<std::string> shown = settingsShown(loaded.out, bank),
                                   wanted = settingsShown(setUp.out, bank);
    ASSERT_EQ(shown.size(), wanted.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(agree(shown[i], wanted[i], digits))
            << "setting " << i << " loaded: " << shown[i] << "\nset up directly: " << wanted[i];
    }
    EXPECT_NE(shown, settingsShown(fresh.out, bank)) << "the changes changed nothing";
}

} // namespace

TEST(OrkeHostPreset, ParameterFormProgramsAndBanksComeBack) {
    expectRoundTrip(IDLEWIRE_PATH, {"--param", "0=0.25"}, ".fxp", "FxCk");
    expectRoundTrip(IDLEWIRE_PATH, {"--program", "3", "--param", "0=0.75"}, ".fxb", "FxBk");
    for (const std::string example : {ORKEGAIN_PATH, ORKEFILTER_PATH}) { // where this build has them
        if (!example.empty()) {
            expectRoundTrip(example, {"--program", "2", "--param", "0=0.5"}, ".fxp", "FxCk");
            expectRoundTrip(example, {"--program", "3", "--param", "1=0.25"}, ".fxb", "FxBk");
        }
    }
    ScratchFolder folder;
    const ToolRun saved =
        RunTool({"preset", "save", "--param", "0=0.5", IDLEWIRE_PATH, folder.Path("p.fxp")});
    EXPECT_EQ(saved.out, folder.Path("p.fxp") +
                             ": program (parameter form) for the plug-in 'OKiw' (1330342263), "
                             "version 1\n");
    const ToolRun shown = RunTool({"preset", "show", folder.Path("p.fxp")});
    EXPECT_EQ(shown.out, folder.Path("p.fxp") +
                             ": program (parameter form) for the plug-in 'OKiw' (1330342263), version 1\n"
                             "  'Defaults': 0.5\n");
}

TEST(OrkeHostPreset, ChunkFormProgramsComeBackInAmsynth) {
    const std::string amsynth = "/usr/lib/vst/amsynth_vst.so";
    if (access(amsynth.c_str(), F_OK) != 0) {
        GTEST_SKIP() << amsynth << " is not installed (Debian package amsynth)";
    }
    // Program 5 of amsynth's first bank, with its attack changed. amsynth keeps its chunk as text, six
    // significant digits a value; which program comes first depends on the banks in its home.
    const ThirdPartyHome home;
    expectRoundTrip(amsynth, {"--program", "5", "--param", "0=0.5"}, ".fxp", "FPCh", ForeignPlugin(home), 6);
}
