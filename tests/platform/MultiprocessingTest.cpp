// Critical regions: mutual exclusion, bounded waits and refused misuse.
#include <CoreServices/CoreServices.h>

#include <gtest/gtest.h>

#include <thread>

TEST(CriticalRegion, ExcludesOtherThreadsAndTimesOutBoundedWaits) {
    MPCriticalRegionID region = nullptr;
    ASSERT_EQ(MPCreateCriticalRegion(&region), noErr);
    long counter = 0; // deliberately not atomic: only the region protects it
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            MPEnterCriticalRegion(region, kDurationForever);
            ++counter;
            MPExitCriticalRegion(region);
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);

    ASSERT_EQ(MPEnterCriticalRegion(region, kDurationImmediate), noErr);
    std::thread([region] {
        for (const Duration timeout : {Duration(kDurationImmediate), Duration(5), Duration(-2000)}) {
            EXPECT_EQ(MPEnterCriticalRegion(region, timeout), kMPTimeoutErr) << timeout;
        }
        EXPECT_NE(MPExitCriticalRegion(region), noErr) << "another thread holds it";
    }).join();
    EXPECT_EQ(MPExitCriticalRegion(region), noErr);
    EXPECT_NE(MPExitCriticalRegion(region), noErr) << "left twice";
    EXPECT_EQ(MPDeleteCriticalRegion(region), noErr);

    EXPECT_EQ(MPCreateCriticalRegion(nullptr), kMPInvalidIDErr);
    EXPECT_EQ(MPEnterCriticalRegion(nullptr, kDurationForever), kMPInvalidIDErr);
    EXPECT_EQ(MPExitCriticalRegion(nullptr), kMPInvalidIDErr);
    EXPECT_EQ(MPDeleteCriticalRegion(nullptr), kMPInvalidIDErr);
}
