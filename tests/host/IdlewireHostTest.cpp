// Idlewire as a host sees it: loaded from its module, created through the entry, driven through the record.
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "PluginModule.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

// The plug-in built by default has the PowerPC behaviour when compiled for PowerPC, unless the build forced
// the choice (IDLEWIRE_FORCED_BEHAVIOUR 0 or 1; -1 when left to the processor).
#if IDLEWIRE_FORCED_BEHAVIOUR >= 0
constexpr bool kDefaultHasPowerPcBehaviour = IDLEWIRE_FORCED_BEHAVIOUR == 1;
#elif defined(__powerpc__)
constexpr bool kDefaultHasPowerPcBehaviour = true;
#else
constexpr bool kDefaultHasPowerPcBehaviour = false;
#endif

struct Build {
    const char* name;
    const char* path;
    bool powerPcBehaviour;
    int32_t flags() const { return powerPcBehaviour ? 280 : 272; }
};

const Build kBuilds[] = {
    {"Default", IDLEWIRE_PATH, kDefaultHasPowerPcBehaviour},
    {"PowerPC", IDLEWIRE_POWERPC_BEHAVIOUR_PATH, true},
};

using Entry = AEffect* (*)(audioMasterCallback);

class IdlewireHost : public ::testing::TestWithParam<Build> {
protected:
    PluginModule module{GetParam().path};
    RecordingHost host;
};

std::string buildName(const ::testing::TestParamInfo<Build>& info) {
    return info.param.name;
}

bool allZero(const void* bytes, size_t size) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        if (p[i] != 0) {
            return false;
        }
    }
    return true;
}

size_t heapInUse() {
    return mallinfo2().uordblks;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kHeapCountsAreReal = false; // the sanitizer's allocator keeps its own books
#else
constexpr bool kHeapCountsAreReal = true;
#endif

} // namespace

TEST_P(IdlewireHost, AsksForTheHostVersionFirstWithNoRecord) {
    AEffect* effect = module.Create(RecordingHost::Callback);
    ASSERT_NE(effect, nullptr);
    ASSERT_FALSE(host.Calls().empty());
    const HostCall& first = host.Calls().front();
    EXPECT_EQ(first.effect, nullptr);
    EXPECT_EQ(first.opcode, audioMasterVersion);
    EXPECT_EQ(first.index, 0);
    EXPECT_EQ(first.value, 0);
    EXPECT_EQ(first.ptr, nullptr);
    EXPECT_EQ(first.opt, 0.0f);
    EXPECT_EQ(Dispatch(effect, effClose), 1);
}

TEST_P(IdlewireHost, AHostAnsweringVersionZeroGetsNothing) {
    host.Answer(audioMasterVersion, 0);
    const size_t before = heapInUse();
    EXPECT_EQ(module.Create(RecordingHost::Callback), nullptr);
    if (kHeapCountsAreReal) {
        EXPECT_EQ(heapInUse(), before) << "no object may be made";
    }
    auto entry = reinterpret_cast<Entry>(module.Symbol("VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
}

TEST_P(IdlewireHost, MainMachoExistsOnlyInThePowerPcBuildAndAnswersAsTheEntry) {
    auto macho = reinterpret_cast<Entry>(module.Symbol("main_macho"));
    if (!GetParam().powerPcBehaviour) {
        EXPECT_EQ(macho, nullptr);
        return;
    }
    ASSERT_NE(macho, nullptr);
    AEffect* effect = macho(RecordingHost::Callback);
    ASSERT_NE(effect, nullptr);
    ASSERT_EQ(host.CallsOf(audioMasterVersion).size(), 1u);
    EXPECT_EQ(host.Calls().front().opcode, audioMasterVersion);
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(effect->uniqueID, 0x4F4B6977);
    EXPECT_EQ(effect->flags, 280);
    EXPECT_EQ(Dispatch(effect, effClose), 1);

    host.Answer(audioMasterVersion, 0);
    EXPECT_EQ(macho(RecordingHost::Callback), nullptr);
    EXPECT_EQ(macho(nullptr), nullptr);
}

TEST_P(IdlewireHost, RecordDescribesAStereoInstrument) {
    AEffect* effect = module.Create(RecordingHost::Callback);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->uniqueID, 0x4F4B6977);
    EXPECT_EQ(effect->uniqueID, 1330342263);
    EXPECT_EQ(effect->flags, GetParam().flags());
    EXPECT_EQ(effect->numPrograms, 8);
    EXPECT_EQ(effect->numParams, 1);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_EQ(effect->reserved1, 0);
    EXPECT_EQ(effect->reserved2, 0);
    EXPECT_TRUE(allZero(effect->reserved, sizeof(effect->reserved)));
    EXPECT_NE(effect->dispatcher, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->setParameter, nullptr);
    EXPECT_NE(effect->getParameter, nullptr);
    EXPECT_EQ(Dispatch(effect, effClose), 1);
}

TEST_P(IdlewireHost, PassesEveryBlockThroughBitForBit) {
    AEffect* effect = module.Create(RecordingHost::Callback);
    ASSERT_NE(effect, nullptr);
    Dispatch(effect, effOpen);
    Dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    Dispatch(effect, effSetBlockSize, 0, 512);
    Dispatch(effect, effMainsChanged, 0, 1);

    std::mt19937 random(1234);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    for (int32_t frames : {0, 1, 511, 512}) {
        SCOPED_TRACE(frames);
        std::vector<float> in[2], out[2];
        for (int c = 0; c < 2; ++c) {
            in[c].resize(static_cast<size_t>(frames) + 1);
            for (float& s : in[c]) {
                s = sample(random);
            }
            out[c].assign(in[c].size(), 7.0f);
        }
        // Separate buffers: each output a copy of its input, nothing written past the block.
        float* inputs[2] = {in[0].data(), in[1].data()};
        float* outputs[2] = {out[0].data(), out[1].data()};
        effect->processReplacing(effect, inputs, outputs, frames);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(std::memcmp(out[c].data(), in[c].data(), sizeof(float) * static_cast<size_t>(frames)),
                      0);
            EXPECT_EQ(out[c][static_cast<size_t>(frames)], 7.0f);
        }
        // In place: the buffers come back unchanged.
        std::vector<float> copy[2] = {in[0], in[1]};
        effect->processReplacing(effect, inputs, inputs, frames);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(in[c], copy[c]);
        }
    }

    Dispatch(effect, effMainsChanged, 0, 0);
    EXPECT_EQ(Dispatch(effect, effClose), 1);
}

TEST_P(IdlewireHost, CloseReleasesEverythingThePluginMade) {
    // A first cycle settles what the process sets up once (the first allocation of a module's own, say).
    if (AEffect* warmUp = module.Create(RecordingHost::Callback)) {
        Dispatch(warmUp, effClose);
    }
    const size_t heapBefore = heapInUse();
    AEffect* effect = module.Create(RecordingHost::Callback);
    const size_t heapWithPlugin = heapInUse();
    const intptr_t closed = effect != nullptr ? Dispatch(effect, effClose) : 0;
    const size_t heapAfter = heapInUse();

    EXPECT_EQ(closed, 1);
    if (kHeapCountsAreReal) {
        EXPECT_GT(heapWithPlugin, heapBefore);
        EXPECT_EQ(heapAfter, heapBefore) << "the destructor chain must release programs, kernels and arrays";
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, IdlewireHost, ::testing::ValuesIn(kBuilds), buildName);
