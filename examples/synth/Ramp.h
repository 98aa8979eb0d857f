// A parameter's value moving to a new target in a straight line over a fixed number of frames, one step
// per frame, ending on the target exactly.
#pragma once

#include <cstdint>

class Ramp {
public:
    // Takes the value at once, with no ramp: a voice's first frame.
    void Jump(float value) {
        m_value = m_target = value;
        m_left = 0;
    }
    // A new target begins a ramp from where the value is; the same target again changes nothing, so that
    // asking every block leaves the value's path the same wherever the blocks begin.
    void Aim(float target, int32_t frames) {
        if (target == m_target) {
            return;
        }
        m_target = target;
        if (frames <= 1) {
            Jump(target);
            return;
        }
        m_step = (target - m_value) / float(frames);
        m_left = frames;
    }
    // On the target at once, ending any ramp.
    void Settle() { Jump(m_target); }
    // The value for the next frame.
    float Next() {
        if (m_left > 0) {
            m_value = --m_left == 0 ? m_target : m_value + m_step;
        }
        return m_value;
    }
    bool Moving() const { return m_left > 0; }
    float Value() const { return m_value; }

private:
    float m_value = 0.0f;
    float m_target = 0.0f;
    float m_step = 0.0f;
    int32_t m_left = 0;
};
