// Orke Filter's kernel: one channel's biquad, on the audio thread.
#include "OrkeFilter.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Below this an output is silence: it is stored as 0, so that a decaying tail never reaches the denormal
// numbers that slow some processors down.
constexpr double kSilence = 1e-30;

// The value held to [low, high]; a value that is no number at all becomes `low`.
double heldTo(double value, double low, double high) {
    return value >= low ? (value <= high ? value : high) : low;
}

} // namespace

// The host resumed or changed the sample rate: what the filter remembers belongs to another stream.
void OrkeFilter::CFilterKernel::Reset() {
    m_z1 = 0.0;
    m_z2 = 0.0;
}

// From the analogue prototypes H(s) = 1 / (s^2 + s/Q + 1) (low-pass), s^2 / (...) (high-pass) and
// (s/Q) / (...) (band-pass, 0 dB at the centre) by the bilinear transform, the cutoff matched exactly.
void OrkeFilter::CFilterKernel::ComputeCoefficients() {
    const double sampleRate = GetSampleRate();
    // Held below half the sample rate, where the transform has no room left; a host may also send values
    // outside 0..1, which the framework maps beyond the table's range.
    const double cutoff = heldTo(GetParameter(kCutoff), 20.0, std::fmin(20000.0, 0.49 * sampleRate));
    const double q = heldTo(GetParameter(kResonance), 0.1, 10.0);
    const auto type = static_cast<int>(heldTo(std::round(GetParameter(kType)), kLowPass, kBandPass));

    const double w0 = 2.0 * kPi * cutoff / sampleRate;
    const double cosine = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * q);
    double b0, b1, b2;
    switch (type) {
    case kHighPass:
        b0 = b2 = (1.0 + cosine) / 2.0;
        b1 = -(1.0 + cosine);
        break;
    case kBandPass:
        b0 = alpha;
        b1 = 0.0;
        b2 = -alpha;
        break;
    default:
        b0 = b2 = (1.0 - cosine) / 2.0;
        b1 = 1.0 - cosine;
        break;
    }
    const double a0 = 1.0 + alpha;
    m_b0 = b0 / a0;
    m_b1 = b1 / a0;
    m_b2 = b2 / a0;
    m_a1 = -2.0 * cosine / a0;
    m_a2 = (1.0 - alpha) / a0;
}

void OrkeFilter::CFilterKernel::Process(const float* source, float* destination, unsigned long frames,
                                        unsigned long channels, bool&) {
    // New coefficients only when a parameter or the sample rate changed (the framework resets the kernel on
    // a new rate, which counts as a change): no work, no allocation and no lock on an ordinary block.
    if (ParametersChanged()) {
        ComputeCoefficients();
    }
    double z1 = m_z1;
    double z2 = m_z2;
    for (unsigned long k = 0; k < frames; ++k) {
        const double x = source[k * channels];
        double y = m_b0 * x + z1;
        y = std::fabs(y) < kSilence ? 0.0 : y;
        z1 = m_b1 * x - m_a1 * y + z2;
        z2 = m_b2 * x - m_a2 * y;
        destination[k * channels] = static_cast<float>(y);
    }
    m_z1 = z1;
    m_z2 = z2;
}
