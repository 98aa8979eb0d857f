// One oscillator of a voice: saw, square with a pulse width, triangle or sine, its corners and jumps
// rounded by polynomial band-limited steps (polyBLEP, and its integral for the triangle's corners) so that
// high notes do not fold back into the audible band as the naive shapes would.
#pragma once

#include <cmath>

enum SynthWave : int { kWaveSaw, kWaveSquare, kWaveTriangle, kWaveSine, kWaveCount };

class Oscillator {
public:
    // Where a note starts: an eighth of the way into the cycle, where every shape is already away from 0,
    // so that the note's first frame is not silent (its envelope starts it gently).
    static constexpr double kStartPhase = 0.125;

    void Restart() { m_phase = kStartPhase; }

    // The value at the present phase, then the phase moves on by `increment` (frequency / sample rate,
    // below one half). `width` is the square's part of the cycle at +1.
    double Next(int wave, double increment, double width) {
        const double t = m_phase;
        double value;
        switch (wave) {
        case kWaveSquare: {
            double fall = t - width;
            fall += fall < 0.0 ? 1.0 : 0.0;
            value = (t < width ? 1.0 : -1.0) + Step(t, increment) - Step(fall, increment);
            break;
        }
        case kWaveTriangle: {
            double peak = t - 0.5;
            peak += peak < 0.0 ? 1.0 : 0.0;
            // The slope turns by 8 per cycle at each corner: up at the foot, down at the peak.
            const double turn = 8.0 * increment;
            value = (t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t) +
                    turn * (Corner(t, increment) - Corner(peak, increment));
            break;
        }
        case kWaveSine:
            value = std::sin(2.0 * kPi * t);
            break;
        default:
            value = 2.0 * t - 1.0 - Step(t, increment);
            break;
        }
        m_phase = t + increment;
        m_phase -= m_phase >= 1.0 ? 1.0 : 0.0;
        return value;
    }

private:
    static constexpr double kPi = 3.14159265358979323846;

    // What a jump of +2 at phase 0 needs added near it, `t` the phase since the jump (a phase near 1 is just
    // before it): the difference between a step and its two-sample band-limited form.
    static double Step(double t, double increment) {
        if (t < increment) {
            const double x = t / increment;
            return x + x - x * x - 1.0;
        }
        if (t > 1.0 - increment) {
            const double x = (t - 1.0) / increment;
            return x * x + x + x + 1.0;
        }
        return 0.0;
    }
    // The same for a corner whose slope turns by one per sample: the integral of Step's half, (1 - |x|)^3
    // / 6.
    static double Corner(double t, double increment) {
        double x;
        if (t < increment) {
            x = t / increment;
        } else if (t > 1.0 - increment) {
            x = (1.0 - t) / increment;
        } else {
            return 0.0;
        }
        const double rest = 1.0 - x;
        return rest * rest * rest / 6.0;
    }

    double m_phase = kStartPhase;
};
