// Work in a child process: the fork, the lines it reports through a pipe, and its end, whatever it was.
#include "Isolation.h"

#include "FaultHandlers.h"
#include "SignalSafe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>

namespace orke::host {

void LineWriter::Line(const std::string& text) {
    if (m_descriptor < 0) {
        m_kept.push_back(text);
        return;
    }
    std::string line = text;
    for (char& c : line) {
        if (c == '\n') {
            c = ' ';
        }
    }
    line += '\n';
    WriteAll(m_descriptor, line.data(), line.size());
}

std::string SignalName(int signal) {
    const char* known = KnownSignalName(signal);
    return known != nullptr ? known : "signal " + std::to_string(signal);
}

namespace {

// Collects a child's standard output and error as lines, keeping the first few.
class OutputLines {
public:
    explicit OutputLines(IsolatedRun& run)
        : m_run(run) {}
    void Add(const char* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            if (data[i] == '\n') {
                Finish();
            } else if (m_pending.size() < kLongestLine) {
                m_pending += data[i];
            }
        }
    }
    void Finish() {
        if (m_run.output.size() < kKeptOutputLines) {
            m_run.output.push_back(m_pending);
        } else {
            ++m_run.outputLeftOut;
        }
        m_pending.clear();
    }
    bool Pending() const { return !m_pending.empty(); }

private:
    static constexpr size_t kLongestLine = 400;
    IsolatedRun& m_run;
    std::string m_pending;
};

// Reads what `descriptor` holds now; false at its end or on an error.
bool readSome(int descriptor, std::string& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got < 0 && errno == EAGAIN;
        }
        into.append(buffer, static_cast<size_t>(got));
        if (static_cast<size_t>(got) < sizeof buffer) {
            return true;
        }
    }
}

IsolatedRun inThisProcess(const std::function<int(LineWriter&)>& work) {
    IsolatedRun run;
    LineWriter writer(-1);
    const int status = work(writer);
    run.lines = writer.Kept();
    if (status != 0) {
        run.end = IsolatedRun::End::Failed;
        run.exitStatus = status;
    }
    return run;
}

IsolatedRun cannotStart(const char* what) {
    IsolatedRun run;
    run.end = IsolatedRun::End::Failed;
    run.lines.push_back(std::string("fail cannot ") + what + ": " + std::strerror(errno));
    return run;
}

// The child's side: its output into the output pipe, the work's lines into the report pipe, and its end by
// _exit, so that the parent's exit handlers do not run in it.
[[noreturn]] void runChild(const std::function<int(LineWriter&)>& work, const int (&report)[2],
                           const int (&output)[2]) {
    close(report[0]);
    close(output[0]);
    dup2(output[1], STDOUT_FILENO);
    dup2(output[1], STDERR_FILENO);
    close(output[1]);
    // What is printed reaches the parent at once, in order with standard error, and a crash loses none of it.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // A fault ends the child by its signal, so the parent can name it, even where a sanitizer has put its own
    // handler in place (its reports remain on standard error for an in-process run).
    UseDefaultFaultHandling();
    LineWriter writer(report[1]);
    int status = 0;
    try {
        status = work(writer);
    } catch (const std::exception& exception) {
        writer.Line(std::string("fail the host's check threw an exception: ") + exception.what());
        status = 1;
    } catch (...) {
        writer.Line("fail the host's check threw an exception");
        status = 1;
    }
    std::cout.flush();
    std::fflush(nullptr);
    close(report[1]);
    _exit(status);
}

// The parent's side: reads both pipes as the child writes them until the child ends or its time is up (a
// thread or process the plug-in started may hold the pipes open after it); answers its wait status.
int waitForChild(pid_t child, int report, int output, std::chrono::milliseconds timeout,
                 const std::function<void()>& tick, IsolatedRun& run, bool& timedOut) {
    fcntl(report, F_SETFL, fcntl(report, F_GETFL) | O_NONBLOCK);
    fcntl(output, F_SETFL, fcntl(output, F_GETFL) | O_NONBLOCK);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string pending;
    std::string printed;
    OutputLines outputLines(run);
    auto takeLines = [&] {
        size_t newline;
        while ((newline = pending.find('\n')) != std::string::npos) {
            run.lines.push_back(pending.substr(0, newline));
            pending.erase(0, newline + 1);
        }
        outputLines.Add(printed.data(), printed.size());
        printed.clear();
    };
    bool reportOpen = true;
    bool outputOpen = true;
    int status = 0;
    timedOut = false;
    while (waitpid(child, &status, WNOHANG) != child) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        pollfd readable[2] = {{reportOpen ? report : -1, POLLIN, 0}, {outputOpen ? output : -1, POLLIN, 0}};
        if (poll(readable, 2, static_cast<int>(std::min<int64_t>(left.count(), 200))) > 0) {
            if (readable[0].revents != 0) {
                reportOpen = readSome(report, pending);
            }
            if (readable[1].revents != 0) {
                outputOpen = readSome(output, printed);
            }
            takeLines();
        }
        if (tick) {
            tick();
        }
    }
    // What the child wrote before it ended.
    readSome(report, pending);
    readSome(output, printed);
    takeLines();
    if (outputLines.Pending()) {
        outputLines.Finish();
    }
    return status;
}

} // namespace

IsolatedRun RunIsolated(const std::function<int(LineWriter&)>& work, std::chrono::milliseconds timeout,
                        bool isolated, const std::function<void()>& tick) {
    if (!isolated) {
        return inThisProcess(work);
    }
    int report[2];
    int output[2];
    if (pipe(report) != 0) {
        return cannotStart("make a pipe");
    }
    if (pipe(output) != 0) {
        close(report[0]);
        close(report[1]);
        return cannotStart("make a pipe");
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        const IsolatedRun failed = cannotStart("start a child process");
        for (int descriptor : {report[0], report[1], output[0], output[1]}) {
            close(descriptor);
        }
        return failed;
    }
    if (child == 0) {
        runChild(work, report, output);
    }
    close(report[1]);
    close(output[1]);
    IsolatedRun run;
    bool timedOut = false;
    const int status = waitForChild(child, report[0], output[0], timeout, tick, run, timedOut);
    close(report[0]);
    close(output[0]);
    if (timedOut) {
        run.end = IsolatedRun::End::TimedOut;
    } else if (WIFSIGNALED(status)) {
        run.end = IsolatedRun::End::Crashed;
        run.signal = WTERMSIG(status);
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        run.end = IsolatedRun::End::Failed;
        run.exitStatus = WEXITSTATUS(status);
    }
    return run;
}

} // namespace orke::host
