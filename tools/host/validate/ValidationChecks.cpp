// The battery's table: every check's name, level and what it does.
#include "ValidationChecks.h"

namespace orke::host {
namespace {

const std::string kProcessed = "nothing written outside the block or into the inputs, every output sample "
                               "written, no NaN or infinity; denormals warn";

// Loading, opening, and what the plug-in says about itself.
std::vector<ValidationCheck> describingChecks() {
    return {
        {"load", 1, "loads the module and makes an effect through its entry; fails when it cannot",
         CheckLoad},
        {"open-cold", 2, "makes, opens and closes one instance, timed", CheckOpenCold},
        {"open-warm", 2,
         "two more instances of the loaded module describe themselves alike and process side by side",
         CheckOpenWarm},
        {"open-close-cycles", 4, "25 rounds of open, resume, process, suspend and close",
         CheckOpenCloseCycles},
        {"identity", 1,
         "names, version, category, channels, flags and entries: impossible answers fail, odd ones warn",
         CheckIdentity},
        {"programs", 2,
         "reads, switches and renames programs: a switch that reports another program fails from level 7; "
         "from level 9, a program outside its count must be refused",
         CheckPrograms},
        {"parameters", 2,
         "names, labels, display texts, values within 0..1; a text longer than its field warns below level 8",
         CheckParameters},
        {"parameter-text", 3,
         "each parameter set from its own display text shows that text again; one that does not fails from "
         "level 7",
         CheckParameterText},
        {"requests-sized-buffers", 3,
         "every request with harmless arguments and buffers of a sensible size; from level 7 also those its "
         "flags and can-dos do not claim (editor, chunks, events, bypass, offline, ...) and numbers beyond "
         "VST 2.4",
         CheckRequestsWithBuffers, true},
    };
}

// Processing, at three rates and in the ways hosts lay out buffers and split blocks.
std::vector<ValidationCheck> processingChecks() {
    std::vector<ValidationCheck> checks;
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        checks.push_back({"processing-at-" + std::to_string(static_cast<int>(rate)) + "-hz",
                          rate == 44100.0 ? 1 : 3, "blocks of 0 to 1024 frames: " + kProcessed,
                          [rate](CheckContext& context) {
                              CheckProcessingAt(context, rate);
                          }});
    }
    const std::vector<ValidationCheck> layouts = {
        {"in-place-processing", 3, "the outputs in the input buffers: " + kProcessed, CheckInPlaceProcessing},
        {"buffer-layouts", 3,
         "the same blocks with separate buffers, in place and with outputs in other channels' input buffers "
         "come out bit for bit the same; a plug-in that differs between two runs is only noted",
         CheckBufferLayouts},
        {"channel-setups", 4,
         "the channels as declared: a null input array and null channel pointers without inputs, pointer "
         "arrays no longer than declared; writing into channels it does not declare fails",
         CheckChannelSetups, true},
        {"sub-blocks-with-parameter-changes", 4,
         "blocks split as sample-accurate automation splits them, a parameter change between the pieces",
         CheckSubBlocks},
    };
    checks.insert(checks.end(), layouts.begin(), layouts.end());
    return checks;
}

// What a real host does over time, and then what a careless or hostile one does.
std::vector<ValidationCheck> drivingChecks() {
    return {
        {"notes", kDefaultLevel,
         "a plug-in that takes MIDI is played notes over the keys and velocities, overlapping, stacked, "
         "ended by all notes off and all sound off, and a burst of 1000 events: NaN fails, allocating or "
         "locking fails from level 6, no sound or no silence again within 6 s warns",
         CheckNotes},
        {"latency", 4,
         "an impulse through a plug-in that declares an initial delay, or is expected to pass its input "
         "through: one that comes out elsewhere than declared warns",
         CheckLatency},
        {"parameter-fuzz", 5, "3000 random parameter values, with processing between them",
         CheckParameterFuzz},
        {"calls-from-a-second-thread", 5,
         "parameter and program calls from a second thread during processing", CheckSecondThread},
        {"real-time-safety", 5,
         "memory allocated or released, blocking locks, sleeping, memory mapped or unmapped and files "
         "opened, read or written inside process calls: a warning below level 6, a failure from it",
         CheckRealtimeSafety},
        {"suspend-resume", 4, "20 rounds of resume, process and suspend", CheckSuspendResume},
        {"sample-rate-changes", 4, "44100, 96000, 22050, 48000, 192000, 8000 and 44100 Hz in turn",
         CheckSampleRateChanges},
        {"requests-out-of-sequence", 7,
         "processing before resume and while suspended, resume and suspend twice, rate and block size "
         "changed while resumed, close while resumed",
         CheckRequestsOutOfSequence, true},
        {"absurd-block-sizes", 8,
         "a maximum block size of 1 and of 65536, and blocks longer than the announced maximum",
         CheckAbsurdBlockSizes, true},
        {"requests-null-pointers", kHostileArgumentsFrom,
         "every request from 0 to 90 with null pointers for its texts and data",
         CheckRequestsWithNullPointers, true},
    };
}

} // namespace

std::vector<ValidationCheck> ValidationChecks() {
    std::vector<ValidationCheck> checks = describingChecks();
    for (const auto& more : {processingChecks(), drivingChecks()}) {
        checks.insert(checks.end(), more.begin(), more.end());
    }
    return checks;
}

} // namespace orke::host
