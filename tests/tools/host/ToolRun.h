// Running orke-host as a user does, and the files it reads and writes, for the end-to-end tests.
#pragma once

#include "ThirdPartyHome.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace orke::host::test {

// A fresh folder for one test's files, removed with everything in it at the end.
struct ScratchFolder {
    char path[32] = "/tmp/orke-host-test-XXXXXX";
    ScratchFolder() { EXPECT_NE(mkdtemp(path), nullptr); }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
    std::string Path(const std::string& name) const { return std::string(path) + "/" + name; }
    std::vector<std::string> Files() const { // sorted, hidden ones included
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            names.push_back(entry.path().filename());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

// A whole file's bytes.
inline std::string FileText(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// The words of `lists`, one list after another.
inline std::vector<std::string> Words(std::initializer_list<std::vector<std::string>> lists) {
    std::vector<std::string> words;
    for (const std::vector<std::string>& list : lists) {
        words.insert(words.end(), list.begin(), list.end());
    }
    return words;
}

struct ToolRun {
    int exitCode; // -1 when the tool did not exit by itself
    int signal;
    std::string out, err;
};

// Runs orke-host as a user does, with `environment` ("NAME=VALUE ...") added, in folder `cwd`, to its end or,
// with `terminateAfter` seconds, until SIGTERM then.
inline ToolRun RunTool(const std::vector<std::string>& arguments, const std::string& environment = "",
                       const std::string& cwd = ".", const char* terminateAfter = nullptr) {
    ScratchFolder folder;
    // The shell becomes the tool, so its status is the tool's own; no argument here holds a quote.
    std::string command = terminateAfter ? "(sleep " + std::string(terminateAfter) + "; kill $$) & " : "";
    command += "cd '" + cwd + "' && exec env " + environment + " '" ORKE_HOST_PATH "'";
    for (const std::string& word : arguments) {
        command += " '" + word + "'";
    }
    const int status =
        std::system((command + " </dev/null >" + folder.Path("out") + " 2>" + folder.Path("err")).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0,
            FileText(folder.Path("out")), FileText(folder.Path("err"))};
}

// The run's sanitizer options but for leaks, which are a third-party plug-in's and not orke-host's.
inline std::string WithoutLeakChecks() {
    const char* options = std::getenv("ASAN_OPTIONS");
    return (options != nullptr ? std::string(options) + ":" : "") + "detect_leaks=0";
}

// The environment for running a third-party plug-in: a home of its own, and no leak checks.
inline std::string ForeignPlugin(const ThirdPartyHome& home) {
    return "ASAN_OPTIONS=" + WithoutLeakChecks() + " " + home.EnvironmentWords();
}

// The run failed the way every error of orke-host does: with `exitCode`, nothing on standard output and one
// line on standard error, starting with `start` and holding `message`.
inline void expectOneLineError(const ToolRun& run, int exitCode, const std::string& start,
                               const std::string& message = "") {
    EXPECT_EQ(run.exitCode, exitCode) << run.err;
    EXPECT_EQ(run.signal, 0) << "the host itself must not crash";
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.rfind(start, 0), 0u) << run.err;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
}

// Reproducible noise in `format`: integers reaching both ends of full scale, or floats beyond full scale with
// negative zero and a denormal among them.
inline void writeNoise(const std::string& path, int format, int channels, int rate, int frames) {
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::mt19937 random(static_cast<uint32_t>(format + channels));
    std::vector<int> integers(static_cast<size_t>(frames * channels));
    std::generate(integers.begin(), integers.end(), [&random] { return static_cast<int>(random()); });
    integers[0] = INT32_MIN;
    integers[1] = INT32_MAX;
    std::vector<float> floats(integers.size());
    std::transform(integers.begin(), integers.end(), floats.begin(), [](int i) { return i / 1073741824.0f; });
    floats[1] = -0.0f;
    floats[2] = 1e-40f;
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) {
        sf_write_float(file, floats.data(), static_cast<sf_count_t>(floats.size()));
    } else {
        sf_write_int(file, integers.data(), static_cast<sf_count_t>(integers.size()));
    }
    sf_close(file);
}

// The samples' bits as stored: integers for PCM, the floats' own bit patterns for float files.
struct Sound {
    SF_INFO info{};
    std::vector<int32_t> bits;

    // One channel of a float file, as samples.
    std::vector<float> Channel(size_t channel) const {
        std::vector<float> samples;
        for (size_t i = channel; i < bits.size(); i += static_cast<size_t>(info.channels)) {
            samples.push_back(0.0f);
            std::memcpy(&samples.back(), &bits[i], sizeof(float));
        }
        return samples;
    }
};

inline Sound readSound(const std::string& path) {
    Sound sound;
    if (SNDFILE* file = sf_open(path.c_str(), SFM_READ, &sound.info)) {
        sound.bits.resize(static_cast<size_t>(sound.info.frames * sound.info.channels));
        const auto count = static_cast<sf_count_t>(sound.bits.size());
        if ((sound.info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) {
            sf_read_float(file, reinterpret_cast<float*>(sound.bits.data()), count);
        } else {
            sf_read_int(file, sound.bits.data(), count);
        }
        sf_close(file);
    } else {
        ADD_FAILURE() << path << ": " << sf_strerror(nullptr);
    }
    return sound;
}

// The line of `text` after its first that starts with `start`, or "".
inline std::string lineStarting(const std::string& text, const std::string& start) {
    const size_t at = text.find("\n" + start);
    return at == std::string::npos ? "" : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

inline void expectAll(const std::string& text, std::initializer_list<std::string> fragments) {
    for (const std::string& fragment : fragments) {
        EXPECT_NE(text.find(fragment), std::string::npos) << fragment << "\nin:\n" << text;
    }
}

// A line of `text` after its first starts with `start` and holds `fragment`.
inline void expectLine(const std::string& text, const std::string& start, const std::string& fragment) {
    const std::string line = lineStarting(text, start);
    EXPECT_FALSE(line.empty()) << "no line starts with " << start << "\nin:\n" << text;
    EXPECT_NE(line.find(fragment), std::string::npos) << start << fragment << "\nin:\n" << text;
}

} // namespace orke::host::test
