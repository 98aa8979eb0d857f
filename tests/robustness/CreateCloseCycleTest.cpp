// Ten thousand plug-ins made and closed in one process, the way a host scanning, loading and unloading
// sessions does: whatever a session did, its close must give back everything.
#include "BaseHostCallback.h"
#include "Dispatch.h"
#include "EffectOpcodes.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <fstream>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Resident memory, counted page by page: the kernel's running totals (/proc/self/statm) may lag by dozens of
// pages, more than the growth looked for. Under a user-mode emulator the pages are the emulator's, which grow
// with the code it translates, so there the heap in use stands in for them.
long residentBytes() {
#if ORKE_TESTS_UNDER_EMULATOR
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<long>(heap.uordblks + heap.hblkhd);
#else
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string word;
    long kilobytes = 0;
    while (rollup >> word && word != "Rss:") {
    }
    rollup >> kilobytes;
    return kilobytes * 1024;
#endif
}

class CreateCloseCycles : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(CreateCloseCycles, TenThousandSessionsLeaveNothingBehind) {
    orke::PluginModule module(GetParam());
    std::vector<float> in(256, 0.5f), out0(256), out1(256);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {out0.data(), out1.data()};
    [[maybe_unused]] long residentAfterWarmUp = 0; // unused where the sanitizers keep the memory
    for (int cycle = 0; cycle < 10000; ++cycle) {
        if (cycle == 100) {
            residentAfterWarmUp = residentBytes();
        }
        AEffect* effect = module.Create(orke::BaseHostCallback);
        ASSERT_NE(effect, nullptr) << "cycle " << cycle;
        // A third of the hosts close at once, a third after suspending, a third while still running.
        if (cycle % 3 != 0) {
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
        ASSERT_EQ(Dispatch(effect, effClose), 1) << "cycle " << cycle;
    }
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "blocks that no close gave back";
#elif !defined(__SANITIZE_THREAD__) // the sanitizers hold freed memory back on purpose
    EXPECT_GT(residentAfterWarmUp, 0);
    EXPECT_LE(residentBytes() - residentAfterWarmUp, 64 * 1024) << "less than one lost block a cycle";
#endif
}

INSTANTIATE_TEST_SUITE_P(Builds, CreateCloseCycles,
                         ::testing::Values(IDLEWIRE_PATH, IDLEWIRE_POWERPC_BEHAVIOUR_PATH),
                         [](const auto& info) { return info.index == 0 ? "Intel" : "PowerPC"; });
