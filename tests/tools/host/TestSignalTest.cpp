#include "TestSignal.h"

#include <gtest/gtest.h>

// What the validator sees of bad values and of writes past the end is shown on a misbehaving module; a write
// before the block is shown here.
TEST(GuardedBuffers, SeeEveryWriteOutsideTheBlock) {
    for (int offset : {-1, -64, 64, 127}) {
        orke::host::GuardedBuffers buffers(2, 64);
        buffers.Channel(1)[offset] = 0.0f;
        EXPECT_FALSE(buffers.GuardsIntact()) << offset;
    }
    orke::host::GuardedBuffers buffers(2, 64);
    buffers.Channel(0)[0] = buffers.Channel(1)[63] = 0.0f;
    EXPECT_TRUE(buffers.GuardsIntact());
    EXPECT_EQ(buffers.CountUntouched(64), 126);
}
