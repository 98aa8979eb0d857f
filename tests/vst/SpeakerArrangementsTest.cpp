// Building speaker arrangements: block sizes, clearing, release of old blocks, speaker copies and the
// failures that must leave a slot null.
#include "RecordingEffect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <utility>

using namespace vsttest;

// Arrangements are array blocks, so this program's array allocations go through here: a watched scope sees
// the size of each block made and each block released, new blocks arrive filled with garbage, and the next
// allocation can be made to fail.
namespace {

struct ArrayHeap {
    bool watching = false, failNext = false;
    size_t madeSize = 0;
    void* released[16] = {};
    int releasedCount = 0;

    bool wasReleased(const void* block) const {
        return std::find(released, released + releasedCount, block) != released + releasedCount;
    }
};
ArrayHeap g_heap;

struct Watch {
    Watch() {
        g_heap = ArrayHeap{};
        g_heap.watching = true;
    }
    ~Watch() { g_heap.watching = false; }
};

void* makeArray(size_t size) noexcept {
    if (g_heap.watching && std::exchange(g_heap.failNext, false)) {
        return nullptr;
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) {
        std::memset(block, 0xA5, size);
    }
    g_heap.madeSize = g_heap.watching ? size : g_heap.madeSize;
    return block;
}

void releaseArray(void* block) noexcept {
    if (g_heap.watching && block != nullptr && g_heap.releasedCount < 16) {
        g_heap.released[g_heap.releasedCount++] = block;
    }
    std::free(block);
}

} // namespace

