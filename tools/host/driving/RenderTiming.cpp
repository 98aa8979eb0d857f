// Timing a plug-in's process entry against memcpy of the same bytes.
#include "RenderTiming.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <random>

namespace orke::host {
namespace {

using Clock = std::chrono::steady_clock;

// Keeps the compiler from dropping a copy whose result nobody reads.
inline void touch(void* pointer) {
    asm volatile("" : : "g"(pointer) : "memory");
}

// A channel of `frames` samples on a cache line of its own.
float* allocateChannel(int32_t frames) {
    const size_t bytes = (sizeof(float) * static_cast<size_t>(std::max(frames, 1)) + 63) / 64 * 64;
    void* memory = std::aligned_alloc(64, bytes);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    std::memset(memory, 0, bytes);
    return static_cast<float*>(memory);
}

} // namespace

RenderTiming::RenderTiming(Effect& effect, double sampleRate, int32_t maxFrames)
    : m_effect(effect) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    for (int32_t c = 0; c < effect.NumInputs() + effect.NumOutputs(); ++c) {
        m_storage.emplace_back(allocateChannel(maxFrames));
        (c < effect.NumInputs() ? m_inputs : m_outputs).push_back(m_storage.back().get());
    }
    for (float* channel : m_inputs) {
        std::generate(channel, channel + maxFrames, [&] { return sample(random); });
    }
    effect.SetSampleRate(sampleRate);
    effect.SetBlockSize(maxFrames);
    effect.Resume();
    effect.StartProcess();
}

void RenderTiming::Copy(int32_t frames) {
    const size_t bytes = sizeof(float) * static_cast<size_t>(frames);
    const auto inputs = m_inputs.size();
    for (size_t c = 0; c < m_outputs.size(); ++c) {
        const float* source = inputs > 0 ? m_inputs[c % inputs] : m_outputs[(c + 1) % m_outputs.size()];
        std::memcpy(m_outputs[c], source, bytes);
        touch(m_outputs[c]);
    }
}

RenderTiming::Timing RenderTiming::Time(int32_t frames, double seconds) {
    Timing timing{frames, 0, 0.0, 0.0};
    // Warm the caches and let the plug-in settle.
    for (int i = 0; i < 16; ++i) {
        Process(frames);
    }
    const Clock::time_point start = Clock::now();
    Clock::time_point now = start;
    while (std::chrono::duration<double>(now - start).count() < seconds) {
        for (int i = 0; i < 64; ++i) {
            Process(frames);
        }
        timing.calls += 64;
        now = Clock::now();
    }
    timing.pluginSeconds = std::chrono::duration<double>(now - start).count();
    const Clock::time_point copyStart = Clock::now();
    for (int64_t call = 0; call < timing.calls; ++call) {
        Copy(frames);
    }
    timing.copySeconds = std::chrono::duration<double>(Clock::now() - copyStart).count();
    return timing;
}

void RenderTiming::Stop() {
    m_effect.StopProcess();
    m_effect.Suspend();
}

double RenderTiming::Timing::FramesPerSecond() const {
    return static_cast<double>(calls) * frames / std::max(pluginSeconds, 1e-12);
}

double RenderTiming::Timing::NanosecondsPerCall() const {
    return pluginSeconds * 1e9 / static_cast<double>(std::max<int64_t>(calls, 1));
}

double RenderTiming::Timing::RatioToCopy() const {
    return pluginSeconds / std::max(copySeconds, 1e-12);
}

} // namespace orke::host
