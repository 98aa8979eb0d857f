#include "TestSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using orke::host::GuardedBuffers;

TEST(GuardedBuffers, SeeEveryWriteOutsideTheBlock) {
    for (int offset : {-1, -64, 64, 127}) {
        GuardedBuffers buffers(2, 64);
        EXPECT_TRUE(buffers.GuardsIntact());
        buffers.Channel(1)[offset] = 0.0f;
        EXPECT_FALSE(buffers.GuardsIntact()) << offset;
    }
    GuardedBuffers buffers(2, 64);
    buffers.Channel(0)[0] = 0.0f;
    buffers.Channel(1)[63] = 0.0f;
    EXPECT_TRUE(buffers.GuardsIntact());
    EXPECT_EQ(buffers.CountUntouched(64), 126);
    EXPECT_FALSE(buffers.UntouchedFor(1));
    buffers.FillWithGuardPattern();
    EXPECT_TRUE(buffers.UntouchedFor(64));
}

TEST(TestSignal, IsTheSameHoweverItIsCutIntoBlocksAndHoldsTheExactValues) {
    GuardedBuffers whole(2, 2048);
    orke::host::FillTestSignal(whole, 2048, 0);
    GuardedBuffers part(2, 1024);
    orke::host::FillTestSignal(part, 1024, 1024);
    EXPECT_EQ(std::memcmp(whole.Channel(1) + 1024, part.Channel(1), 1024 * sizeof(float)), 0);
    EXPECT_NE(std::memcmp(whole.Channel(0), whole.Channel(1), 1024 * sizeof(float)), 0) << "channels differ";
    EXPECT_TRUE(std::signbit(whole.Channel(0)[13]) && whole.Channel(0)[13] == 0.0f);
    EXPECT_EQ(whole.Channel(0)[17], 1.5f);
    orke::host::SampleScan scan;
    orke::host::ScanSamples(whole, 2048, scan);
    EXPECT_EQ(scan.nan + scan.infinite + scan.denormal, 0);
    whole.Channel(0)[5] = 1e-40f;
    whole.Channel(1)[6] = std::nanf("");
    whole.Channel(1)[7] = -INFINITY;
    scan = {};
    orke::host::ScanSamples(whole, 2048, scan);
    EXPECT_EQ(scan.denormal, 1);
    EXPECT_EQ(scan.nan, 1);
    EXPECT_EQ(scan.infinite, 1);
}
