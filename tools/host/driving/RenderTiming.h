// What a render's speed is measured by: a plug-in's process entry on a block of buffers of its own, and
// memcpy of the same bytes (every output channel's block) as the reference a pass-through cannot beat. Shared
// by `orke-host bench` and the orke-bench program, so that both time the same thing.
#pragma once

#include "Effect.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace orke::host {

class RenderTiming {
public:
    // Buffers for the effect's channels (which must be plausible) of up to `maxFrames`, the inputs holding
    // reproducible noise within full scale. The effect is started as a host starts it to render: rate and
    // block size set, resumed, processing started.
    RenderTiming(Effect& effect, double sampleRate, int32_t maxFrames);

    RenderTiming(const RenderTiming&) = delete;
    RenderTiming& operator=(const RenderTiming&) = delete;

    // One process call of `frames` frames.
    void Process(int32_t frames) { m_effect.Process(m_inputs.data(), m_outputs.data(), frames); }
    // memcpy of the bytes the call wrote: each output channel's block, from an input (or, without inputs,
    // another output).
    void Copy(int32_t frames);

    int32_t Inputs() const { return static_cast<int32_t>(m_inputs.size()); }
    int32_t Outputs() const { return static_cast<int32_t>(m_outputs.size()); }
    float* const* InputChannels() const { return m_inputs.data(); }
    float* const* OutputChannels() const { return m_outputs.data(); }

    struct Timing {
        int32_t frames;
        int64_t calls;
        double pluginSeconds;
        double copySeconds; // for as many copies as calls
        double FramesPerSecond() const;
        double NanosecondsPerCall() const;
        double RatioToCopy() const; // 1.0: the plug-in costs no more than copying its output
    };
    // Processes blocks of `frames` for about `seconds` after a short warm-up, then copies as many blocks.
    Timing Time(int32_t frames, double seconds);

    // Stops processing and suspends the effect.
    void Stop();

private:
    struct Free {
        void operator()(float* samples) const { std::free(samples); }
    };

    Effect& m_effect;
    std::vector<std::unique_ptr<float, Free>> m_storage;
    std::vector<float*> m_inputs;
    std::vector<float*> m_outputs;
};

} // namespace orke::host
