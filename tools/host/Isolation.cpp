#include "Isolation.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

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
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
        const ssize_t written = write(m_descriptor, data, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
}

std::string SignalName(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    case SIGKILL:
        return "SIGKILL";
    case SIGTERM:
        return "SIGTERM";
    default:
        return "signal " + std::to_string(signal);
    }
}

IsolatedRun RunIsolated(const std::function<void(LineWriter&)>& work, std::chrono::milliseconds timeout,
                        bool isolated) {
    IsolatedRun run;
    if (!isolated) {
        LineWriter writer(-1);
        work(writer);
        run.lines = writer.Kept();
        return run;
    }
    int channel[2];
    if (pipe(channel) != 0) {
        run.end = IsolatedRun::End::Failed;
        run.lines.push_back(std::string("fail cannot make a pipe: ") + std::strerror(errno));
        return run;
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        close(channel[0]);
        close(channel[1]);
        run.end = IsolatedRun::End::Failed;
        run.lines.push_back(std::string("fail cannot start a child process: ") + std::strerror(errno));
        return run;
    }
    if (child == 0) {
        close(channel[0]);
        // A fault ends the child by its signal, so the parent can name it, even where a sanitizer has put its
        // own handler in place (its reports remain on standard error for an in-process run).
        for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
            signal(fault, SIG_DFL);
        }
        LineWriter writer(channel[1]);
        int status = 0;
        try {
            work(writer);
        } catch (...) {
            writer.Line("fail the host's check threw an exception");
            status = 1;
        }
        close(channel[1]);
        _exit(status); // no exit handlers: they belong to the parent
    }
    close(channel[1]);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string pending;
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd readable{channel[0], POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0) {
            timedOut = true;
            break;
        }
        char buffer[4096];
        const ssize_t got = read(channel[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        pending.append(buffer, static_cast<size_t>(got));
        size_t newline;
        while ((newline = pending.find('\n')) != std::string::npos) {
            run.lines.push_back(pending.substr(0, newline));
            pending.erase(0, newline + 1);
        }
    }
    close(channel[0]);
    if (timedOut) {
        kill(child, SIGKILL);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
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
