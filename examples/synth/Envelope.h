// An attack-decay-sustain-release envelope whose stages last exactly their times, at any sample rate, and
// whose release ends on 0 exactly rather than approaching it for ever.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

class Envelope {
public:
    // The stage lengths in seconds, taken at the start of each stage; a stage lasts at least one frame.
    void SetTimes(double attack, double decay, double release, double sampleRate) {
        m_attackFrames = Frames(attack, sampleRate);
        m_decayFrames = Frames(decay, sampleRate);
        m_releaseFrames = Frames(release, sampleRate);
    }

    // The attack rises from the level the envelope is at, in the part of the attack time that is left to
    // the top, so that striking a sounding note again does not click.
    void Start() {
        m_stage = kAttack;
        m_from = m_level;
        m_frames = std::max<int32_t>(1, int32_t(std::lround(double(m_attackFrames) * (1.0 - m_level))));
        m_done = 0;
    }
    void Release() {
        if (m_stage != kIdle && m_stage != kFade) {
            BeginCurve(kRelease, m_releaseFrames);
        }
    }
    // A straight line to 0 over `frames`: short, and no steeper than it must be.
    void Fade(int32_t frames) {
        if (m_stage != kIdle) {
            m_stage = kFade;
            m_from = m_level;
            m_frames = std::max<int32_t>(1, frames);
            m_done = 0;
        }
    }
    void Stop() {
        m_stage = kIdle;
        m_level = 0.0;
    }
    bool IsIdle() const { return m_stage == kIdle; }

    // The level of the next frame, 0 to 1; `sustain` may move from frame to frame.
    double Next(double sustain) {
        switch (m_stage) {
        case kIdle:
            return 0.0;
        case kAttack:
            m_level =
                ++m_done >= m_frames ? 1.0 : m_from + (1.0 - m_from) * double(m_done) / double(m_frames);
            if (m_done >= m_frames) {
                BeginCurve(kDecay, m_decayFrames);
            }
            return m_level;
        case kDecay:
            if (++m_done >= m_frames) {
                m_stage = kSustain;
                return m_level = sustain;
            }
            return m_level = sustain + (1.0 - sustain) * CurveStep();
        case kSustain:
            return m_level = sustain;
        case kRelease:
            if (++m_done >= m_frames) {
                Stop();
                return 0.0;
            }
            return m_level = m_from * CurveStep();
        case kFade:
            if (++m_done >= m_frames) {
                Stop();
                return 0.0;
            }
            return m_level = m_from * (1.0 - double(m_done) / double(m_frames));
        }
        return 0.0;
    }

private:
    enum Stage { kIdle, kAttack, kDecay, kSustain, kRelease, kFade };
    // Decay and release fall as e^(-k t) does, but towards a point below their end, so that they arrive at
    // it when their time is up: the curve is (e^(-k x) - e^(-k)) / (1 - e^(-k)) over x from 0 to 1, k = 5.
    static constexpr double kCurve = 5.0;
    static constexpr double kEnd = 0.006737946999085467; // e^(-kCurve)

    static int32_t Frames(double seconds, double sampleRate) {
        const double frames = std::round(seconds * sampleRate);
        return frames >= 1.0 ? (frames < 1e9 ? int32_t(frames) : 1000000000) : 1;
    }
    void BeginCurve(Stage stage, int32_t frames) {
        m_stage = stage;
        m_from = m_level;
        m_frames = frames;
        m_done = 0;
        m_ratio = std::exp(-kCurve / double(frames));
        m_power = 1.0;
    }
    // The curve at the next frame, from 1 down towards 0.
    double CurveStep() {
        m_power *= m_ratio;
        return (m_power - kEnd) / (1.0 - kEnd);
    }

    Stage m_stage = kIdle;
    double m_level = 0.0;
    double m_from = 0.0; // the level the stage began at
    int32_t m_frames = 1, m_done = 0;
    double m_ratio = 1.0, m_power = 1.0;
    int32_t m_attackFrames = 1, m_decayFrames = 1, m_releaseFrames = 1;
};
