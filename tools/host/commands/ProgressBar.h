// A progress bar on standard error for long renders. It shows only when standard error is a terminal and the
// render has already taken a while, so short runs and logs stay clean.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace orke::host {

class ProgressBar {
public:
    // `total` frames are to be rendered; 0 when the length is not known, which shows no bar.
    ProgressBar(int64_t total, double sampleRate);
    ~ProgressBar() { Finish(); }

    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(int64_t done);
    // Clears the bar's line.
    void Finish();

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kShowAfter{500};
    static constexpr std::chrono::milliseconds kRedrawEvery{100};

    int64_t m_total;
    double m_sampleRate;
    bool m_enabled;
    bool m_shown = false;
    Clock::time_point m_start;
    Clock::time_point m_lastDrawn;
};

} // namespace orke::host
