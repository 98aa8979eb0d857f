// A voice's resonant low-pass: a state-variable filter with trapezoidal integrators, whose coefficients may
// move every frame. It is stable for every cutoff below half the sample rate and every damping above 0,
// and its memories stay in proportion to the signal while the cutoff sweeps.
#pragma once

#include <cmath>

class LowPass {
public:
    // `cutoff` in Hz, held below 0.45 of the rate; `damping` 1 / Q, held to 0.05 (Q 20) to 2 (Q 0.5).
    void Tune(double cutoff, double damping, double sampleRate) {
        const double highest = 0.45 * sampleRate;
        cutoff = cutoff > 1.0 ? (cutoff < highest ? cutoff : highest) : 1.0;
        damping = damping > 0.05 ? (damping < 2.0 ? damping : 2.0) : 0.05;
        const double g = std::tan(kPi * cutoff / sampleRate);
        m_a1 = 1.0 / (1.0 + g * (g + damping));
        m_a2 = g * m_a1;
        m_a3 = g * m_a2;
    }
    void Clear() { m_ic1 = m_ic2 = 0.0; }

    double Process(double x) {
        const double v3 = x - m_ic2;
        const double v1 = m_a1 * m_ic1 + m_a2 * v3;
        const double v2 = m_ic2 + m_a2 * m_ic1 + m_a3 * v3;
        m_ic1 = Audible(2.0 * v1 - m_ic1);
        m_ic2 = Audible(2.0 * v2 - m_ic2);
        return v2;
    }

private:
    static constexpr double kPi = 3.14159265358979323846;
    // A memory this small is silence: stored as 0 so that a dying signal never reaches the denormal numbers.
    static double Audible(double value) { return std::fabs(value) < 1e-30 ? 0.0 : value; }

    double m_a1 = 1.0, m_a2 = 0.0, m_a3 = 0.0;
    double m_ic1 = 0.0, m_ic2 = 0.0;
};
