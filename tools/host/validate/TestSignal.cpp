// Guarded buffers, the test signal, and the scan of what a plug-in wrote.
#include "TestSignal.h"

#include <cmath>
#include <cstring>

namespace orke::host {
namespace {

float valueOf(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

uint32_t GuardOrigin(float sample) {
    uint32_t bits;
    std::memcpy(&bits, &sample, sizeof bits);
    constexpr uint32_t kIgnored = 0x80400000u; // the sign, and the bit that quietens a NaN
    for (uint32_t guard : {kInputGuard, kOutputGuard}) {
        if ((bits & ~kIgnored) == (guard & ~kIgnored)) {
            return guard;
        }
    }
    return 0;
}

GuardedBuffers::GuardedBuffers(int32_t channels, int32_t frames, uint32_t guard)
    : m_guardBits(guard)
    , m_frames(frames)
    , m_stride(frames + 2 * kGuard)
    , m_storage(static_cast<size_t>(channels) * static_cast<size_t>(m_stride), valueOf(guard)) {
    for (int32_t channel = 0; channel < channels; ++channel) {
        m_pointers.push_back(m_storage.data() + static_cast<size_t>(channel) * static_cast<size_t>(m_stride) +
                             kGuard);
    }
}

bool GuardedBuffers::IsGuard(float sample) const {
    uint32_t bits;
    std::memcpy(&bits, &sample, sizeof bits);
    return bits == m_guardBits;
}

void GuardedBuffers::FillWithGuardPattern() {
    std::fill(m_storage.begin(), m_storage.end(), valueOf(m_guardBits));
}

bool GuardedBuffers::GuardsIntact() const {
    for (const float* channel : m_pointers) {
        for (int32_t i = 1; i <= kGuard; ++i) {
            if (!IsGuard(channel[-i]) || !IsGuard(channel[m_frames + i - 1])) {
                return false;
            }
        }
    }
    return true;
}

bool GuardedBuffers::FindTrespass(Trespass& found) const {
    for (int32_t channel = 0; channel < Channels(); ++channel) {
        const float* samples = m_pointers[static_cast<size_t>(channel)];
        for (int32_t reach = kGuard; reach >= 1; --reach) {
            if (!IsGuard(samples[-reach]) || !IsGuard(samples[m_frames + reach - 1])) {
                found = {channel, !IsGuard(samples[-reach]), reach};
                return true;
            }
        }
    }
    return false;
}

int64_t GuardedBuffers::CountUntouched(int32_t frames) const {
    int64_t count = 0;
    for (const float* channel : m_pointers) {
        for (int32_t i = 0; i < frames; ++i) {
            count += IsGuard(channel[i]) ? 1 : 0;
        }
    }
    return count;
}

bool GuardedBuffers::UntouchedFrom(int32_t frame) const {
    for (const float* channel : m_pointers) {
        for (int32_t i = frame; i < m_frames; ++i) {
            if (!IsGuard(channel[i])) {
                return false;
            }
        }
    }
    return true;
}

bool GuardedBuffers::SameSamples(const GuardedBuffers& other, int32_t frames) const {
    if (other.Channels() != Channels()) {
        return false;
    }
    for (int32_t channel = 0; channel < Channels(); ++channel) {
        if (std::memcmp(Channel(channel), other.Channel(channel),
                        sizeof(float) * static_cast<size_t>(frames)) != 0) {
            return false;
        }
    }
    return true;
}

void FillTestSignal(GuardedBuffers& buffers, int32_t frames, int64_t startFrame) {
    for (int32_t channel = 0; channel < buffers.Channels(); ++channel) {
        float* samples = buffers.Channel(channel);
        const double step = 0.0123 * (channel + 1);
        for (int32_t i = 0; i < frames; ++i) {
            const int64_t frame = startFrame + i;
            // A small multiplicative hash of the frame and channel: reproducible noise without state.
            const uint32_t hash =
                static_cast<uint32_t>(frame * 2654435761u) ^ static_cast<uint32_t>(channel * 40503u);
            const double noise = static_cast<double>(hash % 20001u) / 20000.0 - 0.5;
            float sample =
                static_cast<float>(0.5 * std::sin(step * static_cast<double>(frame)) + 0.3 * noise);
            switch (frame % 1009) {
            case 7:
                sample = 1.0f;
                break;
            case 11:
                sample = -1.0f;
                break;
            case 13:
                sample = -0.0f;
                break;
            case 17:
                sample = 1.5f;
                break;
            default:
                break;
            }
            samples[i] = sample;
        }
    }
}

void ScanSamples(const GuardedBuffers& buffers, int32_t frames, SampleScan& scan) {
    for (int32_t channel = 0; channel < buffers.Channels(); ++channel) {
        const float* samples = buffers.Channel(channel);
        for (int32_t i = 0; i < frames; ++i) {
            switch (std::fpclassify(samples[i])) {
            case FP_NAN:
                ++scan.nan;
                break;
            case FP_INFINITE:
                ++scan.infinite;
                break;
            case FP_SUBNORMAL:
                ++scan.denormal;
                break;
            default:
                break;
            }
        }
    }
}

} // namespace orke::host
