// Orke Echo's signal work, apart from the framework: a stereo ping-pong delay. Both inputs feed the left
// delay line; each echo of one side comes back, low-passed and scaled by the feedback, as the next echo of
// the other side, so the echoes alternate left, right, left. A delay of whole frames, once settled, gives
// every echo on its exact frame; the delay, feedback, mix and the low-pass glide to new values instead of
// jumping, so nothing clicks while the host moves them.
#pragma once

#include "OrkeSmoothedValue.h"

#include <cstdint>
#include <memory>

class PingPongDelay {
public:
    // The longest delay, at the highest rate it is kept for; at higher rates the delay is held shorter.
    static constexpr double kLongestSeconds = 4.0;
    static constexpr double kHighestRate = 192000.0;

    // What the delay is asked to be; it glides there from where it is.
    struct Settings {
        double delayFrames; // held to 1 .. MaxDelayFrames()
        float feedback;     // 0 to 1: the level of each echo against the one before
        float mix;          // 0: only the input, 1: only the echoes
        float highCut;      // the feedback low-pass's cutoff, in Hz
    };

    // [main thread] Makes the delay lines, long enough for the longest delay at the highest rate.
    PingPongDelay();

    // [audio thread] Empties the delay lines; the next settings are taken at once, without a glide.
    void Reset(float sampleRate);
    // [audio thread] New targets, from the next frame on.
    void Set(const Settings& settings);
    // [audio thread] `frames` frames of both channels. Each frame's inputs are read before its outputs are
    // written, so the outputs may be the inputs' buffers, either way round.
    void Process(const float* inLeft, const float* inRight, float* outLeft, float* outRight, uint32_t frames);

    // The longest delay the lines hold, in frames.
    double MaxDelayFrames() const { return static_cast<double>(m_mask - 1); }

private:
    void Glide(const Settings& settings);
    void SetGlides(); // the glides' lengths at the current rate

    std::unique_ptr<float[]> m_left; // a power of two long, so positions wrap with a mask
    std::unique_ptr<float[]> m_right;
    uint32_t m_mask;
    uint32_t m_write = 0;
    float m_sampleRate = 48000.0f;
    bool m_fresh = true; // after a reset: the next settings are taken at once
    OrkeSmoothedValue m_delay;
    OrkeSmoothedValue m_feedback;
    OrkeSmoothedValue m_mix;
    OrkeSmoothedValue m_coefficient; // the one-pole low-pass's: 1 - e^(-2 pi cutoff / rate)
    float m_lowLeft = 0.0f;          // the low-pass memories of the echoes that cross over
    float m_lowRight = 0.0f;
};
