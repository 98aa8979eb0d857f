// The render path of built modules with every channel set-up, driven through their records as hosts drive
// them: separate and in-place buffers, null input arrays, null channel pointers, blocks longer than the
// framework's own buffers, 32- and 64-bit entries. The host's arrays are exactly as long as the record says,
// so under the address sanitizer a read past them fails the test.
#include "BaseHostCallback.h"
#include "Dispatch.h"
#include "EffectOpcodes.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

struct Layout {
    int inputs;
    int outputs;
    bool wholeBlock;
    const char* path;
};

const Layout kLayouts[] = {LAYOUT_MODULES};

// How the host hands its buffers over.
enum class Buffers { Separate, InPlace, NullInputArray, NullChannels };

const char* const kBufferNames[] = {"separate", "in place", "null input array", "null channel pointers"};

// One block's channels: each exactly `frames` long, behind channel arrays exactly as long as the record's
// counts (a zero-length array for no channels), so that nothing past them can be read unnoticed.
template <typename Sample>
struct HostBlock {
    HostBlock(const Layout& layout, Buffers buffers, size_t frames, std::mt19937& random)
        : inputArray(new Sample*[layout.inputs])
        , outputArray(new Sample*[layout.outputs]) {
        std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
        for (int c = 0; c < layout.inputs; ++c) {
            inputs.emplace_back(frames);
            std::generate(inputs.back().begin(), inputs.back().end(), [&] { return Sample(sample(random)); });
            inputArray[c] = inputs.back().data();
        }
        for (int c = 0; c < layout.outputs; ++c) {
            outputs.emplace_back(frames, Sample(NAN)); // written, or still NaN
            outputArray[c] = outputs.back().data();
        }
        given = inputs; // what the inputs held before the block, in place or not
        if (buffers == Buffers::InPlace) {
            for (int c = 0; c < layout.inputs && c < layout.outputs; ++c) {
                outputs[c] = inputs[c];
                outputArray[c] = inputArray[c];
            }
        }
        if (buffers == Buffers::NullChannels) {
            if (layout.inputs > 0) {
                inputArray[0] = nullptr;
            }
            outputArray[layout.outputs - 1] = nullptr;
        }
    }
    Sample** Inputs(Buffers buffers) {
        return buffers == Buffers::NullInputArray ? nullptr : inputArray.get();
    }

    std::vector<std::vector<Sample>> inputs, outputs, given;
    std::unique_ptr<Sample*[]> inputArray, outputArray;
};

class ChannelLayouts : public testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        effect = module.Create(orke::BaseHostCallback);
        ASSERT_NE(effect, nullptr) << module.Error();
        Dispatch(effect, effOpen);
        Dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        Dispatch(effect, effSetBlockSize, 0, 512);
        Dispatch(effect, effMainsChanged, 0, 1);
    }
    void TearDown() override {
        if (effect != nullptr) {
            Dispatch(effect, effClose);
        }
    }

    // What output c must hold at frame k: twice input c (twice input 0 on the whole-block path), or silence
    // where that input has no samples.
    template <typename Sample>
    Sample Expected(const HostBlock<Sample>& block, Buffers buffers, int c, size_t k) const {
        const Layout& layout = GetParam();
        const int source = layout.wholeBlock ? 0 : c;
        const bool heard = source < layout.inputs && buffers != Buffers::NullInputArray &&
                           !(buffers == Buffers::NullChannels && source == 0);
        return heard ? Sample(2.0f * float(block.given[source][k])) : Sample(0);
    }

    template <typename Sample>
    void Check(void (*process)(AEffect*, Sample**, Sample**, int32_t)) {
        const Layout& layout = GetParam();
        std::mt19937 random(7);
        for (const size_t frames : {1u, 37u, 512u, 3000u}) {
            for (const Buffers buffers :
                 {Buffers::Separate, Buffers::InPlace, Buffers::NullInputArray, Buffers::NullChannels}) {
                HostBlock<Sample> block(layout, buffers, frames, random);
                process(effect, block.Inputs(buffers), block.outputArray.get(), int32_t(frames));
                for (int c = 0; c < layout.outputs; ++c) {
                    const Sample* written = block.outputArray[c]; // a null channel is not looked at
                    for (size_t k = 0; written != nullptr && k < frames; ++k) {
                        const Sample want = Expected(block, buffers, c, k);
                        if (!(written[k] == want)) {
                            ADD_FAILURE()
                                << kBufferNames[int(buffers)] << ", " << frames << " frames: output " << c
                                << " frame " << k << " is " << written[k] << ", not " << want;
                            break;
                        }
                    }
                }
            }
        }
    }

    orke::PluginModule module{GetParam().path};
    AEffect* effect = nullptr;
};

TEST_P(ChannelLayouts, EveryOutputWrittenEveryBlockWithSilenceWhereThereIsNoInput) {
    EXPECT_EQ(effect->numInputs, GetParam().inputs);
    EXPECT_EQ(effect->numOutputs, GetParam().outputs);
    Check<float>(effect->processReplacing);
}

TEST_P(ChannelLayouts, TheSixtyFourBitEntryGivesTheSameSamples) {
    ASSERT_NE(effect->flags & effFlagsCanDoubleReplacing, 0);
    Check<double>(effect->processDoubleReplacing);
}

INSTANTIATE_TEST_SUITE_P(Modules, ChannelLayouts, testing::ValuesIn(kLayouts), [](const auto& info) {
    const Layout& layout = info.param;
    return std::to_string(layout.inputs) + "In" + std::to_string(layout.outputs) + "Out" +
           (layout.wholeBlock ? "WholeBlock" : "Kernels");
});

} // namespace
