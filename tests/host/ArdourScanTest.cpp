// A real host reads the plug-in: Ardour's VST2 scanner loads the module in its own process and writes what it
// found to its cache. The scanner is run as a black box with a scratch home, so no user's cache is touched.
#include <gtest/gtest.h>

#include <glob.h>
#include <link.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string findScanner() {
    glob_t found{};
    std::string scanner;
    if (glob("/usr/lib/ardour*/ardour-vst-scanner", 0, nullptr, &found) == 0 && found.gl_pathc > 0) {
        scanner = found.gl_pathv[found.gl_pathc - 1]; // the newest Ardour
    }
    globfree(&found);
    return scanner;
}

// A plug-in built with a sanitizer only loads into a process whose first library is the sanitizer's
// runtime; this process has it, so the scanner is given the same one.
std::string sanitizerRuntime() {
    std::string runtime;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            const std::string name = info->dlpi_name != nullptr ? info->dlpi_name : "";
            if (name.find("libasan.so") != std::string::npos ||
                name.find("libtsan.so") != std::string::npos) {
                *static_cast<std::string*>(out) = name;
                return 1;
            }
            return 0;
        },
        &runtime);
    return runtime;
}

std::string quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string readAll(const fs::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// What the scanner wrote to the cache under `home`: empty until a whole cache file is there.
std::string cacheUnder(const fs::path& home) {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(home / "cache", error)) {
        if (entry.path().extension() == ".v2i") {
            const std::string cache = readAll(entry.path());
            if (cache.find("</VST2Cache>") != std::string::npos) {
                return cache;
            }
        }
    }
    return "";
}

// Runs the shell command until it exits or has written a whole cache under `home`, for at most two minutes.
// Under the sanitizer's runtime the scanner never gets through its exit (a library's finaliser deadlocks on
// the locale lock), so it is stopped once its work is on disk.
void runScanner(const std::string& command, const fs::path& home) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    for (int wait = 0; wait < 2400; ++wait) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            return;
        }
        if (!cacheUnder(home).empty()) {
            break;
        }
        usleep(50000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// The value of ` key="value"` in the text, or "(missing)".
std::string attribute(const std::string& xml, const std::string& key) {
    const std::string start = " " + key + "=\"";
    const size_t at = xml.find(start);
    if (at == std::string::npos) {
        return "(missing)";
    }
    const size_t from = at + start.size();
    return xml.substr(from, xml.find('"', from) - from);
}

struct Build {
    const char* name;
    const char* path;
};

class ArdourScan : public testing::TestWithParam<Build> {};

std::string buildName(const testing::TestParamInfo<Build>& info) {
    return info.param.name;
}

} // namespace

TEST_P(ArdourScan, FindsTheStereoInstrumentOfOrvaneKettlers) {
    const std::string scanner = findScanner();
    if (scanner.empty()) {
        GTEST_SKIP() << "Ardour's VST scanner (/usr/lib/ardour*/ardour-vst-scanner) is not installed; "
                        "install the Debian package ardour to run this test";
    }

    char pattern[] = "/tmp/idlewire-ardour-scan-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path home = pattern;
    std::string environment = "HOME=" + quoted(home.string()) +
                              " XDG_CACHE_HOME=" + quoted((home / "cache").string()) +
                              " XDG_CONFIG_HOME=" + quoted((home / "config").string()) +
                              " XDG_DATA_HOME=" + quoted((home / "data").string()) +
                              " LD_LIBRARY_PATH=" + quoted(fs::path(scanner).parent_path().string());
    if (const std::string runtime = sanitizerRuntime(); !runtime.empty()) {
        // The scanner's own leaks and races are not the plug-in's.
        environment +=
            " LD_PRELOAD=" + quoted(runtime) + " ASAN_OPTIONS=detect_leaks=0 TSAN_OPTIONS=report_bugs=0";
    }
    runScanner("exec env " + environment + " " + quoted(scanner) + " --force " + quoted(GetParam().path) +
                   " >" + quoted((home / "output").string()) + " 2>&1",
               home);

    // The scanner answers 0 whatever it found; what it found is in its cache.
    const std::string cache = cacheUnder(home);
    const std::string output = readAll(home / "output");
    fs::remove_all(home);

    ASSERT_NE(cache.find("<VST2Info"), std::string::npos) << "the scanner found no plug-in:\n" << output;
    const std::string info = cache.substr(cache.find("<VST2Info"));
    EXPECT_EQ(attribute(info, "name"), "Idlewire");
    EXPECT_EQ(attribute(info, "creator"), "Orvane Kettlers");
    EXPECT_EQ(attribute(info, "id"), "1330342263"); // 'OKiw'
    EXPECT_EQ(attribute(info, "n_inputs"), "2");
    EXPECT_EQ(attribute(info, "n_outputs"), "2");
    EXPECT_EQ(attribute(info, "is_instrument"), "1");
    EXPECT_EQ(attribute(info, "can_process_replace"), "1");
    EXPECT_EQ(attribute(info, "has_editor"), "0");
    EXPECT_EQ(attribute(info, "category"), "Effect") << "the category answer is 1, an effect";
}

INSTANTIATE_TEST_SUITE_P(Builds, ArdourScan,
                         testing::Values(Build{"Default", IDLEWIRE_PATH},
                                         Build{"PowerPC", IDLEWIRE_POWERPC_BEHAVIOUR_PATH}),
                         buildName);
