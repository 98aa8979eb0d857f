// A value that glides to each new target in a straight line over a set number of frames, for kernels that
// must not click when a parameter moves.
#pragma once

#include <cmath>

// Header-only and allocation-free: a kernel keeps one per smoothed quantity and uses it on the audio thread.
// The ramp lands on the target exactly: each value is counted back from the target, so the last one is the
// target itself whatever the rounding on the way, and a settled value is the target bit for bit.
class OrkeSmoothedValue {
public:
    explicit OrkeSmoothedValue(float value = 0.0f)
        : m_value(value)
        , m_target(value) {}

    // The length of the ramps that SetTarget starts from now on, in frames (at least 1). A ramp under way
    // keeps its own.
    void SetRampFrames(unsigned long frames) { m_rampFrames = frames > 0 ? frames : 1; }
    // The same in seconds at `sampleRate`, rounded to whole frames (at least 1, at most kLongestRamp).
    void SetRampSeconds(float seconds, float sampleRate) {
        const float frames = std::round(seconds * sampleRate);
        SetRampFrames(
            frames >= 1.0f ? frames < kLongestRamp ? static_cast<unsigned long>(frames) : kLongestRamp : 1);
    }

    // The value is `value` at once: no ramp, settled.
    void Jump(float value) {
        m_value = m_target = value;
        m_framesLeft = 0;
    }
    // A ramp from the current value (part-way through a ramp included) to `target` over the ramp length. A
    // target equal to the one in force changes nothing, so asking every block costs no ramp.
    void SetTarget(float target) {
        if (target == m_target) {
            return;
        }
        m_target = target;
        m_framesLeft = m_rampFrames;
        m_step = (m_target - m_value) / static_cast<float>(m_framesLeft);
    }

    // The value for the next frame: the ramp moves one frame on, and a settled value stays where it is.
    float Next() {
        if (m_framesLeft > 0) {
            --m_framesLeft;
            m_value = m_target - m_step * static_cast<float>(m_framesLeft);
        }
        return m_value;
    }

    // The value of the last frame (or the one jumped to).
    float Current() const { return m_value; }
    float Target() const { return m_target; }
    // Whether the value is its target, so that a kernel may take a plain loop with Current().
    bool Settled() const { return m_framesLeft == 0; }
    unsigned long FramesLeft() const { return m_framesLeft; }

    // An hour at 192 kHz: far longer than any ramp, and far inside what the frame count holds.
    static constexpr unsigned long kLongestRamp = 691200000;

private:
    float m_value;
    float m_target;
    float m_step = 0.0f;
    unsigned long m_rampFrames = 1;
    unsigned long m_framesLeft = 0;
};
