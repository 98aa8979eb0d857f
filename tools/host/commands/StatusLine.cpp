// Drawing and clearing the status line.
#include "StatusLine.h"

#include <unistd.h>

#include <cstdio>

namespace orke::host {

StatusLine::StatusLine()
    : m_enabled(isatty(STDERR_FILENO) != 0) {}

void StatusLine::Start(const std::string& what, size_t number, size_t count) {
    m_what = "[" + std::to_string(number) + "/" + std::to_string(count) + "] " + what;
    m_start = std::chrono::steady_clock::now();
}

void StatusLine::Tick() {
    if (!m_enabled) {
        return;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    if (seconds < 0.3) {
        return;
    }
    std::fprintf(stderr, "\r%s  %.1f s\033[K", m_what.c_str(), seconds);
    std::fflush(stderr);
    m_shown = true;
}

void StatusLine::Clear() {
    if (m_shown) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        m_shown = false;
    }
}

} // namespace orke::host
