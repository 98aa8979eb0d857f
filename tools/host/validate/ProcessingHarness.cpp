// The processing harness: blocks of the test signal through an effect, and every fault they show.
#include "ProcessingHarness.h"

#include "CallTrace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace orke::host {
std::unique_ptr<HostedPlugin> LoadForProcessing(CheckContext& context) {
    auto plugin = context.Load();
    if (plugin && !plugin->effect->CanProcess()) {
        context.Fail("has no 32-bit process entry");
        return nullptr;
    }
    if (plugin && !plugin->effect->ChannelsPlausible()) {
        context.Fail("announces " + Counted(plugin->effect->NumInputs(), "input") + " and " +
                     Counted(plugin->effect->NumOutputs(), "output") + ": nothing was processed");
        return nullptr;
    }
    return plugin;
}

ProcessingSession::ProcessingSession(CheckContext& context, std::unique_ptr<HostedPlugin> plugin,
                                     bool started)
    : effect(*plugin->effect)
    , harness(context, *plugin->effect)
    , m_plugin(std::move(plugin))
    , m_started(started) {}

std::unique_ptr<ProcessingSession> ProcessingSession::Start(CheckContext& context,
                                                            const ProcessingStart& start) {
    auto plugin = LoadForProcessing(context);
    if (!plugin) {
        return nullptr;
    }
    if (start.needsParameters && plugin->effect->NumParameters() <= 0) {
        context.Note("no parameters");
        return nullptr;
    }
    std::unique_ptr<ProcessingSession> session(
        new ProcessingSession(context, std::move(plugin), start.started));
    if (start.anySize) {
        session->harness.AllowAnySize();
    }
    session->harness.Prepare(start.sampleRate);
    if (start.started) {
        session->effect.StartProcess();
    }
    return session;
}

void ProcessingSession::Finish(bool reportDenormals) {
    if (m_started) {
        effect.StopProcess();
    }
    effect.Suspend();
    if (reportDenormals) {
        harness.ReportDenormals();
    }
}

ProcessingHarness::ProcessingHarness(CheckContext& context, Effect& effect, int32_t maxFrames)
    : m_context(context)
    , m_effect(effect)
    , m_maxFrames(maxFrames)
    , m_channelsPlausible(effect.ChannelsPlausible())
    , m_input(m_channelsPlausible ? effect.NumInputs() : 0, maxFrames)
    , m_expected(m_channelsPlausible ? effect.NumInputs() : 0, maxFrames)
    , m_output(m_channelsPlausible ? effect.NumOutputs() : 0, maxFrames, kOutputGuard) {}

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

std::string ProcessingHarness::Where(const Block& block) const {
    const bool traced = t_tracedCall != nullptr && t_tracedCall->kind == CallKind::Process;
    // The rate the host last told the plug-in, which a check may have changed behind the harness's back.
    const double rate = traced ? t_tracedCall->sampleRate : m_sampleRate;
    std::string where = " (block of " + Counted(block.frames, "frame") + " at " +
                        std::to_string(std::lround(rate)) + " Hz, " +
                        (block.inPlace ? "in place" : "separate buffers");
    if (traced) {
        where += t_tracedCall->resumed != 0 ? ", the " + Ordinal(t_tracedCall->processCalls) + " since resume"
                                            : ", while suspended";
    }
    if (!m_context.Step().empty()) {
        where += ", during " + m_context.Step();
    }
    return where + ")";
}

bool ProcessingHarness::Run(int32_t frames, bool inPlace) {
    if (!m_channelsPlausible) {
        Report("channels", "announces " + Counted(m_effect.NumInputs(), "input") + " and " +
                               Counted(m_effect.NumOutputs(), "output") + ": nothing was processed");
        return false;
    }
    if (!m_effect.CanProcess()) {
        Report("entry", "has no 32-bit process entry: nothing was processed");
        return false;
    }
    m_input.FillWithGuardPattern();
    m_output.FillWithGuardPattern();
    FillTestSignal(m_input, frames, m_position);
    m_expected.FillWithGuardPattern();
    FillTestSignal(m_expected, frames, m_position);
    // In place, output channel c is input channel c wherever both exist.
    const int32_t outputs = m_output.Channels();
    std::vector<float*> outputPointers(static_cast<size_t>(outputs));
    for (int32_t c = 0; c < outputs; ++c) {
        outputPointers[static_cast<size_t>(c)] =
            inPlace && c < m_input.Channels() ? m_input.Channel(c) : m_output.Channel(c);
    }
    m_effect.Process(m_input.Pointers(), outputPointers.data(), frames);
    m_position += frames;
    // Where the block stands, said only in a report: no plug-in call comes between here and those.
    const Block block{frames, inPlace};
    bool ok = CheckBuffers(block);
    if (frames == 0) {
        return ok;
    }
    // Gather the outputs where they were written, to look at them as one set of channels.
    GuardedBuffers written(outputs, frames, kOutputGuard);
    for (int32_t c = 0; c < outputs; ++c) {
        std::memcpy(written.Channel(c), outputPointers[static_cast<size_t>(c)],
                    sizeof(float) * static_cast<size_t>(frames));
    }
    ok = CheckOutputs(written, block) && ok;
    return m_context.Options().expectPassthrough ? CheckPassthrough(written, block) && ok : ok;
}

