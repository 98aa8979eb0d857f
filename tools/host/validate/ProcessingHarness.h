// Runs blocks of the test signal through an effect and checks each: nothing written outside the buffers, the
// inputs left alone, every output sample written, nothing read outside the block, no NaN, infinity or absurd
// peak, denormals counted, and with a pass-through expected every output bit equal to its input.
#pragma once

#include "CheckContext.h"
#include "Effect.h"
#include "TestSignal.h"

#include <set>
#include <string>

namespace orke::host {

// A sample beyond this (120 dB above full scale) from a test signal within 1.5 is no effect's doing but a
// fault.
inline constexpr float kAbsurdPeak = 1e6f;

class ProcessingHarness {
public:
    ProcessingHarness(CheckContext& context, Effect& effect, int32_t maxFrames = kValidationMaxBlock);

    // Processes one block of `frames` frames (0 to the maximum) with separate or in-place buffers. False when
    // the block broke a rule; each kind of fault is reported once per harness. An effect without a process
    // entry, or that announces a negative or implausible channel count (and so gets no buffers), is not
    // called: that is reported instead.
    bool Run(int32_t frames, bool inPlace = false);
    // Processes blocks of `frames` until at least `total` frames went through (at least `minimumBlocks`
    // blocks).
    bool RunFor(int64_t total, int32_t frames, int minimumBlocks = 4, bool inPlace = false);
    // Suspends, sets the rate and the maximum block size, and resumes, as a host does before rendering.
    void Prepare(double sampleRate);

    // For checks that set parameters at random, which may ask for any gain: samples of absurd size are not a
    // fault there (NaN and infinity still are).
    void AllowAnySize() { m_checkPeaks = false; }

    // Reports the denormals counted so far as a warning; call once at the end of a check.
    void ReportDenormals();
    int64_t FramesProcessed() const { return m_position; }

private:
    struct Block {
        int32_t frames;
        bool inPlace;
    };
    // What the outputs of a block hold besides the samples it wrote: markers of the host's that came back.
    struct OutputScan {
        int64_t inputMarkers = 0;
        int64_t outputMarkers = 0;
        SampleScan samples;
        float peak = 0.0f;
    };

    // The rules a block can break, each reported once per harness; false when the block broke one.
    bool CheckBuffers(const Block& block);
    bool CheckOutputs(const GuardedBuffers& written, const Block& block);
    bool CheckPassthrough(const GuardedBuffers& written, const Block& block);
    static OutputScan ScanOutputs(const GuardedBuffers& written, int32_t frames);

    void Report(const std::string& kind, const std::string& text);
    // " (block of 17 frames at 48000 Hz, separate buffers, the 3rd since resume)" for the last process call.
    std::string Where(const Block& block) const;

    CheckContext& m_context;
    Effect& m_effect;
    int32_t m_maxFrames;
    bool m_channelsPlausible;
    GuardedBuffers m_input;
    GuardedBuffers m_expected;
    GuardedBuffers m_output;
    SampleScan m_scan;
    int64_t m_position = 0;
    double m_sampleRate = kValidationSampleRate; // what CheckContext gives a new instance
    std::set<std::string> m_reported;
    bool m_checkPeaks = true;
};

// A fresh instance for a check that processes: null, with a failure reported, when it cannot be made, has
// no 32-bit process entry or announces channel counts no buffers can be made for.
std::unique_ptr<HostedPlugin> LoadForProcessing(CheckContext& context);

// How a check that processes starts: ProcessingStart().At(48000.0).Started(), say.
struct ProcessingStart {
    double sampleRate = kValidationSampleRate;
    bool started = false;         // processing started (effStartProcess) after resuming
    bool anySize = false;         // samples of any size are no fault (parameters set at random)
    bool needsParameters = false; // a plug-in without parameters has nothing to check: a note, no session

    ProcessingStart& At(double rate) {
        sampleRate = rate;
        return *this;
    }
    ProcessingStart& Started() {
        started = true;
        return *this;
    }
    ProcessingStart& AnySize() {
        anySize = true;
        return *this;
    }
    ProcessingStart& NeedsParameters() {
        needsParameters = true;
        return *this;
    }
};

// The start and end that the checks that process share: a fresh instance fit for processing, its harness, the
// instance prepared at a rate and resumed; at the end processing stopped, the instance suspended and the
// denormals reported.
class ProcessingSession {
public:
    // Null when there is nothing to check: the instance could not be made (a failure is reported) or, with
    // `needsParameters`, has no parameters (a note says so).
    static std::unique_ptr<ProcessingSession> Start(CheckContext& context, const ProcessingStart& start);

    Effect& effect;
    ProcessingHarness harness;

    void Finish(bool reportDenormals = true);

private:
    ProcessingSession(CheckContext& context, std::unique_ptr<HostedPlugin> plugin, bool started);
    std::unique_ptr<HostedPlugin> m_plugin;
    bool m_started;
};

} // namespace orke::host
