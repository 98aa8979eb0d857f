// The instance registry, alone in a module with its critical regions, loaded and unloaded by the test.
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

class OrkeAuBase;

namespace {

using List = std::vector<OrkeAuBase*>;

OrkeAuBase* object(uintptr_t number) {
    return reinterpret_cast<OrkeAuBase*>(number * 16);
}

// The bytes the heap has handed out; 0 under the sanitizers, whose allocators keep their own books.
size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return 0;
#else
    return mallinfo2().uordblks + mallinfo2().hblkhd;
#endif
}

// The registry's own functions, found by name in the module.
struct Tracker : orke::PluginModule {
    Tracker()
        : orke::PluginModule(INSTANCE_TRACKER_MODULE_PATH) {
        EXPECT_NE(add, nullptr);
        EXPECT_NE(remove, nullptr);
        EXPECT_NE(instances, nullptr);
    }
    using Change = void (*)(OrkeAuBase*);
    Change add = reinterpret_cast<Change>(Symbol("_ZN19OrkeInstanceTracker11AddInstanceEP10OrkeAuBase"));
    Change remove =
        reinterpret_cast<Change>(Symbol("_ZN19OrkeInstanceTracker14RemoveInstanceEP10OrkeAuBase"));
    List (*instances)() =
        reinterpret_cast<List (*)()>(Symbol("_ZN29OrkeInstanceTrackerTestAccess9InstancesEv"));
};

// The registry keeps every entry in order and removes all equal ones; unloading it leaves nothing behind.
TEST(InstanceTracker, KeepsEveryEntryInOrderAndLeavesNothingBehind) {
    { Tracker warmUp; } // the loader's own first-time allocations
    const size_t beforeLoad = heapInUse();
    auto tracker = std::make_unique<Tracker>();
    OrkeAuBase *p = object(1), *q = object(2), *r = object(3);
    const struct {
        bool add;
        OrkeAuBase* instance;
        List after;
    } steps[] = {
        // clang-format off
        {false, p, {}},        {true, p, {p}},               {true, q, {p, q}},   {true, p, {p, q, p}},
        {true, r, {p, q, p, r}},  {false, p, {q, r}},        {false, object(9), {q, r}}, // never added
        {true, nullptr, {q, r, nullptr}}, {true, q, {q, r, nullptr, q}}, {false, nullptr, {q, r, q}},
        {false, q, {r}},
        // clang-format on
    };
    for (const auto& step : steps) {
        (step.add ? tracker->add : tracker->remove)(step.instance);
        EXPECT_EQ(tracker->instances(), step.after);
    }
    constexpr size_t kEntries = 5000;
    for (size_t i = 1; i <= kEntries; ++i) {
        tracker->add(object(i));
    }
    EXPECT_TRUE(heapInUse() == 0 || heapInUse() > beforeLoad + kEntries * sizeof(void*));
    tracker.reset();
    // Small blocks the loader frees may stay counted in the allocator's per-thread caches.
    EXPECT_LT(heapInUse(), beforeLoad + kEntries * sizeof(void*) / 4);
}

// Each thread adds its numbers and removes every odd one just after adding the next: the even numbers of
// all threads are left, once each.
TEST(InstanceTracker, ThreadsAddingAndRemovingAtOnceLeaveWhatTheyKept) {
    constexpr uintptr_t kThreads = 4, kEach = 2000;
    Tracker tracker;
    std::vector<std::thread> threads;
    for (uintptr_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (uintptr_t i = 1; i <= kEach; ++i) {
                tracker.add(object(t * kEach + i));
                if (i % 2 == 0) {
                    tracker.remove(object(t * kEach + i - 1));
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    List expected, instances = tracker.instances();
    for (uintptr_t number = 2; number <= kThreads * kEach; number += 2) {
        expected.push_back(object(number));
    }
    std::sort(instances.begin(), instances.end());
    EXPECT_TRUE(instances == expected) << instances.size() << " entries";
}

} // namespace
