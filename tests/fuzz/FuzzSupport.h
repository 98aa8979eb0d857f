// What the fuzzers share: failing on a broken promise, running orke-host's commands in this process, and a
// scratch folder.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

// An abort is what libFuzzer reports, with the input that caused it.
inline void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A reason for a refusal is one line, without its newline.
inline void checkReason(const std::string& error) {
    check(!error.empty() && error.find('\n') == std::string::npos);
}

struct CommandRun {
    int status;
    std::string out, err;
};

// Runs one of orke-host's commands as main() does, with its output kept here. Every command exits with 0, 1
// or 2, and a failure says why on its last line.
inline CommandRun RunCommand(int (*command)(int, char**, std::ostream&, std::ostream&),
                             std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    std::ostringstream out, err;
    const int status = command(static_cast<int>(words.size()), argv.data(), out, err);
    check(status >= 0 && status <= 2);
    check(status == 0 || (err.str().size() > 1 && err.str().back() == '\n'));
    return {status, out.str(), err.str()};
}

// A new folder under TMPDIR (or /tmp) named after `prefix`, removed with all it holds when the run ends.
inline std::string MakeScratchFolder(const char* prefix) {
    static std::string folder;
    const char* base = std::getenv("TMPDIR");
    folder = std::string(base != nullptr ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    check(mkdtemp(folder.data()) != nullptr);
    std::atexit([] { std::filesystem::remove_all(folder); });
    return folder;
}
