// Runs a piece of work in a child process, so that a plug-in that crashes or hangs takes only the child with
// it and the host lives on to report it. The work reports in lines, which reach the parent as they are
// written: everything said before a crash survives it. What the child prints on its standard output and
// error (a plug-in's chatter, a sanitizer's report) is collected apart.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace orke::host {

class LineWriter {
public:
    explicit LineWriter(int descriptor)
        : m_descriptor(descriptor) {}
    // Sends one line (without its newline) to the parent, or keeps it when there is no parent.
    void Line(const std::string& text);
    // The descriptor the lines go to, for a child that runs another program to write them; -1 for none.
    int Descriptor() const { return m_descriptor; }
    const std::vector<std::string>& Kept() const { return m_kept; }

private:
    int m_descriptor; // -1: no child process, the lines are kept here
    std::vector<std::string> m_kept;
};

struct IsolatedRun {
    enum class End { Completed, Crashed, TimedOut, Failed };
    End end = End::Completed;
    int signal = 0;     // for Crashed
    int exitStatus = 0; // for Failed
    std::vector<std::string> lines;
    // The child's standard output and error, line by line: the first kKeptOutputLines, and how many more.
    std::vector<std::string> output;
    int64_t outputLeftOut = 0;
};

inline constexpr size_t kKeptOutputLines = 100;

// Runs `work` in a forked child and waits at most `timeout` for it; the work's result is the child's exit
// status (0 for Completed, anything else Failed). `tick`, when given, is called about five times a second
// while the parent waits. With `isolated` false the work runs in this process instead (for debuggers and
// sanitizers), its output is not collected, and a crash is the host's own.
IsolatedRun RunIsolated(const std::function<int(LineWriter&)>& work, std::chrono::milliseconds timeout,
                        bool isolated = true, const std::function<void()>& tick = {});

// "SIGSEGV" and the like.
std::string SignalName(int signal);

} // namespace orke::host
