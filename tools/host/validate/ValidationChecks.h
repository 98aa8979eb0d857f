// The validator's battery: each check runs on its own fresh instances, in its own child process.
#pragma once

#include "CheckContext.h"

#include <functional>
#include <vector>

namespace orke::host {

// Faults that harm no host's audio (a display text that sets another value, the program number reported
// after a switch) warn below this level and fail from it.
inline constexpr int kMinorFaultsFailFrom = 7;

struct ValidationCheck {
    std::string name;
    int level;         // the lowest strictness level at which it runs
    std::string about; // what it does, and what fails or warns, for the list of checks
    std::function<void(CheckContext&)> run;
    // A check whose numbered steps can each crash the plug-in: after a crash it runs again from the next
    // step.
    bool resumable = false;
};

// In the order they run; the first ("load") decides whether the others can run at all.
std::vector<ValidationCheck> ValidationChecks();

// Lifecycle.
void CheckLoad(CheckContext& context);
void CheckOpenCold(CheckContext& context);
void CheckOpenWarm(CheckContext& context);
void CheckOpenCloseCycles(CheckContext& context);
void CheckSuspendResume(CheckContext& context);
void CheckSampleRateChanges(CheckContext& context);

// What the plug-in says about itself.
void CheckIdentity(CheckContext& context);
void CheckPrograms(CheckContext& context);
void CheckParameters(CheckContext& context);
void CheckParameterText(CheckContext& context);

// Every request with harmless arguments, and with null pointers.
void CheckRequestsWithNullPointers(CheckContext& context);
void CheckRequestsWithBuffers(CheckContext& context);

// Processing.
void CheckProcessingAt(CheckContext& context, double sampleRate);
void CheckInPlaceProcessing(CheckContext& context);
void CheckSubBlocks(CheckContext& context);
void CheckLatency(CheckContext& context);
void CheckParameterFuzz(CheckContext& context);
void CheckSecondThread(CheckContext& context);
void CheckRealtimeSafety(CheckContext& context);
void CheckBufferLayouts(CheckContext& context);
void CheckChannelSetups(CheckContext& context);
void CheckNotes(CheckContext& context);

// What a careless or hostile host does.
void CheckRequestsOutOfSequence(CheckContext& context);
void CheckAbsurdBlockSizes(CheckContext& context);

} // namespace orke::host
