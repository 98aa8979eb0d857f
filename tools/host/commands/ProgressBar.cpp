// Drawing and clearing the render's progress bar.
#include "ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <string>

namespace orke::host {

ProgressBar::ProgressBar(int64_t total, double sampleRate)
    : m_total(total)
    , m_sampleRate(sampleRate)
    , m_enabled(total > 0 && isatty(STDERR_FILENO) != 0)
    , m_start(Clock::now())
    , m_lastDrawn(m_start) {}

void ProgressBar::Update(int64_t done) {
    if (!m_enabled) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now - m_start < kShowAfter || (m_shown && now - m_lastDrawn < kRedrawEvery)) {
        return;
    }
    m_shown = true;
    m_lastDrawn = now;
    constexpr int kWidth = 40;
    const double fraction = std::clamp(static_cast<double>(done) / static_cast<double>(m_total), 0.0, 1.0);
    const int filled = static_cast<int>(fraction * kWidth);
    const std::string bar = std::string(static_cast<size_t>(filled), '#') + std::string(kWidth - filled, '.');
    std::fprintf(stderr, "\rrendering [%s] %3d%%  %.1f s of %.1f s\033[K", bar.c_str(),
                 static_cast<int>(fraction * 100), static_cast<double>(done) / m_sampleRate,
                 static_cast<double>(m_total) / m_sampleRate);
    std::fflush(stderr);
}

void ProgressBar::Finish() {
    if (m_shown) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        m_shown = false;
    }
}

} // namespace orke::host
