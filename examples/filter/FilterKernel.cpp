// Orke Filter's kernel: one channel's filter, on the audio thread.
#include "OrkeFilter.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Below this a memory or an output is silence: it is stored as 0, so that a decaying tail never reaches the
// denormal numbers that slow some processors down.
constexpr double kSilence = 1e-30;

// The value held to [low, high]; a value that is no number at all becomes `low`.
double heldTo(double value, double low, double high) {
    return value >= low ? (value <= high ? value : high) : low;
}

double audible(double value) {
    return std::fabs(value) < kSilence ? 0.0 : value;
}

} // namespace

// The host resumed or changed the sample rate: what the filter remembers belongs to another stream.
void OrkeFilter::CFilterKernel::Reset() {
    m_ic1 = 0.0;
    m_ic2 = 0.0;
}

void OrkeFilter::CFilterKernel::ComputeCoefficients() {
    const double sampleRate = GetSampleRate();
    // Held below half the sample rate, where the transform has no room left; a host may also send values
    // outside 0..1, which the framework maps beyond the table's range.
    const double cutoff = heldTo(GetParameter(kCutoff), 20.0, std::fmin(20000.0, 0.49 * sampleRate));
    const double q = heldTo(GetParameter(kResonance), 0.1, 10.0);
    const auto type = static_cast<int>(heldTo(std::round(GetParameter(kType)), kLowPass, kBandPass));

    const double g = std::tan(kPi * cutoff / sampleRate);
    m_k = 1.0 / q;
    m_a1 = 1.0 / (1.0 + g * (g + m_k));
    m_a2 = g * m_a1;
    m_a3 = g * m_a2;
    // Low-pass 1 / (s^2 + k s + 1) is v2; band-pass k s / (...), 0 dB at the centre, is k v1; high-pass
    // s^2 / (...) is what remains of the input: x - k v1 - v2.
    m_mixInput = type == kHighPass ? 1.0 : 0.0;
    m_mixBand = type == kLowPass ? 0.0 : type == kBandPass ? m_k : -m_k;
    m_mixLow = type == kLowPass ? 1.0 : type == kBandPass ? 0.0 : -1.0;
}

void OrkeFilter::CFilterKernel::Process(const float* source, float* destination, unsigned long frames,
                                        unsigned long channels, bool&) {
    // New coefficients only when a parameter or the sample rate changed (the framework resets the kernel on
    // a new rate, which counts as a change): no work, no allocation and no lock on an ordinary block.
    if (ParametersChanged()) {
        ComputeCoefficients();
    }
    double ic1 = m_ic1;
    double ic2 = m_ic2;
    for (unsigned long k = 0; k < frames; ++k) {
        const double x = source[k * channels];
        const double v3 = x - ic2;
        const double v1 = m_a1 * ic1 + m_a2 * v3;
        const double v2 = ic2 + m_a2 * ic1 + m_a3 * v3;
        ic1 = audible(2.0 * v1 - ic1);
        ic2 = audible(2.0 * v2 - ic2);
        destination[k * channels] =
            static_cast<float>(audible(m_mixInput * x + m_mixBand * v1 + m_mixLow * v2));
    }
    m_ic1 = ic1;
    m_ic2 = ic2;
}
