// The ping-pong delay's lines, glides and per-frame arithmetic.
#include "PingPongDelay.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kDelayGlideSeconds = 0.050f; // a new delay is reached as a short pitch glide, not a jump
constexpr float kLevelGlideSeconds = 0.020f; // feedback, mix and the low-pass

uint32_t lineLength() {
    const auto longest = static_cast<uint32_t>(PingPongDelay::kLongestSeconds * PingPongDelay::kHighestRate);
    uint32_t length = 1;
    while (length < longest + 2) {
        length <<= 1;
    }
    return length;
}

} // namespace

PingPongDelay::PingPongDelay()
    : m_left(new float[lineLength()]())
    , m_right(new float[lineLength()]())
    , m_mask(lineLength() - 1) {
    SetGlides();
}

void PingPongDelay::Reset(float sampleRate) {
    std::memset(m_left.get(), 0, sizeof(float) * (m_mask + 1));
    std::memset(m_right.get(), 0, sizeof(float) * (m_mask + 1));
    m_write = 0;
    m_lowLeft = m_lowRight = 0.0f;
    m_sampleRate = sampleRate;
    m_fresh = true;
    SetGlides();
}

void PingPongDelay::SetGlides() {
    m_delay.SetRampSeconds(kDelayGlideSeconds, m_sampleRate);
    for (OrkeSmoothedValue* level : {&m_feedback, &m_mix, &m_coefficient}) {
        level->SetRampSeconds(kLevelGlideSeconds, m_sampleRate);
    }
}

void PingPongDelay::Set(const Settings& settings) {
    Glide(settings);
    m_fresh = false;
}

void PingPongDelay::Glide(const Settings& settings) {
    const double delay = std::min(std::max(settings.delayFrames, 1.0), MaxDelayFrames());
    const float cutoff = std::min(settings.highCut, 0.45f * m_sampleRate);
    const float coefficient = 1.0f - std::exp(-2.0f * kPi * cutoff / m_sampleRate);
    if (m_fresh) {
        m_delay.Jump(static_cast<float>(delay));
        m_feedback.Jump(settings.feedback);
        m_mix.Jump(settings.mix);
        m_coefficient.Jump(coefficient);
        return;
    }
    m_delay.SetTarget(static_cast<float>(delay));
    m_feedback.SetTarget(settings.feedback);
    m_mix.SetTarget(settings.mix);
    m_coefficient.SetTarget(coefficient);
}

void PingPongDelay::Process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                            uint32_t frames) {
    float* const left = m_left.get();
    float* const right = m_right.get();
    const uint32_t mask = m_mask;
    uint32_t write = m_write;
    float lowLeft = m_lowLeft;
    float lowRight = m_lowRight;
    for (uint32_t k = 0; k < frames; ++k) {
        const float dryLeft = inLeft[k];
        const float dryRight = inRight[k];
        // A delay of d frames reads what was written d frames ago; between two frames, their straight line.
        const float delay = m_delay.Next();
        const float whole = std::floor(delay);
        const float fraction = delay - whole;
        const uint32_t newer = (write - static_cast<uint32_t>(whole)) & mask;
        const uint32_t older = (newer - 1) & mask;
        const float echoLeft = left[newer] + fraction * (left[older] - left[newer]);
        const float echoRight = right[newer] + fraction * (right[older] - right[newer]);
        // Each side's echo, darkened, becomes the other side's next one.
        const float coefficient = m_coefficient.Next();
        lowLeft += coefficient * (echoLeft - lowLeft);
        lowRight += coefficient * (echoRight - lowRight);
        const float feedback = m_feedback.Next();
        left[write] = 0.5f * (dryLeft + dryRight) + feedback * lowRight;
        right[write] = feedback * lowLeft;
        write = (write + 1) & mask;
        const float mix = m_mix.Next();
        outLeft[k] = dryLeft + mix * (echoLeft - dryLeft);
        outRight[k] = dryRight + mix * (echoRight - dryRight);
    }
    m_write = write;
    m_lowLeft = lowLeft;
    m_lowRight = lowRight;
}
