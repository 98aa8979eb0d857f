// The guarded heap on its own (orke-host's allocator functions, its only way in, are not linked here): fresh
// poisoned or zeroed blocks, and a fault at once or at release for what a plug-in does wrong with one.
#include "GuardedHeap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstring>

#include <sys/wait.h>

using namespace orke::host;

namespace {

void useHeap() {
    g_guardedHeapReachable = true;
    ASSERT_TRUE(UseGuardedHeap(64));
}

} // namespace

TEST(GuardedHeap, BlocksArePoisonedOrZeroedAlignedAndNeverHandedOutAgain) {
    useHeap();
    EXPECT_EQ(GuardedAllocate(63, 16), nullptr) << "smaller than the heap takes: the system's";
    EXPECT_EQ(GuardedAllocate(4096, 8192), nullptr) << "an alignment beyond a page";
    for (size_t alignment : {size_t{16}, size_t{64}, size_t{4096}}) {
        for (bool zeroed : {false, true}) {
            auto* block = static_cast<unsigned char*>(GuardedAllocate(1000, alignment, zeroed));
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignment, 0u);
            EXPECT_TRUE(GuardedOwns(block));
            EXPECT_EQ(GuardedSize(block), 1000u);
            EXPECT_EQ(std::count(block, block + 1000, zeroed ? 0 : kGuardedPoison), 1000)
                << (zeroed ? "zeroed" : "poisoned");
            GuardedRelease(block);
        }
        auto* block = static_cast<unsigned char*>(GuardedAllocate(1000, alignment));
        std::memset(block, 0xFF, 1000);
        GuardedRelease(block);
        void* next = GuardedAllocate(1000, alignment);
        EXPECT_NE(next, block);
        GuardedRelease(next);
    }
    int onStack = 0;
    EXPECT_FALSE(GuardedOwns(&onStack));
}

// A fault on a guard page: SIGSEGV, or under a sanitizer, which takes the signal itself, the end its report
// makes (an abort or an error status, as its options say).
static bool faulted(int status) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
#else
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV;
#endif
}

TEST(GuardedHeapDeathTest, WritesOutsideABlockAndUseAfterReleaseFault) {
    useHeap();
    // A block whose size is a multiple of 16 ends at its guard page.
    EXPECT_EXIT(static_cast<volatile char*>(GuardedAllocate(256, 16))[256] = 1, faulted, "");
    EXPECT_EXIT(
        {
            auto* block = static_cast<volatile char*>(GuardedAllocate(256, 16));
            GuardedRelease(const_cast<char*>(block));
            block[0] = 1;
        },
        faulted, "");
    // Within the bytes kept for alignment, or before the block: found when it is released.
    EXPECT_EXIT(
        {
            auto* block = static_cast<char*>(GuardedAllocate(250, 16));
            block[251] = 1;
            GuardedRelease(block);
        },
        ::testing::KilledBySignal(SIGABRT), "the plug-in wrote past the end of a heap block of 250 bytes");
    EXPECT_EXIT(
        {
            auto* block = static_cast<char*>(GuardedAllocate(250, 16));
            std::memset(block - 16, 0x42, 16);
            GuardedRelease(block);
        },
        ::testing::KilledBySignal(SIGABRT), "the plug-in wrote before the start of a heap block");
}
