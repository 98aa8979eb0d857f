// Blocks of test audio for the validator and the benchmark: channel buffers fenced by guard zones, a
// reproducible signal, and a scan of what a plug-in wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orke::host {

// The marker values that fill buffers before a plug-in gets them: signalling NaNs with payloads of their own,
// not what arithmetic produces nor a value a plug-in copies by chance. Inputs and outputs have different
// ones, so that a marker coming back in the output says which buffer the plug-in read where it should not
// have.
inline constexpr uint32_t kInputGuard = 0x7FA5A5A5u;
inline constexpr uint32_t kOutputGuard = 0x7F9C3C3Cu;

// kInputGuard or kOutputGuard when `sample` is that marker, as it is or as arithmetic leaves it (quietened,
// negated); 0 for any other value.
uint32_t GuardOrigin(float sample);

// Channel buffers with a guard zone before and after each channel, filled with a marker value, so that a
// write outside the block is seen.
class GuardedBuffers {
public:
    GuardedBuffers(int32_t channels, int32_t frames, uint32_t guard = kInputGuard);

    int32_t Channels() const { return static_cast<int32_t>(m_pointers.size()); }
    int32_t Frames() const { return m_frames; }
    float** Pointers() { return m_pointers.data(); }
    float* Channel(int32_t channel) { return m_pointers[static_cast<size_t>(channel)]; }
    const float* Channel(int32_t channel) const { return m_pointers[static_cast<size_t>(channel)]; }

    // Fills every sample of every channel with the marker, so that untouched samples can be found.
    void FillWithGuardPattern();
    // True when no guard zone was written.
    bool GuardsIntact() const;
    // Where a guard zone was written: the first channel with a write outside it, on which side, and how far
    // from the channel's edge the farthest such write was (1 for the sample next to it). False when none was.
    struct Trespass {
        int32_t channel = 0;
        bool before = false;
        int32_t reach = 0;
    };
    bool FindTrespass(Trespass& found) const;
    // How many of the first `frames` samples of all channels still hold the guard pattern.
    int64_t CountUntouched(int32_t frames) const;
    // True when every sample from `frame` to the end of the buffer still holds the guard pattern.
    bool UntouchedFrom(int32_t frame) const;
    // True when the first `frames` samples of every channel were left as the guard pattern.
    bool UntouchedFor(int32_t frames) const {
        return CountUntouched(frames) == static_cast<int64_t>(frames) * Channels();
    }
    // Bit-exact comparison of the first `frames` samples of each channel.
    bool SameSamples(const GuardedBuffers& other, int32_t frames) const;

private:
    bool IsGuard(float sample) const;

    static constexpr int32_t kGuard = 64;
    uint32_t m_guardBits;
    int32_t m_frames;
    int32_t m_stride;
    std::vector<float> m_storage;
    std::vector<float*> m_pointers;
};

// A reproducible signal: a different sine and noise per channel, within full scale, with a few exact values
// (full scale, negative zero, beyond full scale) at fixed places so that a pass-through must keep every bit.
void FillTestSignal(GuardedBuffers& buffers, int32_t frames, int64_t startFrame);

struct SampleScan {
    int64_t nan = 0;
    int64_t infinite = 0;
    int64_t denormal = 0;
};
void ScanSamples(const GuardedBuffers& buffers, int32_t frames, SampleScan& scan);

} // namespace orke::host
