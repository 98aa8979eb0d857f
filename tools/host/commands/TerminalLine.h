// One line on standard error that shows how long work is going (a render's progress bar, the validator's
// status line). It shows only when standard error is a terminal and the work has taken a moment, is redrawn
// in place, and is cleared before anything else is printed, so logs and short runs stay clean.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace orke::host {

class TerminalLine {
public:
    using Clock = std::chrono::steady_clock;

    // The line appears once an item has run for `showAfter`, and is redrawn at most every `redrawEvery`.
    TerminalLine(Clock::duration showAfter, Clock::duration redrawEvery);
    ~TerminalLine() { Clear(); }

    TerminalLine(const TerminalLine&) = delete;
    TerminalLine& operator=(const TerminalLine&) = delete;

    // A new item, timed from now.
    void Restart();
    // The item's time so far.
    double Seconds() const;
    // Draws the text `make` gives, when the line is due; `make` is called only then.
    template <typename Make>
    void Update(Make&& make) {
        if (Due()) {
            Draw(make());
        }
    }
    void Clear();

private:
    bool Due();
    void Draw(const std::string& text);

    bool m_enabled;
    Clock::duration m_showAfter;
    Clock::duration m_redrawEvery;
    bool m_shown = false;
    Clock::time_point m_start;
    Clock::time_point m_lastDrawn;
};

// A render's progress: "rendering [####......]  40%  2.0 s of 5.0 s" while `total` frames (0 when the length
// is not known, which shows none) are rendered.
class ProgressBar {
public:
    ProgressBar(int64_t total, double sampleRate);

    void Update(int64_t done);
    void Finish() { m_line.Clear(); }

private:
    TerminalLine m_line;
    int64_t m_total;
    double m_sampleRate;
};

// The item that runs now in a long job, and for how long so far: "[3/20] parameter-fuzz  2.4 s".
class StatusLine {
public:
    StatusLine();

    void Start(const std::string& what, size_t number, size_t count);
    // Redraws the line with the time so far; called about five times a second.
    void Tick();
    void Clear() { m_line.Clear(); }

private:
    TerminalLine m_line;
    std::string m_what;
};

} // namespace orke::host
