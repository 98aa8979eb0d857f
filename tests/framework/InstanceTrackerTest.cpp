// The instance registry, loaded and unloaded as a module, over critical regions that count their use.
#include "PluginModule.h"

#include <CoreServices/CoreServices.h>

#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class OrkeAuBase;

// ---- the critical regions the module calls ----------------------------------------------------------------

namespace {
std::mutex g_lock;
std::atomic<int> g_created{0}, g_deleted{0}, g_entered{0}, g_exited{0}, g_strangers{0};
int g_regionStorage;
const auto g_region = reinterpret_cast<MPCriticalRegionID>(&g_regionStorage);
std::function<void()> g_onDelete;

OSStatus count(MPCriticalRegionID region, std::atomic<int>& counter) {
    g_strangers += region != g_region;
    ++counter;
    return noErr;
}
} // namespace

OSStatus MPCreateCriticalRegion(MPCriticalRegionID* region) {
    *region = g_region;
    return count(g_region, g_created);
}
OSStatus MPDeleteCriticalRegion(MPCriticalRegionID region) {
    if (g_onDelete) {
        g_onDelete();
    }
    return count(region, g_deleted);
}
OSStatus MPEnterCriticalRegion(MPCriticalRegionID region, Duration timeout) {
    EXPECT_EQ(timeout, kDurationForever);
    g_lock.lock();
    return count(region, g_entered);
}
OSStatus MPExitCriticalRegion(MPCriticalRegionID region) {
    count(region, g_exited);
    g_lock.unlock();
    return noErr;
}

// ---- the module -------------------------------------------------------------------------------------------

namespace {

OrkeAuBase* object(uintptr_t number) {
    return reinterpret_cast<OrkeAuBase*>(number * 16);
}

class Tracker : public PluginModule {
public:
    Tracker()
        : PluginModule(INSTANCE_TRACKER_MODULE_PATH)
        , add(reinterpret_cast<void (*)(OrkeAuBase*)>(Symbol("TrackerAdd")))
        , remove(reinterpret_cast<void (*)(OrkeAuBase*)>(Symbol("TrackerRemove")))
        , list(reinterpret_cast<size_t (*)(OrkeAuBase**, size_t)>(Symbol("TrackerInstances"))) {
        EXPECT_TRUE(add != nullptr && remove != nullptr && list != nullptr);
    }

    std::vector<OrkeAuBase*> Instances() const {
        std::vector<OrkeAuBase*> instances(list(nullptr, 0));
        list(instances.data(), instances.size());
        return instances;
    }

    void (*add)(OrkeAuBase*);
    void (*remove)(OrkeAuBase*);
    size_t (*list)(OrkeAuBase**, size_t);
};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kHeapCountsAreReal = false; // the sanitizers' allocators keep their own books
#else
constexpr bool kHeapCountsAreReal = true;
#endif

class InstanceTracker : public ::testing::Test {
protected:
    void SetUp() override {
        g_created = g_deleted = g_entered = g_exited = g_strangers = 0;
        g_onDelete = nullptr;
    }
    void TearDown() override { EXPECT_EQ(g_strangers, 0) << "a region other than the one made was used"; }
};

} // namespace

TEST_F(InstanceTracker, KeepsEveryEntryInOrderAndRemovesAllEqualOnes) {
    Tracker tracker;
    OrkeAuBase *p = object(1), *q = object(2), *r = object(3);
    struct Step {
        void (*Tracker::*operation)(OrkeAuBase*);
        OrkeAuBase* instance;
        std::vector<OrkeAuBase*> after;
    };
    const Step steps[] = {
        {&Tracker::remove, p, {}}, // from an empty registry
        {&Tracker::add, p, {p}},
        {&Tracker::add, q, {p, q}},
        {&Tracker::add, p, {p, q, p}},
        {&Tracker::add, r, {p, q, p, r}},
        {&Tracker::remove, p, {q, r}},
        {&Tracker::remove, object(9), {q, r}}, // never added
        {&Tracker::add, nullptr, {q, r, nullptr}},
        {&Tracker::add, q, {q, r, nullptr, q}},
        {&Tracker::remove, nullptr, {q, r, q}},
        {&Tracker::remove, q, {r}},
    };
    for (const Step& step : steps) {
        const int entered = g_entered, exited = g_exited;
        (tracker.*step.operation)(step.instance);
        EXPECT_EQ(g_entered - entered, 1) << "each change enters the region once";
        EXPECT_EQ(g_exited - exited, 1);
        EXPECT_EQ(tracker.Instances(), step.after);
    }
}

TEST_F(InstanceTracker, ThreadsAddingAndRemovingAtOnceLeaveWhatTheyKept) {
    constexpr int kThreads = 4, kEach = 2000;
    Tracker tracker;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 1; i <= kEach; ++i) {
                tracker.add(object(t * kEach + i));
                if (i % 2 == 0) {
                    tracker.remove(object(t * kEach + i - 1)); // the one added just before
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    // Each thread's even-numbered objects are there once, in the order that thread added them.
    const std::vector<OrkeAuBase*> instances = tracker.Instances();
    ASSERT_EQ(instances.size(), size_t(kThreads * kEach / 2));
    std::vector<uintptr_t> last(kThreads, 0);
    for (OrkeAuBase* instance : instances) {
        const uintptr_t number = reinterpret_cast<uintptr_t>(instance) / 16, thread = (number - 1) / kEach;
        ASSERT_LT(thread, uintptr_t(kThreads));
        EXPECT_EQ(number % 2, 0u);
        EXPECT_GT(number, last[thread]);
        last[thread] = number;
    }
}

TEST_F(InstanceTracker, LivesFromLoadToUnloadAndLeavesNothingBehind) {
    const auto heapInUse = [] {
        return mallinfo2().uordblks + mallinfo2().hblkhd;
    };
    { Tracker warmUp; } // the loader's own first-time allocations
    SetUp();
    size_t atDelete = 0;
    g_onDelete = [&] {
        atDelete = heapInUse();
    };
    const size_t beforeLoad = heapInUse();
    constexpr size_t kEntries = 5000;
    {
        Tracker tracker;
        EXPECT_EQ(g_created, 1) << "made when loaded, before any call";
        for (size_t i = 1; i <= kEntries; ++i) {
            tracker.add(object(i));
        }
        EXPECT_EQ(g_deleted, 0);
    }
    EXPECT_EQ(g_created, 1);
    EXPECT_EQ(g_deleted, 1);
    if (kHeapCountsAreReal) {
        EXPECT_GE(atDelete, beforeLoad + kEntries * sizeof(void*))
            << "the list's storage outlives the region";
        // Small blocks the loader frees may stay counted in the allocator's per-thread caches.
        EXPECT_LT(heapInUse(), beforeLoad + kEntries * sizeof(void*) / 4) << "and is freed after it";
    }
}
