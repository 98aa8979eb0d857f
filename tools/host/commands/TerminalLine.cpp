// Drawing and clearing the terminal line, and the progress bar's and the status line's texts on it.
#include "TerminalLine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace orke::host {

using namespace std::chrono_literals;

TerminalLine::TerminalLine(Clock::duration showAfter, Clock::duration redrawEvery)
    : m_enabled(isatty(STDERR_FILENO) != 0)
    , m_showAfter(showAfter)
    , m_redrawEvery(redrawEvery)
    , m_start(Clock::now())
    , m_lastDrawn(m_start) {}

void TerminalLine::Restart() {
    m_start = Clock::now();
}

double TerminalLine::Seconds() const {
    return std::chrono::duration<double>(Clock::now() - m_start).count();
}

bool TerminalLine::Due() {
    if (!m_enabled) {
        return false;
    }
    const Clock::time_point now = Clock::now();
    if (now - m_start < m_showAfter || (m_shown && now - m_lastDrawn < m_redrawEvery)) {
        return false;
    }
    m_lastDrawn = now;
    return true;
}

void TerminalLine::Draw(const std::string& text) {
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
    m_shown = true;
}

void TerminalLine::Clear() {
    if (m_shown) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        m_shown = false;
    }
}

ProgressBar::ProgressBar(int64_t total, double sampleRate)
    : m_line(500ms, 100ms)
    , m_total(total)
    , m_sampleRate(sampleRate) {}

void ProgressBar::Update(int64_t done) {
    if (m_total <= 0) {
        return;
    }
    m_line.Update([&] {
        constexpr int kWidth = 40;
        const double fraction =
            std::clamp(static_cast<double>(done) / static_cast<double>(m_total), 0.0, 1.0);
        const int filled = static_cast<int>(fraction * kWidth);
        char text[160];
        std::snprintf(text, sizeof text, "rendering [%s%s] %3d%%  %.1f s of %.1f s",
                      std::string(static_cast<size_t>(filled), '#').c_str(),
                      std::string(static_cast<size_t>(kWidth - filled), '.').c_str(),
                      static_cast<int>(fraction * 100), static_cast<double>(done) / m_sampleRate,
                      static_cast<double>(m_total) / m_sampleRate);
        return std::string(text);
    });
}

StatusLine::StatusLine()
    : m_line(300ms, 0ms) {}

void StatusLine::Start(const std::string& what, size_t number, size_t count) {
    m_what = "[" + std::to_string(number) + "/" + std::to_string(count) + "] " + what;
    m_line.Restart();
}

void StatusLine::Tick() {
    m_line.Update([&] {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "  %.1f s", m_line.Seconds());
        return m_what + seconds;
    });
}

} // namespace orke::host
