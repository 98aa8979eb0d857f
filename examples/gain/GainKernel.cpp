// Orke Gain's kernel: the signal work of one channel, on the audio thread.
#include "OrkeGain.h"

#include <cmath>
#include <cstring>

namespace {

constexpr float kRampSeconds = 0.010f;

// Four samples as one value, so that the settled loop works on whole vectors; on a processor without vector
// registers the compiler splits it into four floats, so the result is the same everywhere.
typedef float Vector4 __attribute__((vector_size(16)));

// destination = source * gain, sample by sample, 8 samples a step. Each step reads its samples before it
// writes any, so the buffers may be the same one (the framework's in-place case).
void Scale(const float* source, float* destination, unsigned long frames, float gain) {
    const Vector4 gains = {gain, gain, gain, gain};
    unsigned long k = 0;
    for (; k + 8 <= frames; k += 8) {
        Vector4 low;
        Vector4 high;
        std::memcpy(&low, source + k, sizeof(low));
        std::memcpy(&high, source + k + 4, sizeof(high));
        low *= gains;
        high *= gains;
        std::memcpy(destination + k, &low, sizeof(low));
        std::memcpy(destination + k + 4, &high, sizeof(high));
    }
    for (; k < frames; ++k) {
        destination[k] = source[k] * gain;
    }
}

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

// A parameter changed: a new target, reached by a ramp from wherever the gain is now (mid-ramp included).
void OrkeGain::CGainKernel::Retarget() {
    const float target = TargetGain();
    if (m_fresh) {
        m_gain.Jump(target);
        m_fresh = false;
    } else {
        m_gain.SetRampSeconds(kRampSeconds, GetSampleRate());
        m_gain.SetTarget(target);
    }
}

// While ramping, each sample takes the ramp's next gain, the last of which is the target itself; the rest of
// the block takes the settled gain.
void OrkeGain::CGainKernel::Ramp(const float* source, float* destination, unsigned long frames,
                                 unsigned long channels) {
    unsigned long k = 0;
    for (; !m_gain.Settled() && k < frames; ++k) {
        destination[k * channels] = source[k * channels] * m_gain.Next();
    }
    const float gain = m_gain.Current();
    for (; k < frames; ++k) {
        destination[k * channels] = source[k * channels] * gain;
    }
}

void OrkeGain::CGainKernel::Process(const float* source, float* destination, unsigned long frames,
                                    unsigned long channels, bool&) {
    // Parameters are read only when one of them may have changed: usually this is one atomic load.
    if (ParametersChanged()) {
        Retarget();
    }
    if (m_gain.Settled() && channels == 1) { // settled: the common case, one plain loop
        Scale(source, destination, frames, m_gain.Current());
    } else {
        Ramp(source, destination, frames, channels);
    }
}
