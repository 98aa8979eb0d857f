// Ten thousand plug-ins made and closed in one process, the way a host scanning, loading and unloading
// sessions does: whatever a session did, its close must give back everything.
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kResidentMemoryIsReal = false; // the sanitizers hold freed memory back on purpose
#else
constexpr bool kResidentMemoryIsReal = true;
#endif

constexpr int kCycles = 10000;
constexpr int kWarmUpCycles = 100;
constexpr long kAllowedGrowthBytes = 64 * 1024; // far below what even one lost byte per cycle would cost

intptr_t cycleHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Resident memory, counted page by page. The kernel's running totals (/proc/self/statm) are per-processor
// counters that may lag by dozens of pages, more than the growth this test looks for. Under a user-mode
// emulator the pages are the emulator's, which grow with the code it translates, so there the heap in use
// stands in for them.
long residentBytes() {
#if ORKE_TESTS_UNDER_EMULATOR
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<long>(heap.uordblks + heap.hblkhd);
#else
    long kilobytes = 0;
    if (FILE* rollup = std::fopen("/proc/self/smaps_rollup", "r")) {
        char line[256];
        while (std::fgets(line, sizeof(line), rollup) != nullptr &&
               std::sscanf(line, "Rss: %ld", &kilobytes) != 1) {
        }
        std::fclose(rollup);
    }
    return kilobytes * 1024;
#endif
}

// One session; a third of the hosts close at once, a third after suspending, a third while still running.
void session(AEffect* effect, int cycle, float** inputs, float** outputs) {
    if (cycle % 3 == 0) {
        return;
    }
    char text[64] = "Session";
    Dispatch(effect, effOpen);
    Dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    Dispatch(effect, effSetBlockSize, 0, 256);
    Dispatch(effect, effMainsChanged, 0, 1);
    Dispatch(effect, effSetProgram, 0, cycle % 8);
    Dispatch(effect, effSetProgramName, 0, 0, text);
    effect->setParameter(effect, 0, 0.5f);
    Dispatch(effect, effGetParamDisplay, 0, 0, text);
    effect->processReplacing(effect, inputs, outputs, 256);
    if (cycle % 3 == 1) {
        Dispatch(effect, effMainsChanged, 0, 0);
    }
}

class CreateCloseCycles : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(CreateCloseCycles, TenThousandSessionsLeaveNothingBehind) {
    PluginModule module(GetParam());
    std::vector<float> in(256, 0.5f), out0(256), out1(256);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {out0.data(), out1.data()};

    long residentAfterWarmUp = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        if (cycle == kWarmUpCycles) {
            residentAfterWarmUp = residentBytes();
        }
        AEffect* effect = module.Create(cycleHost);
        ASSERT_NE(effect, nullptr) << "cycle " << cycle;
        session(effect, cycle, inputs, outputs);
        ASSERT_EQ(Dispatch(effect, effClose), 1) << "cycle " << cycle;
    }

    if (kResidentMemoryIsReal) {
        EXPECT_GT(residentAfterWarmUp, 0);
        EXPECT_LE(residentBytes() - residentAfterWarmUp, kAllowedGrowthBytes);
    }
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "blocks that no close gave back";
#endif
}

INSTANTIATE_TEST_SUITE_P(Builds, CreateCloseCycles,
                         ::testing::Values(IDLEWIRE_PATH, IDLEWIRE_POWERPC_BEHAVIOUR_PATH),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.index == 0 ? "Intel" : "PowerPC");
                         });
