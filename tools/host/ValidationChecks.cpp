#include "ValidationChecks.h"

namespace orke::host {

std::vector<ValidationCheck> ValidationChecks() {
    std::vector<ValidationCheck> checks = {
        {"load", CheckLoad},
        {"open cold", CheckOpenCold},
        {"open warm", CheckOpenWarm},
        {"open/close cycles", CheckOpenCloseCycles},
        {"identity", CheckIdentity},
        {"programs", CheckPrograms},
        {"parameters", CheckParameters},
        {"parameter text", CheckParameterText},
        {"requests, null pointers", CheckRequestsWithNullPointers, true},
        {"requests, sized buffers", CheckRequestsWithBuffers, true},
    };
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        checks.push_back({"processing at " + std::to_string(static_cast<int>(rate)) + " Hz",
                          [rate](CheckContext& context) {
                              CheckProcessingAt(context, rate);
                          }});
    }
    checks.push_back({"in-place processing", CheckInPlaceProcessing});
    checks.push_back({"sub-blocks with parameter changes", CheckSubBlocks});
    checks.push_back({"parameter fuzz", CheckParameterFuzz});
    checks.push_back({"calls from a second thread", CheckSecondThread});
    checks.push_back({"suspend/resume", CheckSuspendResume});
    checks.push_back({"sample-rate changes", CheckSampleRateChanges});
    return checks;
}

} // namespace orke::host
