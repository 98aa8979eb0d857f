// A status line on standard error while a long job runs: what runs now and for how long so far. It shows only
// when standard error is a terminal and the current item has taken a moment, and is cleared before anything
// else is printed, so logs and short runs stay clean.
#pragma once

#include <chrono>
#include <string>

namespace orke::host {

class StatusLine {
public:
    StatusLine();
    ~StatusLine() { Clear(); }

    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    // A new item: "[number/count] what", timed from now.
    void Start(const std::string& what, size_t number, size_t count);
    // Redraws the line with the time so far.
    void Tick();
    void Clear();

private:
    bool m_enabled;
    bool m_shown = false;
    std::string m_what;
    std::chrono::steady_clock::time_point m_start;
};

} // namespace orke::host
