// OrkeSmoothedValue: ramps of their set length that land on the target exactly, from wherever the value is.
#include "OrkeSmoothedValue.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Each ramp: no step larger than its share of the change, the target exactly on the ramp's last frame, and
// settled from then on.
TEST(OrkeSmoothedValue, RampsLandExactlyOnTheirTarget) {
    const struct {
        unsigned long frames;
        float from, to;
    } cases[] = {{480, 1.0f, 0.001f}, {1, 0.3f, -0.7f}, {7, 0.1f, 0.2f}, {1000, -1.0f, 1.0f}};
    for (const auto& c : cases) {
        OrkeSmoothedValue value(c.from);
        value.SetRampFrames(c.frames);
        value.SetTarget(c.to);
        const float largestStep = std::fabs(c.to - c.from) / static_cast<float>(c.frames) * 1.0001f;
        float previous = c.from;
        for (unsigned long k = 0; k < c.frames; ++k) {
            ASSERT_FALSE(value.Settled()) << c.frames << ": frame " << k;
            const float next = value.Next();
            ASSERT_LE(std::fabs(next - previous), largestStep) << c.frames << ": frame " << k;
            previous = next;
        }
        EXPECT_EQ(previous, c.to) << c.frames;
        EXPECT_TRUE(value.Settled()) << c.frames;
        EXPECT_EQ(value.Next(), c.to) << c.frames;
    }
}

TEST(OrkeSmoothedValue, RetargetsJumpsAndRampLengths) {
    OrkeSmoothedValue value(0.0f);
    value.SetRampFrames(10);
    value.SetTarget(1.0f);
    value.Next();
    value.Next();
    const float midway = value.Next();
    value.SetTarget(0.0f); // back from where it is, over a whole ramp
    EXPECT_EQ(value.FramesLeft(), 10u);
    EXPECT_LT(value.Next(), midway);
    value.SetTarget(0.0f); // the same target: the ramp goes on as it was
    EXPECT_EQ(value.FramesLeft(), 9u);
    value.Jump(0.5f);
    EXPECT_TRUE(value.Settled());
    EXPECT_EQ(value.Next(), 0.5f);

    const struct {
        float seconds, rate;
        unsigned long frames;
        // clang-format off
    } lengths[] = {{0.010f, 48000.0f, 480}, {0.010f, 44100.0f, 441}, {0.0f, 48000.0f, 1}, {NAN, 48000.0f, 1},
                   {-1.0f, 48000.0f, 1}, {1e30f, 1e30f, OrkeSmoothedValue::kLongestRamp}};
    // clang-format on
    for (const auto& l : lengths) {
        value.SetRampSeconds(l.seconds, l.rate);
        value.SetTarget(value.Target() + 1.0f);
        EXPECT_EQ(value.FramesLeft(), l.frames) << l.seconds << " s at " << l.rate;
    }
    value.SetRampFrames(0);
    value.SetTarget(value.Target() + 1.0f);
    EXPECT_EQ(value.FramesLeft(), 1u);
}

} // namespace
