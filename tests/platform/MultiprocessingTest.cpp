// Critical regions: mutual exclusion, timeouts and refused misuse.
#include <CoreServices/CoreServices.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class Region : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(MPCreateCriticalRegion(&region), noErr); }
    void TearDown() override { EXPECT_EQ(MPDeleteCriticalRegion(region), noErr); }

    // Runs `body` on another thread while that thread holds the region.
    template <typename Body>
    void whileHeldElsewhere(Body body) {
        std::atomic<bool> held{false}, done{false};
        std::thread holder([&] {
            EXPECT_EQ(MPEnterCriticalRegion(region, kDurationForever), noErr);
            held = true;
            while (!done) {
                std::this_thread::yield();
            }
            EXPECT_EQ(MPExitCriticalRegion(region), noErr);
        });
        while (!held) {
            std::this_thread::yield();
        }
        body();
        done = true;
        holder.join();
    }

    MPCriticalRegionID region = nullptr;
};

} // namespace

TEST_F(Region, LetsOneThreadInAtATime) {
#if ORKE_TESTS_WITHOUT_THREADS
    GTEST_SKIP() << "this build's emulator cannot run threads";
#endif
    long counter = 0; // deliberately not atomic: only the region protects it
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            ASSERT_EQ(MPEnterCriticalRegion(region, kDurationForever), noErr);
            ++counter;
            ASSERT_EQ(MPExitCriticalRegion(region), noErr);
        }
    };
    std::thread a(work), b(work), c(work);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(counter, 60000);
}

TEST_F(Region, BoundedWaitsTimeOutWhileAnotherThreadHoldsIt) {
#if ORKE_TESTS_WITHOUT_THREADS
    GTEST_SKIP() << "this build's emulator cannot run threads";
#endif
    whileHeldElsewhere([&] {
        for (const Duration timeout : {Duration(kDurationImmediate), Duration(5), Duration(-2000)}) {
            EXPECT_EQ(MPEnterCriticalRegion(region, timeout), kMPTimeoutErr) << timeout;
        }
        // Leaving a region another thread holds is refused and leaves it held.
        EXPECT_NE(MPExitCriticalRegion(region), noErr);
        EXPECT_EQ(MPEnterCriticalRegion(region, kDurationImmediate), kMPTimeoutErr);
    });
    EXPECT_EQ(MPEnterCriticalRegion(region, kDurationImmediate), noErr);
    EXPECT_EQ(MPExitCriticalRegion(region), noErr);
    EXPECT_NE(MPExitCriticalRegion(region), noErr) << "left twice";
}

TEST(RegionCalls, RefuseANullRegion) {
    EXPECT_EQ(MPCreateCriticalRegion(nullptr), kMPInvalidIDErr);
    EXPECT_EQ(MPEnterCriticalRegion(nullptr, kDurationForever), kMPInvalidIDErr);
    EXPECT_EQ(MPExitCriticalRegion(nullptr), kMPInvalidIDErr);
    EXPECT_EQ(MPDeleteCriticalRegion(nullptr), kMPInvalidIDErr);
}