// clang-format off
void* operator new[](std::size_t size) {
    if (void* block = makeArray(size)) {
        return block;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return makeArray(size); }
void operator delete[](void* block) noexcept { releaseArray(block); }
void operator delete[](void* block, std::size_t) noexcept { releaseArray(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { releaseArray(block); }
// clang-format on

namespace {

// A source arrangement as a host would hand it: every field of every speaker distinct, names filling their
// whole field without a terminator when the stem is long.
struct Source {
    explicit Source(int32_t channels, const std::string& stem = "Speaker")
        : storage(8 + 112 * static_cast<size_t>(std::max(channels, 0))) {
        arrangement()->type = 17;
        arrangement()->numChannels = channels;
        for (int32_t i = 0; i < channels; ++i) {
            VstSpeakerProperties& s = arrangement()->speakers[i];
            s = VstSpeakerProperties{
                0.25f * static_cast<float>(i), -1.5f, 2.0f + static_cast<float>(i), 9.0f, {}, 100 + i, {}};
            const std::string name = stem + " " + std::to_string(i);
            std::memcpy(s.name, name.data(), std::min(name.size() + 1, sizeof(s.name)));
            std::memset(s.future, 0x30 + i, sizeof(s.future));
        }
    }
    VstSpeakerArrangement* arrangement() { return reinterpret_cast<VstSpeakerArrangement*>(storage.data()); }

    std::vector<unsigned char> storage;
};

} // namespace

TEST(AllocateArrangement, MakesOneClearedBlockSizedForItsChannels) {
    for (const int32_t channels : {0, 1, 2, 6}) {
        SCOPED_TRACE(channels);
        DefaultsEffect effect;
        VstSpeakerArrangement* slot = nullptr;
        Watch watch;
        ASSERT_TRUE(effect.allocateArrangement(&slot, channels));
        const size_t size = 8 + 112 * static_cast<size_t>(channels); // 8 and 232 bytes for 0 and 2
        EXPECT_EQ(g_heap.madeSize, size);
        std::vector<unsigned char> expected(size, 0);
        std::memcpy(expected.data() + 4, &channels, 4);
        EXPECT_EQ(std::memcmp(slot, expected.data(), size), 0) << "zero but numChannels";
        effect.deallocateArrangement(&slot);
    }
}

TEST(AllocateArrangement, ReplacingOrDeallocatingReleasesTheOldBlock) {
    DefaultsEffect effect;
    VstSpeakerArrangement* slot = nullptr;
    Watch watch;
    ASSERT_TRUE(effect.allocateArrangement(&slot, 2));
    VstSpeakerArrangement* first = slot;
    ASSERT_TRUE(effect.allocateArrangement(&slot, 6));
    EXPECT_TRUE(g_heap.wasReleased(first));
    EXPECT_EQ(slot->numChannels, 6);

    VstSpeakerArrangement* second = slot;
    EXPECT_TRUE(effect.deallocateArrangement(&slot));
    EXPECT_EQ(slot, nullptr);
    EXPECT_TRUE(g_heap.wasReleased(second));
    EXPECT_TRUE(effect.deallocateArrangement(&slot)); // a null slot: nothing to release
    EXPECT_EQ(g_heap.releasedCount, 2);
}

// However allocation fails, the old block is gone and the slot is null, never left pointing at it.
TEST(AllocateArrangement, FailureLeavesTheSlotNull) {
    struct Failure {
        int32_t channels;
        bool heapRefuses;
    };
    std::vector<Failure> failures = {{-1, false}, {std::numeric_limits<int32_t>::min(), false}, {2, true}};
    if (sizeof(size_t) == 4) {
        failures.push_back({std::numeric_limits<int32_t>::max(), false}); // the byte size overflows
    }
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.channels);
        DefaultsEffect effect;
        VstSpeakerArrangement* slot = nullptr;
        Watch watch;
        ASSERT_TRUE(effect.allocateArrangement(&slot, 2));
        VstSpeakerArrangement* old = slot;
        g_heap.failNext = failure.heapRefuses;
        EXPECT_FALSE(effect.allocateArrangement(&slot, failure.channels));
        EXPECT_EQ(slot, nullptr);
        EXPECT_TRUE(g_heap.wasReleased(old));
    }
}

TEST(CopySpeaker, CopiesEveryFieldAndCutsNamesAt63WithTheRestNul) {
    struct Name {
        std::string source, copied;
    };
    const Name names[] = {{std::string(70, 'n'), std::string(63, 'n')},
                          {std::string(63, 'x'), std::string(63, 'x')},
                          {"Left front", "Left front"},
                          {"", ""}};
    DefaultsEffect effect;
    for (const Name& name : names) {
        SCOPED_TRACE(name.source.size());
        Source source(1, "");
        VstSpeakerProperties& from = source.arrangement()->speakers[0];
        std::memcpy(from.name, name.source.data(), std::min(name.source.size() + 1, sizeof(from.name)));
        VstSpeakerProperties to;
        std::memset(&to, 'z', sizeof(to));
        ASSERT_TRUE(effect.copySpeaker(&to, &from));

        VstSpeakerProperties expected = from;
        std::memset(expected.name, 0, sizeof(expected.name));
        std::memcpy(expected.name, name.copied.data(), name.copied.size());
        EXPECT_EQ(std::memcmp(&to, &expected, sizeof(to)), 0);
    }
}

TEST(CopySpeaker, EitherRecordMissingChangesNothing) {
    DefaultsEffect effect;
    Source source(1);
    VstSpeakerProperties to;
    std::memset(&to, 'z', sizeof(to));
    const VstSpeakerProperties before = to;
    EXPECT_FALSE(effect.copySpeaker(&to, nullptr));
    EXPECT_FALSE(effect.copySpeaker(nullptr, &source.arrangement()->speakers[0]));
    EXPECT_EQ(std::memcmp(&to, &before, sizeof(to)), 0);
}

TEST(MatchArrangement, MakesTheSlotAnExactCopyOfTheSource) {
    DefaultsEffect effect;
    Source source(6, std::string(70, 's'));
    VstSpeakerArrangement* slot = nullptr;
    Watch watch;
    ASSERT_TRUE(effect.allocateArrangement(&slot, 2));
    VstSpeakerArrangement* old = slot;

    ASSERT_TRUE(effect.matchArrangement(&slot, source.arrangement()));
    EXPECT_TRUE(g_heap.wasReleased(old));
    EXPECT_EQ(g_heap.madeSize, 8u + 672u);
    EXPECT_EQ(slot->type, 17);
    ASSERT_EQ(slot->numChannels, 6);
    for (int32_t i = 0; i < 6; ++i) {
        VstSpeakerProperties expected = source.arrangement()->speakers[i];
        expected.name[63] = '\0'; // the source's names fill all 64 bytes
        EXPECT_EQ(std::memcmp(&slot->speakers[i], &expected, sizeof(expected)), 0) << "speaker " << i;
    }
    effect.deallocateArrangement(&slot);
}

TEST(MatchArrangement, FailuresLeaveTheSlotAsTheirRuleSays) {
    DefaultsEffect effect;
    Source negative(0);
    negative.arrangement()->numChannels = -3;
    Source stereo(2);
    struct Case {
        const char* what;
        VstSpeakerArrangement* source;
        bool heapRefuses;
        bool slotKept; // else the slot is null
    };
    const Case cases[] = {
        {"no source", nullptr, false, true},
        {"negative channel count", negative.arrangement(), false, false},
        {"heap refuses", stereo.arrangement(), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VstSpeakerArrangement* slot = nullptr;
        Watch watch;
        ASSERT_TRUE(effect.allocateArrangement(&slot, 2));
        VstSpeakerArrangement* old = slot;
        g_heap.failNext = c.heapRefuses;
        EXPECT_FALSE(effect.matchArrangement(&slot, c.source));
        EXPECT_EQ(slot, c.slotKept ? old : nullptr);
        EXPECT_EQ(g_heap.wasReleased(old), !c.slotKept);
        effect.deallocateArrangement(&slot);
    }
}

// Matching a slot with its own block must not release the source it is about to copy.
TEST(MatchArrangement, FromItsOwnBlockKeepsIt) {
    DefaultsEffect effect;
    VstSpeakerArrangement* slot = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&slot, 2));
    slot->type = 5;
    VstSpeakerArrangement* own = slot;
    EXPECT_TRUE(effect.matchArrangement(&slot, own));
    EXPECT_EQ(slot, own);
    EXPECT_EQ(slot->type, 5);
    effect.deallocateArrangement(&slot);
}
