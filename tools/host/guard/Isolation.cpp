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

} // namespace

IsolatedRun RunIsolated(const std::function<int(LineWriter&)>& work, std::chrono::milliseconds timeout,
                        bool isolated, const std::function<void()>& tick) {
    IsolatedRun run;
    if (!isolated) {
        LineWriter writer(-1);
        const int status = work(writer);
        run.lines = writer.Kept();
        if (status != 0) {
            run.end = IsolatedRun::End::Failed;
            run.exitStatus = status;
        }
        return run;
    }
    int channel[2];
    int output[2];
    if (pipe(channel) != 0) {
        run.end = IsolatedRun::End::Failed;
        run.lines.push_back(std::string("fail cannot make a pipe: ") + std::strerror(errno));
        return run;
    }
    if (pipe(output) != 0) {
        close(channel[0]);
        close(channel[1]);
        run.end = IsolatedRun::End::Failed;
        run.lines.push_back(std::string("fail cannot make a pipe: ") + std::strerror(errno));
        return run;
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        for (int descriptor : {channel[0], channel[1], output[0], output[1]}) {
            close(descriptor);
        }
        run.end = IsolatedRun::End::Failed;
        run.lines.push_back(std::string("fail cannot start a child process: ") + std::strerror(errno));
        return run;
    }
    if (child == 0) {
        close(channel[0]);
        close(output[0]);
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        close(output[1]);
        // What is printed reaches the parent at once, in order with standard error, and a crash loses none
        // of it.
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        // A fault ends the child by its signal, so the parent can name it, even where a sanitizer has put its
        // own handler in place (its reports remain on standard error for an in-process run).
        UseDefaultFaultHandling();
        LineWriter writer(channel[1]);
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
        close(channel[1]);
        _exit(status); // no exit handlers: they belong to the parent
    }
    close(channel[1]);
    close(output[1]);
    fcntl(channel[0], F_SETFL, fcntl(channel[0], F_GETFL) | O_NONBLOCK);
    fcntl(output[0], F_SETFL, fcntl(output[0], F_GETFL) | O_NONBLOCK);

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
    bool timedOut = false;
    bool reportOpen = true;
    bool outputOpen = true;
    int status = 0;
    // Until the child ends: a thread or process the plug-in started may hold the pipes open after it.
    for (;;) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) {
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        pollfd readable[2] = {{reportOpen ? channel[0] : -1, POLLIN, 0},
                              {outputOpen ? output[0] : -1, POLLIN, 0}};
        const int wait = static_cast<int>(std::min<int64_t>(left.count(), 200));
        if (poll(readable, 2, wait) > 0) {
            if (readable[0].revents != 0) {
                reportOpen = readSome(channel[0], pending);
            }
            if (readable[1].revents != 0) {
                outputOpen = readSome(output[0], printed);
            }
            takeLines();
        }
        if (tick) {
            tick();
        }
    }
    // What the child wrote before it ended.
    readSome(channel[0], pending);
    readSome(output[0], printed);
    takeLines();
    if (outputLines.Pending()) {
        outputLines.Finish();
    }
    close(channel[0]);
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
