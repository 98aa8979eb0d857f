// A real host reads the plug-ins: Ardour's VST2 scanner loads the module in its own process and writes what
// it found to its cache. The scanner is run as a black box in a home of its own, so no user's cache is
// touched.
#include "ThirdPartyHome.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A plug-in built with a sanitizer only loads into a process whose first library is the sanitizer's
// runtime; this process has it, so the scanner is given the same one.
std::string sanitizerRuntime() {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.find("/libasan.so") != std::string::npos || line.find("/libtsan.so") != std::string::npos) {
            return line.substr(line.find('/'));
        }
    }
    return "";
}

// What the scanner wrote to the cache in `home`: empty until a whole cache file is there.
std::string cacheIn(const ThirdPartyHome& home) {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(home.Path()) / ".cache", error)) {
        std::stringstream cache;
        cache << std::ifstream(entry.path()).rdbuf();
        if (entry.path().extension() == ".v2i" && cache.str().find("</VST2Cache>") != std::string::npos) {
            return cache.str();
        }
    }
    return "";
}

// Runs the scanner on `plugin` until it exits or has written a whole cache in `home`, for at most two
// minutes. Under the sanitizer's runtime the scanner never gets through its exit (a library's finaliser
// deadlocks on the locale lock), so it is stopped once its work is on disk.
void runScanner(const std::string& scanner, const char* plugin, const ThirdPartyHome& home) {
    const std::string runtime = sanitizerRuntime();
    const pid_t pid = fork();
    if (pid == 0) {
        home.Enter();
        setenv("LD_LIBRARY_PATH", fs::path(scanner).parent_path().c_str(), 1);
        if (!runtime.empty()) { // the scanner's own leaks and races are not the plug-in's
            setenv("LD_PRELOAD", runtime.c_str(), 1);
            setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            setenv("TSAN_OPTIONS", "report_bugs=0", 1);
        }
        execl(scanner.c_str(), scanner.c_str(), "--force", plugin, static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    for (int wait = 0; waitpid(pid, nullptr, WNOHANG) != pid; usleep(50000)) {
        if (++wait == 2400 || !cacheIn(home).empty()) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return;
        }
    }
}

struct Scanned {
    const char* path;
    std::vector<std::string> attributes;
};

// What the scanner must have found in a module: a plug-in of Orvane Kettlers without an editor, with its
// name, ID, audio inputs and category, stereo out, that processes in place, and any attributes more.
Scanned scanned(const char* path, const std::string& name, const std::string& id, bool instrument,
                const std::string& category = "Effect", const std::string& inputs = "2",
                std::vector<std::string> more = {}) {
    more.insert(more.end(),
                {"name=\"" + name + "\"", "creator=\"Orvane Kettlers\"", "id=\"" + id + "\"",
                 "n_inputs=\"" + inputs + "\"", "n_outputs=\"2\"",
                 std::string("is_instrument=\"") + (instrument ? "1" : "0") + "\"",
                 "can_process_replace=\"1\"", "has_editor=\"0\"", "category=\"" + category + "\""});
    return {path, more};
}

// Idlewire's category answer is 1, an effect, although it is flagged an instrument.
std::vector<Scanned> modules() {
    std::vector<Scanned> all = {scanned(IDLEWIRE_PATH, "Idlewire", "1330342263", true), // 'OKiw'
                                scanned(IDLEWIRE_POWERPC_BEHAVIOUR_PATH, "Idlewire", "1330342263", true)};
#ifdef ORKE_GAIN_PATH
    all.push_back(scanned(ORKE_GAIN_PATH, "Orke Gain", "1330341742", false));     // 'OKgn'
    all.push_back(scanned(ORKE_FILTER_PATH, "Orke Filter", "1330341484", false)); // 'OKfl'
    // A delay: a room effect. The scanner fills no version for any VST 2.4 module, so none is looked for.
    all.push_back(scanned(ORKE_ECHO_PATH, "Orke Echo", "1330341219", false, "RoomFx")); // 'OKec'
    // An instrument that needs no audio input and takes MIDI.
    all.push_back(scanned(ORKE_SYNTH_PATH, "Orke Synth", "1330344825", true, "Instrument", "0", // 'OKsy'
                          {"n_midi_inputs=\"1\""}));
#endif
    return all;
}

} // namespace

TEST(ArdourScan, FindsEachPluginOfOrvaneKettlersWithItsNameAndId) {
    std::string scanner;
    for (const char* path : {"/usr/lib/ardour8/ardour-vst-scanner", "/usr/lib/ardour7/ardour-vst-scanner"}) {
        scanner = scanner.empty() && access(path, X_OK) == 0 ? path : scanner;
    }
    if (scanner.empty()) {
        GTEST_SKIP() << "Ardour's VST scanner (/usr/lib/ardour7/ardour-vst-scanner) is not installed; "
                        "install the Debian package ardour to run this test";
    }
    for (const Scanned& module : modules()) {
        const ThirdPartyHome home;
        runScanner(scanner, module.path, home);
        // The scanner answers 0 whatever it found; what it found is in its cache.
        const std::string cache = cacheIn(home);
        const std::string info = cache.substr(std::min(cache.find("<VST2Info"), cache.size()));
        ASSERT_FALSE(info.empty()) << module.path << ": the scanner found no plug-in (its output is above)";
        for (const std::string& attribute : module.attributes) {
            EXPECT_NE(info.find(" " + attribute), std::string::npos)
                << module.path << ": " << attribute << " not in " << info;
        }
    }
}
