// Orke Gain through its module's record: the programs' levels once the gain has settled, exactly where the
// level is 1 or -1, and the ramp that a jump in the gain parameter becomes.
#include "HostedExample.h"

#include <cstring>

namespace {

constexpr float kRate = 48000.0f;
constexpr size_t kRampFrames = 480; // 10 ms

// From another program, the host switches to each program mid-stream; once the ramp is over every sample is
// the input times the program's level: bit for bit where the level is 1 or -1.
TEST(OrkeGain, ProgramsSettleOnTheirLevel) {
    const struct {
        int from, to;
        float scale, tolerance; // tolerance 0: bit for bit
    } cases[] = {{2, 0, 1.0f, 0.0f}, {0, 1, 0.5f, 1e-6f}, {0, 2, 0.1f, 1e-6f}, {1, 3, -1.0f, 0.0f}};
    const std::vector<float> input = Sine(997.0, kRate, 9600);
    for (const auto& c : cases) {
        HostedExample gain(ORKE_GAIN_PATH, kRate);
        gain.SetProgram(c.from);
        gain.Render(input, 64);
        gain.SetProgram(c.to);
        const std::vector<float> output = gain.Render(input, 100);
        for (size_t k = kRampFrames; k < input.size(); ++k) {
            const float expected = input[k] * c.scale;
            const bool same = c.tolerance == 0.0f ? std::memcmp(&output[k], &expected, sizeof(float)) == 0
                                                  : std::fabs(output[k] - expected) <= c.tolerance;
            ASSERT_TRUE(same) << "program " << c.to << " frame " << k << ": " << output[k] << " for "
                              << input[k];
        }
    }
}

// A jump from 0 dB to -60 dB reaches the output as a ramp over 10 ms: with a constant input of 1 the output
// is the gain itself, and no step between two samples is larger than a 480th of the whole change.
TEST(OrkeGain, AJumpInGainBecomesATenMillisecondRamp) {
    HostedExample gain(ORKE_GAIN_PATH, kRate);
    gain.SetProgram(0);
    const std::vector<float> ones(4800, 1.0f);
    EXPECT_EQ(gain.Render(ones), ones);
    gain.SetParameter(0, 0.0f); // -60 dB
    const std::vector<float> output = gain.Render(ones, 64);
    const float finalGain = std::pow(10.0f, -3.0f);
    const float largestStep = (1.0f - finalGain) / kRampFrames * 1.0001f;
    float previous = 1.0f;
    for (size_t k = 0; k < output.size(); ++k) {
        ASSERT_LE(std::fabs(output[k] - previous), largestStep) << "frame " << k;
        previous = output[k];
    }
    EXPECT_GT(output[kRampFrames - 2], finalGain);
    EXPECT_EQ(output[kRampFrames - 1], finalGain);
    EXPECT_EQ(output.back(), finalGain);
}

} // namespace
