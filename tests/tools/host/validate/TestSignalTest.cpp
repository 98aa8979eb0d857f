// Guarded buffers: every write outside the block seen, and the markers known after arithmetic.
#include "TestSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace orke::host;

// What the validator sees of bad values and of writes past the end is shown on a misbehaving module; a write
// before the block, and how far each write reached, are shown here.
TEST(GuardedBuffers, SeeEveryWriteOutsideTheBlock) {
    struct Case {
        int offset;
        bool before;
        int32_t reach;
    };
    for (const Case& expected :
         {Case{-1, true, 1}, Case{-64, true, 64}, Case{64, false, 1}, Case{127, false, 64}}) {
        GuardedBuffers buffers(2, 64);
        buffers.Channel(1)[expected.offset] = 0.0f;
        GuardedBuffers::Trespass trespass;
        ASSERT_TRUE(buffers.FindTrespass(trespass)) << expected.offset;
        EXPECT_FALSE(buffers.GuardsIntact());
        EXPECT_EQ(trespass.channel, 1);
        EXPECT_EQ(trespass.before, expected.before) << expected.offset;
        EXPECT_EQ(trespass.reach, expected.reach) << expected.offset;
    }
    GuardedBuffers buffers(2, 64);
    buffers.Channel(0)[0] = buffers.Channel(1)[63] = 0.0f;
    EXPECT_TRUE(buffers.GuardsIntact());
    EXPECT_EQ(buffers.CountUntouched(64), 126);
}

// A marker comes back through arithmetic quietened or negated; it still says whose it was.
TEST(GuardedBuffers, MarkersAreKnownAfterArithmetic) {
    GuardedBuffers input(1, 4, kInputGuard);
    GuardedBuffers output(1, 4, kOutputGuard);
    const float in = input.Channel(0)[0];
    const float out = output.Channel(0)[0];
    for (const auto& [sample, origin] :
         {std::pair{in, kInputGuard}, std::pair{in * 0.5f, kInputGuard}, std::pair{-in, kInputGuard},
          std::pair{out + 1.0f, kOutputGuard}, std::pair{std::nanf(""), 0u}, std::pair{1.5f, 0u}}) {
        EXPECT_EQ(GuardOrigin(sample), origin) << sample;
    }
}
