// Runs orke-host as a user does, capturing what it prints and how it ends.
#pragma once

#include <string>
#include <vector>

struct ToolRun {
    int exitCode = -1; // -1 when the tool did not exit by itself (a signal)
    int signal = 0;
    std::string out;
    std::string err;
};

// Runs the tool to its end, or, with `terminateAfter` milliseconds, sends it SIGTERM after that long.
ToolRun RunTool(const std::vector<std::string>& arguments, int terminateAfter = 0);

// A fresh folder for one test's files, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Path(const std::string& name) const { return m_path + "/" + name; }
    // The names of the files in the folder, hidden ones included.
    std::vector<std::string> Files() const;

private:
    std::string m_path;
};
