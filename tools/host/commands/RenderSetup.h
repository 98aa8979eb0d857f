// The second step of `process`: the plug-in loaded and found fit for the plan (its channels, its process
// entry, the program and parameters asked for), prepared and set up, OUT opened for writing, and the latency
// measured when asked.
#pragma once

#include "CrashReport.h"
#include "FaultHandlers.h"
#include "HostedPlugin.h"
#include "RenderPlan.h"

#include <memory>
#include <ostream>

namespace orke::host {

struct RenderSession {
    // A crash or a request to end removes OUT's temporary file first; a crash inside the plug-in, or the
    // plug-in ending the process, is then reported as its own. Both outlive the plug-in, whose close may
    // do either.
    std::unique_ptr<FaultActionScope> removeOutput;
    std::unique_ptr<CrashReport> crash;
    std::unique_ptr<HostedPlugin> plugin;
    int32_t inputChannels = 0;     // IN's
    int32_t sidechainChannels = 0; // the sidechain's, after IN's
    int32_t kept = 0;              // the outputs OUT gets
    std::unique_ptr<OutputFile> output;
};

// Sets up the render the plan describes; notes go to `err`, the latency report to `out`. kExitSuccess, or the
// exit status with a one-line reason in `error`.
int SetUpRender(const RenderPlan& plan, RenderSession& session, std::ostream& out, std::ostream& err,
                std::string& error);

// "orke-host process: note: ...", a remark on standard error that does not stop the render.
void RenderNote(std::ostream& err, const std::string& message);
// "orke-host process: warning: ...", something amiss in what the render reads or makes; the render goes on.
void RenderWarning(std::ostream& err, const std::string& message);

} // namespace orke::host