bool ProcessingHarness::CheckBuffers(const Block& block) {
    GuardedBuffers::Trespass trespass;
    const bool intoInputs = m_input.FindTrespass(trespass);
    bool ok = true;
    if (intoInputs || m_output.FindTrespass(trespass)) {
        Report("guards",
               "wrote outside the buffers it was given, up to " + Counted(trespass.reach, "sample") +
                   (trespass.before ? " before the start of " : " after the end of ") +
                   (intoInputs ? "input " : "output ") + std::to_string(trespass.channel) + Where(block));
        ok = false;
    } else if (!m_input.UntouchedFrom(block.frames) || !m_output.UntouchedFrom(block.frames)) {
        // The buffers are as long as the announced maximum; a shorter block owns only its own frames.
        Report("past", "wrote past the end of the block" + Where(block));
        ok = false;
    }
    if (!block.inPlace && !m_input.SameSamples(m_expected, block.frames)) {
        Report("input", "wrote into its input buffers" + Where(block));
        ok = false;
    }
    return ok;
}

bool ProcessingHarness::CheckOutputs(const GuardedBuffers& written, const Block& block) {
    bool ok = true;
    const int64_t unwritten = written.CountUntouched(block.frames);
    if (unwritten > 0) {
        Report("unwritten", "left " + std::to_string(unwritten) + " output samples unwritten" + Where(block));
        ok = false;
    }
    // The markers the host put around and after the block may come back: then the plug-in read where it
    // should not have, and the NaN it passes on are the host's, not its own.
    const OutputScan scan = ScanOutputs(written, block.frames);
    if (scan.inputMarkers > 0) {
        Report("read outside", "read its inputs outside the block: the marker values the host put after the "
                               "block came back in its output" +
                                   Where(block));
        ok = false;
    }
    if (scan.outputMarkers > 0) {
        Report("read output", "read its output buffers before writing them: the marker values the host put "
                              "there came back in its output" +
                                  Where(block));
        ok = false;
    }
    if (scan.samples.nan > 0 || scan.samples.infinite > 0) {
        Report("nan", "produced " + std::to_string(scan.samples.nan) + " NaN and " +
                          std::to_string(scan.samples.infinite) + " infinite samples" + Where(block));
        ok = false;
    }
    if (m_checkPeaks && scan.peak > kAbsurdPeak) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "produced samples of absurd size, up to %.3g (%.0f dB above full scale)",
                      static_cast<double>(scan.peak), 20.0 * std::log10(static_cast<double>(scan.peak)));
        Report("peak", text + Where(block));
        ok = false;
    }
    m_scan.denormal += scan.samples.denormal;
    return ok;
}

ProcessingHarness::OutputScan ProcessingHarness::ScanOutputs(const GuardedBuffers& written, int32_t frames) {
    OutputScan scan;
    for (int32_t c = 0; c < written.Channels(); ++c) {
        for (int32_t i = 0; i < frames; ++i) {
            const float sample = written.Channel(c)[i];
            const uint32_t origin = GuardOrigin(sample);
            uint32_t bits;
            std::memcpy(&bits, &sample, sizeof bits);
            if (origin == kInputGuard) {
                ++scan.inputMarkers;
            } else if (origin == kOutputGuard) {
                scan.outputMarkers += bits == kOutputGuard ? 0 : 1; // the exact marker is an unwritten sample
            } else if (std::isnan(sample)) {
                ++scan.samples.nan;
            } else if (std::isinf(sample)) {
                ++scan.samples.infinite;
            } else {
                scan.samples.denormal += std::fpclassify(sample) == FP_SUBNORMAL ? 1 : 0;
                scan.peak = std::max(scan.peak, std::fabs(sample));
            }
        }
    }
    return scan;
}

bool ProcessingHarness::CheckPassthrough(const GuardedBuffers& written, const Block& block) {
    const int32_t inputs = m_input.Channels();
    const int32_t outputs = written.Channels();
    if (inputs != outputs) {
        Report("shape", "cannot pass its input through: " + std::to_string(inputs) + " inputs, " +
                            std::to_string(outputs) + " outputs");
        return false;
    }
    for (int32_t c = 0; c < outputs; ++c) {
        const float* got = written.Channel(c);
        const float* want = m_expected.Channel(c);
        if (std::memcmp(got, want, sizeof(float) * static_cast<size_t>(block.frames)) != 0) {
            int32_t first = 0;
            while (std::memcmp(got + first, want + first, sizeof(float)) == 0) {
                ++first;
            }
            Report("passthrough", "output " + std::to_string(c) + " differs from its input at frame " +
                                      std::to_string(first) + Where(block));
            return false;
        }
    }
    return true;
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
