// What the real-time watch saw inside process calls, as one finding of a check: shared by the checks that
// watch (real-time safety, notes).
#pragma once

#include "CheckContext.h"
#include "RealtimeWatch.h"

#include <cstdint>
#include <string>

namespace orke::host {

// Reports `tally`, seen in `processCalls` process calls, as a problem that fails from kRealtimeFailsFrom:
// each kind counted, the first named with its caller and its process call, then `during` (", while ...").
// False when the tally holds nothing.
bool ReportRealtimeActs(CheckContext& context, const RealtimeTally& tally, int64_t processCalls,
                        const std::string& during);

} // namespace orke::host
