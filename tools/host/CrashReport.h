// A plug-in that crashes while orke-host renders through it: orke-host says so in one line, with the signal
// and the frame the render had reached, removes the output it was writing and exits with status 1.
#pragma once

#include <cstdint>
#include <string>

namespace orke::host {

class CrashReport {
public:
    // From now until destruction, a fault (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) inside a plug-in call or
    // on a thread of the plug-in's own is reported as `plugin`'s crash; `output` is named as not written.
    CrashReport(const std::string& plugin, const std::string& output);
    ~CrashReport();

    CrashReport(const CrashReport&) = delete;
    CrashReport& operator=(const CrashReport&) = delete;

    // The first frame of the block being rendered, for the report.
    void SetFrame(int64_t frame);

    // Brackets a call into the plug-in on the rendering thread: a fault between them is the plug-in's.
    void EnterPlugin();
    void LeavePlugin();
};

} // namespace orke::host
