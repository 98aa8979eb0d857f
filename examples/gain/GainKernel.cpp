// Orke Gain's kernel: the signal work of one channel, on the audio thread.
#include "OrkeGain.h"

#include <cmath>

namespace {

constexpr float kRampSeconds = 0.010f;

} // namespace

float OrkeGain::CGainKernel::TargetGain() const {
    // A host may send values outside 0..1 (or no number at all), which the framework maps beyond the range:
    // the level is held to the table's range, so no value can make the output explode.
    float decibels = GetParameter(kGain);
    decibels = decibels >= -60.0f ? (decibels <= 12.0f ? decibels : 12.0f) : -60.0f;
    const float gain = std::pow(10.0f, decibels / 20.0f); // exactly 1 at 0 dB
    return GetParameter(kPolarity) >= 0.5f ? -gain : gain;
}

// A resumed stream starts at the gain in force, not part-way through an old ramp.
void OrkeGain::CGainKernel::Reset() {
    m_fresh = true;
}

void OrkeGain::CGainKernel::Process(const float* source, float* destination, unsigned long frames,
                                    unsigned long channels, bool&) {
    // Parameters are read only when one of them may have changed: usually this is one atomic load.
    if (ParametersChanged()) {
        const float target = TargetGain();
        if (m_fresh) {
            m_gain = m_target = target;
            m_rampLeft = 0;
            m_fresh = false;
        } else if (target != m_target) {
            // From wherever the gain is now (mid-ramp included) to the new target, in equal steps.
            const float rampFrames = std::round(kRampSeconds * GetSampleRate());
            m_rampLeft = rampFrames >= 1.0f ? static_cast<unsigned long>(rampFrames) : 1;
            m_target = target;
            m_step = (m_target - m_gain) / static_cast<float>(m_rampLeft);
        }
    }

    unsigned long k = 0;
    // While ramping, each sample's gain is counted back from the target, so the last one is the target
    // exactly, whatever the rounding on the way.
    for (; m_rampLeft > 0 && k < frames; ++k) {
        --m_rampLeft;
        m_gain = m_target - m_step * static_cast<float>(m_rampLeft);
        destination[k * channels] = source[k * channels] * m_gain;
    }
    const float gain = m_gain;
    if (channels == 1) { // the framework's case: a plain loop the compiler turns into vector code
        for (; k < frames; ++k) {
            destination[k] = source[k] * gain;
        }
    } else {
        for (; k < frames; ++k) {
            destination[k * channels] = source[k * channels] * gain;
        }
    }
}
