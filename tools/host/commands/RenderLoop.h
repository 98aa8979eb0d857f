// The last step of `process`: the plug-in resumed, and block after block the inputs filled, the events and
// the transport handed over, the block processed and written to OUT, until the render's length; then OUT put
// in place.
#pragma once

#include "RenderSetup.h"

#include <ostream>

namespace orke::host {

// Renders the plan through the set-up plug-in; OUT's summary goes to `out`. kExitSuccess, or the exit status
// with a one-line reason in `error`.
int RunRenderLoop(RenderPlan& plan, RenderSession& session, std::ostream& out, std::ostream& err,
                  std::string& error);

} // namespace orke::host
