// Runs a piece of work in a child process, so that a plug-in that crashes or hangs takes only the child with
// it and the host lives on to report it. The work reports in lines, which reach the parent as they are
// written: everything said before a crash survives it.
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
};

// Runs `work` in a forked child and waits at most `timeout` for it. With `isolated` false it runs in this
// process instead (for debuggers and sanitizers), and a crash is the host's own.
IsolatedRun RunIsolated(const std::function<void(LineWriter&)>& work, std::chrono::milliseconds timeout,
                        bool isolated = true);

// "SIGSEGV" and the like.
std::string SignalName(int signal);

} // namespace orke::host
