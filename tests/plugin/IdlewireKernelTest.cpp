// The pass-through kernel under every buffer arrangement a host can give: whatever bulk copies it makes, the
// bytes must come out as the forward per-sample copy leaves them, on both channels and nowhere else.
#include "BaseHostCallback.h"
#include "Dispatch.h"
#include "EffectOpcodes.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr size_t kArenaBytes = 128 * 1024;

// Where one block's buffers lie, as byte offsets into one arena; a byte offset that is not a whole number
// of samples gives buffers that overlap by part of a sample.
struct Arrangement {
    size_t in[2];
    size_t out[2];
    int32_t frames;
};

// The definition: channel 0 then channel 1, each sample in increasing order, moved as four bytes.
void forwardCopy(std::vector<unsigned char>& arena, const Arrangement& a) {
    for (int c = 0; c < 2; ++c) {
        for (size_t k = 0; k < static_cast<size_t>(a.frames) * 4; k += 4) {
            std::memcpy(&arena[a.out[c] + k], &arena[a.in[c] + k], 4);
        }
    }
}

// Samples whose bits a float register might change: signalling and quiet NaNs with payloads, denormals,
// negative zero and infinities, mixed with random words.
std::vector<unsigned char> awkwardSamples() {
    const uint32_t special[] = {0x7f800001, 0xff812345, 0x7fc00000, 0xffffffff, 0x00000001,
                                0x807fffff, 0x80000000, 0x7f800000, 0xff800000, 0x3f800000};
    std::mt19937 random(2024);
    std::vector<unsigned char> arena(kArenaBytes);
    for (size_t i = 0; i < kArenaBytes; i += 4) {
        const uint32_t word = (i / 4) % 3 == 0 ? special[(i / 12) % std::size(special)] : random();
        std::memcpy(&arena[i], &word, 4);
    }
    return arena;
}

std::vector<Arrangement> arrangements() {
    std::vector<Arrangement> all;
    const size_t base = 32 * 1024; // room on both sides for every shift below
    for (int32_t frames : {0, 1, 2, 3, 4, 5, 7, 8, 9, 16, 17, 63, 64, 100, 255, 1024, 3001}) {
        const auto n = static_cast<long>(frames);
        for (long shift : {0L, 1L, 2L, 3L, 4L, 5L, 7L, 8L, 13L, 16L, 33L, n - 1, n, n + 1, 4000L}) {
            for (long sign : {1L, -1L}) {
                for (size_t misalign : {size_t{0}, size_t{4}, size_t{12}}) {
                    // Channel 0 shifted by whole samples; channel 1 the mirror image, well away from it.
                    const size_t in0 = base + misalign;
                    const size_t in1 = base + 48 * 1024 + misalign;
                    all.push_back({{in0, in1},
                                   {in0 + static_cast<size_t>(sign * shift * 4),
                                    in1 - static_cast<size_t>(sign * shift * 4)},
                                   frames});
                }
            }
        }
        for (long bytes : {1L, 2L, 3L, 6L, -2L, -5L}) { // buffers offset by part of a sample
            all.push_back({{base, base + 48 * 1024}, {base + bytes, base + 48 * 1024 - bytes}, frames});
        }
        // Across channels: swapped in place, and a chain where channel 1 reads what channel 0 wrote.
        all.push_back({{base, base + 20000}, {base + 20000, base}, frames});
        all.push_back({{base, base + 8}, {base + 8, base + 20}, frames});
    }
    return all;
}

} // namespace

TEST(IdlewireKernel, EveryArrangementLeavesTheBytesOfTheForwardCopy) {
    orke::PluginModule module(IDLEWIRE_PATH);
    AEffect* effect = module.Create(orke::BaseHostCallback);
    ASSERT_NE(effect, nullptr);
    Dispatch(effect, effOpen);
    Dispatch(effect, effSetBlockSize, 0, 4096);
    Dispatch(effect, effMainsChanged, 0, 1);
    const std::vector<unsigned char> start = awkwardSamples();
    for (const Arrangement& a : arrangements()) {
        std::vector<unsigned char> arena = start, expected = start;
        float* inputs[2] = {reinterpret_cast<float*>(&arena[a.in[0]]),
                            reinterpret_cast<float*>(&arena[a.in[1]])};
        float* outputs[2] = {reinterpret_cast<float*>(&arena[a.out[0]]),
                             reinterpret_cast<float*>(&arena[a.out[1]])};
        effect->processReplacing(effect, inputs, outputs, a.frames);
        forwardCopy(expected, a);
        const auto wrong = std::mismatch(arena.begin(), arena.end(), expected.begin()).first;
        EXPECT_TRUE(wrong == arena.end())
            << "frames " << a.frames << ", in " << a.in[0] << "/" << a.in[1] << ", out " << a.out[0] << "/"
            << a.out[1] << ": first wrong byte at " << wrong - arena.begin();
    }

    // The model above, pinned to numbers: a destination three samples into its source repeats the first three
    // samples, where a copy through a temporary (memmove) would shift the block instead.
    float samples[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    float* inputs[2] = {samples, samples + 11};
    float* outputs[2] = {samples + 3, samples + 11};
    effect->processReplacing(effect, inputs, outputs, 8);
    const float repeated[12] = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 12};
    EXPECT_EQ(std::memcmp(samples, repeated, sizeof(samples)), 0);
    EXPECT_EQ(Dispatch(effect, effClose), 1);
}
