// Construction, kernels and the render path.
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct RenderCase {
    const char* name;
    int32_t outputs;
    int kernelsMade; // -1: as many as asked for
    int32_t frames;
    int expectedKernels;
    unsigned long expectedFrames;
};

const RenderCase kRenderCases[] = {
    {"TwoChannels", 2, -1, 512, 2, 512},        {"ZeroFramesStillCallsEveryKernel", 2, -1, 0, 2, 0},
    {"NegativeFramesAreNone", 2, -1, -5, 2, 0}, {"NoKernelsDoesNothing", 0, -1, 64, 0, 0},
    {"NullKernelEndsTheList", 3, 1, 64, 1, 64}, {"NoKernelAtAll", 2, 0, 64, 0, 0},
};

void PrintTo(const RenderCase& c, std::ostream* os) {
    *os << c.name;
}

class Render : public ::testing::TestWithParam<RenderCase> {};

TEST_P(Render, KernelIProcessesChannelI) {
    const RenderCase& c = GetParam();
    TestEffect effect(nullptr, c.outputs, c.kernelsMade);
    float in[4][8] = {};
    float out[4][8] = {};
    float* inputs[4] = {in[0], in[1], in[2], in[3]};
    float* outputs[4] = {out[0], out[1], out[2], out[3]};
    effect.processReplacing(inputs, outputs, c.frames);

    ASSERT_EQ(effect.kernelCalls.size(), static_cast<size_t>(c.expectedKernels));
    for (int i = 0; i < c.expectedKernels; ++i) {
        const KernelCall& call = effect.kernelCalls[i];
        EXPECT_EQ(call.kernel, i);
        EXPECT_EQ(call.source, inputs[i]);
        EXPECT_EQ(call.destination, outputs[i]);
        EXPECT_EQ(call.frames, c.expectedFrames);
        EXPECT_EQ(call.channels, 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Render, ::testing::ValuesIn(kRenderCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OrkeAuBase, EveryProgramStartsWithTheTableDefaultsAndItsName) {
    TestEffect effect;
    EXPECT_EQ(effect.getProgram(), 0);
    for (int32_t p = 0; p < 8; ++p) {
        EXPECT_STREQ(effect.Program(p)->GetName(), "Defaults");
        for (int j = 0; j < kParameterCount; ++j) {
            EXPECT_EQ(effect.Program(p)->GetParameter(j), astParamInfos[j].defaultValue) << p << "/" << j;
        }
    }
    // A program keeps 31 characters of a longer name, although the host is shown only 23 of them.
    effect.setProgramName(const_cast<char*>("0123456789abcdefghijklmnopqrstuvwxyzABCD"));
    EXPECT_STREQ(effect.Program(0)->GetName(), "0123456789abcdefghijklmnopqrstu");
}

TEST(OrkeAuBase, VendorStringIsFifteenCharactersAndANul) {
    TestEffect effect;
    char text[64];
    std::memset(text, '#', sizeof(text));
    EXPECT_TRUE(effect.getVendorString(text));
    EXPECT_STREQ(text, "Orvane Kettlers");
    EXPECT_EQ(text[16], '#');
}

} // namespace
