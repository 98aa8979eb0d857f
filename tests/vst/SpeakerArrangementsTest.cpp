// Building speaker arrangements: block sizes, clearing, release of old blocks, speaker copies and the
// failures that must leave a slot null.
#include "RecordingEffect.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

using namespace vsttest;

// Arrangements are array blocks, so this program's array allocations come through here: the size of the
// last block made and the last block released are noted, the next allocation can be made to fail, and new
// blocks arrive filled with garbage so that clearing shows.
namespace {

struct ArrayHeap {
    bool failNext = false;
    size_t lastMade = 0;
    const void* lastReleased = nullptr;
} g_heap;

void* makeArray(size_t size) noexcept {
    void* block = std::exchange(g_heap.failNext, false) ? nullptr : std::malloc(size + 1);
    if (block != nullptr) {
        std::memset(block, 0xA5, size);
        g_heap.lastMade = size;
    }
    return block;
}

void releaseArray(void* block) noexcept {
    g_heap.lastReleased = block != nullptr ? block : g_heap.lastReleased;
    std::free(block);
}

} // namespace

// clang-format off
void* operator new[](std::size_t size) { void* block = makeArray(size); return block ? block : throw std::bad_alloc(); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return makeArray(size); }
void operator delete[](void* block) noexcept { releaseArray(block); }
void operator delete[](void* block, std::size_t) noexcept { releaseArray(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { releaseArray(block); }
// clang-format on

namespace {

// A source arrangement as a host would hand it: every field of every speaker distinct, each name written
// into its field with garbage after the terminator, or filling the field without one when it is long.
std::vector<unsigned char> source(const std::vector<std::string>& names) {
    std::vector<unsigned char> block(8 + 112 * names.size());
    auto* arrangement = reinterpret_cast<VstSpeakerArrangement*>(block.data());
    arrangement->type = 17;
    arrangement->numChannels = static_cast<int32_t>(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        const auto n = static_cast<int32_t>(i);
        VstSpeakerProperties& s = arrangement->speakers[i];
        s = VstSpeakerProperties{
            0.25f * static_cast<float>(n), -1.5f, 2.0f + static_cast<float>(n), 9.0f, {}, 100 + n, {}};
        std::memset(s.name, 'g', sizeof(s.name));
        std::memcpy(s.name, names[i].data(), std::min(names[i].size() + 1, sizeof(s.name)));
        std::memset(s.future, 0x30 + n, sizeof(s.future));
    }
    return block;
}

VstSpeakerArrangement* arrangementIn(std::vector<unsigned char>& block) {
    return reinterpret_cast<VstSpeakerArrangement*>(block.data());
}

} // namespace

TEST(AllocateArrangement, MakesOneClearedBlockSizedForItsChannelsAndReleasesTheOld) {
    DefaultsEffect effect;
    VstSpeakerArrangement* slot = nullptr;
    for (const int32_t channels : {0, 2, 6}) {
        VstSpeakerArrangement* old = slot;
        g_heap.lastReleased = nullptr; // a released block's address may come back from the next allocation
        ASSERT_TRUE(effect.allocateArrangement(&slot, channels));
        EXPECT_EQ(g_heap.lastReleased, old);
        const size_t size = 8 + 112 * static_cast<size_t>(channels); // 8 and 232 bytes for 0 and 2
        EXPECT_EQ(g_heap.lastMade, size);
        std::vector<unsigned char> expected(size, 0);
        std::memcpy(expected.data() + 4, &channels, 4);
        EXPECT_EQ(std::memcmp(slot, expected.data(), size), 0) << channels << ": zero but numChannels";
    }
    VstSpeakerArrangement* last = slot;
    g_heap.lastReleased = nullptr;
    EXPECT_TRUE(effect.deallocateArrangement(&slot));
    EXPECT_TRUE(effect.deallocateArrangement(&slot)); // a null slot: nothing more to release
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(g_heap.lastReleased, last);
}

// However building fails, the old block is gone and the slot is null, never left pointing at it. Without a
// source, or from its own block, the slot is kept.
TEST(Arrangements, FailuresLeaveTheSlotNull) {
    std::vector<unsigned char> negative = source({}), stereo = source({"L", "R"});
    arrangementIn(negative)->numChannels = -3;
    struct Failure {
        int32_t channels; // for allocateArrangement, when there is no source to match
        VstSpeakerArrangement* source;
        bool heapRefuses;
    };
    // clang-format off
    std::vector<Failure> failures = {{-1, nullptr, false}, {std::numeric_limits<int32_t>::min(), nullptr, false},
        {2, nullptr, true}, {0, arrangementIn(negative), false}, {0, arrangementIn(stereo), true}};
    // clang-format on
    if (sizeof(size_t) == 4) {
        failures.push_back({std::numeric_limits<int32_t>::max(), nullptr, false}); // the byte size overflows
    }
    DefaultsEffect effect;
    VstSpeakerArrangement* slot = nullptr;
    for (const Failure& f : failures) {
        SCOPED_TRACE(testing::Message() << f.channels << (f.source ? " matched" : "") << f.heapRefuses);
        ASSERT_TRUE(effect.allocateArrangement(&slot, 2));
        VstSpeakerArrangement* old = slot;
        g_heap = ArrayHeap{f.heapRefuses};
        EXPECT_FALSE(f.source != nullptr ? effect.matchArrangement(&slot, f.source)
                                         : effect.allocateArrangement(&slot, f.channels));
        EXPECT_EQ(slot, nullptr);
        EXPECT_EQ(g_heap.lastReleased, old);
    }
    ASSERT_TRUE(effect.allocateArrangement(&slot, 2));
    VstSpeakerArrangement* own = slot;
    g_heap.lastReleased = nullptr;
    EXPECT_FALSE(effect.matchArrangement(&slot, nullptr));
    EXPECT_TRUE(effect.matchArrangement(&slot, own));
    EXPECT_EQ(slot, own);
    EXPECT_EQ(g_heap.lastReleased, nullptr);
    effect.deallocateArrangement(&slot);
}

// A 6-channel source into a 2-channel slot, and each speaker on its own: every field copied, each name cut at
// 63 characters with the rest of its field NUL.
TEST(MatchArrangement, MakesTheSlotACopyOfTheSource) {
    const std::vector<std::string> names = {
        std::string(70, 'n'), std::string(64, 's'), std::string(63, 'x'), "Left front", "", "R"};
    std::vector<unsigned char> block = source(names);
    DefaultsEffect effect;
    VstSpeakerArrangement* slot = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&slot, 2));
    VstSpeakerArrangement* old = slot;
    g_heap.lastReleased = nullptr;
    ASSERT_TRUE(effect.matchArrangement(&slot, arrangementIn(block)));
    EXPECT_EQ(g_heap.lastReleased, old);
    EXPECT_EQ(g_heap.lastMade, 8u + 672u);
    EXPECT_EQ(slot->type, 17);
    ASSERT_EQ(slot->numChannels, 6);
    for (size_t i = 0; i < names.size(); ++i) {
        VstSpeakerProperties expected = arrangementIn(block)->speakers[i];
        std::memset(expected.name, 0, sizeof(expected.name));
        std::memcpy(expected.name, names[i].data(), std::min<size_t>(names[i].size(), 63));
        EXPECT_EQ(std::memcmp(&slot->speakers[i], &expected, sizeof(expected)), 0) << "speaker " << i;
        VstSpeakerProperties copy; // over garbage, the rest of the name field is still NUL
        std::memset(&copy, 'z', sizeof(copy));
        ASSERT_TRUE(effect.copySpeaker(&copy, &arrangementIn(block)->speakers[i]));
        EXPECT_EQ(std::memcmp(&copy, &expected, sizeof(expected)), 0) << "copied speaker " << i;
    }
    EXPECT_FALSE(effect.copySpeaker(&slot->speakers[0], nullptr));
    EXPECT_FALSE(effect.copySpeaker(nullptr, &slot->speakers[0]));
    effect.deallocateArrangement(&slot);
}
