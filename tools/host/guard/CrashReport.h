// A plug-in that crashes while orke-host renders through it: orke-host says so in one line, with the signal
// and the frame the render had reached, and exits with status 1 (the output it was writing is removed by the
// pending file's own clean-up, which runs first).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orke::host {

class FaultActionScope;

class CrashReport {
public:
    // From now until destruction, a fault (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) inside a call into the
    // plug-in, as the call trace of this thread (traced in slot 0) tells, or on a thread of the plug-in's
    // own, is reported as `plugin`'s crash; `output` is named as not written. So is the plug-in ending the
    // process itself (exit, _exit), which would otherwise end the render with the plug-in's status.
    CrashReport(const std::string& plugin, const std::string& output);
    ~CrashReport();

    CrashReport(const CrashReport&) = delete;
    CrashReport& operator=(const CrashReport&) = delete;

    // The first frame of the block being rendered, for the report.
    void SetFrame(int64_t frame);

private:
    std::unique_ptr<FaultActionScope> m_action;
};

} // namespace orke::host
