#include "ProcessingHarness.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace orke::host {

ProcessingHarness::ProcessingHarness(CheckContext& context, Effect& effect, int32_t maxFrames)
    : m_context(context)
    , m_effect(effect)
    , m_maxFrames(maxFrames)
    , m_input(std::max(effect.NumInputs(), 0), maxFrames)
    , m_expected(std::max(effect.NumInputs(), 0), maxFrames)
    , m_output(std::max(effect.NumOutputs(), 0), maxFrames) {}

void ProcessingHarness::Prepare(double sampleRate) {
    m_sampleRate = sampleRate;
    m_effect.Suspend();
    m_effect.SetSampleRate(sampleRate);
    m_effect.SetBlockSize(m_maxFrames);
    m_effect.Resume();
}

void ProcessingHarness::Report(const std::string& kind, const std::string& text) {
    if (m_reported.insert(kind).second) {
        m_context.Fail(text);
    }
}

bool ProcessingHarness::Run(int32_t frames, bool inPlace) {
    const int32_t inputs = m_input.Channels();
    const int32_t outputs = m_output.Channels();
    const std::string block = " (block of " + Counted(frames, "frame") + " at " +
                              std::to_string(std::lround(m_sampleRate)) + " Hz" +
                              (inPlace ? ", in place)" : ")");
    m_input.FillWithGuardPattern();
    m_output.FillWithGuardPattern();
    FillTestSignal(m_input, frames, m_position);
    m_expected.FillWithGuardPattern();
    FillTestSignal(m_expected, frames, m_position);

    // In place, output channel c is input channel c wherever both exist.
    std::vector<float*> outputPointers(static_cast<size_t>(outputs));
    for (int32_t c = 0; c < outputs; ++c) {
        outputPointers[static_cast<size_t>(c)] =
            inPlace && c < inputs ? m_input.Channel(c) : m_output.Channel(c);
    }
    m_effect.Process(m_input.Pointers(), outputPointers.data(), frames);
    m_position += frames;

    bool ok = true;
    if (!m_input.GuardsIntact() || !m_output.GuardsIntact()) {
        Report("guards", "wrote outside the buffers it was given" + block);
        ok = false;
    } else if (!m_input.UntouchedFrom(frames) || !m_output.UntouchedFrom(frames)) {
        // The buffers are as long as the announced maximum; a shorter block owns only its own frames.
        Report("past", "wrote past the end of the block" + block);
        ok = false;
    }
    if (!inPlace && !m_input.SameSamples(m_expected, frames)) {
        Report("input", "changed its input buffers" + block);
        ok = false;
    }
    if (frames == 0) {
        return ok;
    }
    // Gather the outputs where they were written, to look at them as one set of channels.
    GuardedBuffers written(outputs, frames);
    for (int32_t c = 0; c < outputs; ++c) {
        std::memcpy(written.Channel(c), outputPointers[static_cast<size_t>(c)],
                    sizeof(float) * static_cast<size_t>(frames));
    }
    if (written.CountUntouched(frames) > 0) {
        Report("unwritten", "left output samples unwritten" + block);
        ok = false;
    }
    SampleScan scan;
    ScanSamples(written, frames, scan);
    if (scan.nan > 0 || scan.infinite > 0) {
        Report("nan", "wrote " + std::to_string(scan.nan) + " NaN and " + std::to_string(scan.infinite) +
                          " infinite samples" + block);
        ok = false;
    }
    m_scan.denormal += scan.denormal;
    if (m_context.Options().expectPassthrough) {
        if (inputs != outputs) {
            Report("shape", "cannot pass its input through: " + std::to_string(inputs) + " inputs, " +
                                std::to_string(outputs) + " outputs");
            return false;
        }
        for (int32_t c = 0; c < outputs; ++c) {
            const float* got = written.Channel(c);
            const float* want = m_expected.Channel(c);
            if (std::memcmp(got, want, sizeof(float) * static_cast<size_t>(frames)) != 0) {
                int32_t first = 0;
                while (std::memcmp(got + first, want + first, sizeof(float)) == 0) {
                    ++first;
                }
                Report("passthrough", "output " + std::to_string(c) + " differs from its input at frame " +
                                          std::to_string(first) + block);
                ok = false;
                break;
            }
        }
    }
    return ok;
}

bool ProcessingHarness::RunFor(int64_t total, int32_t frames, int minimumBlocks, bool inPlace) {
    bool ok = true;
    int64_t done = 0;
    for (int blocks = 0; blocks < minimumBlocks || done < total; ++blocks) {
        ok = Run(frames, inPlace) && ok;
        done += frames;
        if (frames == 0 && blocks + 1 >= minimumBlocks) {
            break;
        }
    }
    return ok;
}

void ProcessingHarness::ReportDenormals() {
    if (m_scan.denormal > 0) {
        m_context.Warn("wrote " + std::to_string(m_scan.denormal) + " denormal samples");
    }
}

} // namespace orke::host
