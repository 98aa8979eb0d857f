// A plug-in of any channel set-up, LAYOUT_INPUTS in and LAYOUT_OUTPUTS out, for the render path's tests. Its
// kernels write twice their input, so an output whose kernel hears silence comes out as exact zeros; with
// LAYOUT_WHOLE_BLOCK it works on the whole block instead and writes twice input 0 into every output. It
// claims the 64-bit entry too.
#include "OrkeAuBase.h"
#include "PluginParameters.h"

const ParamInfo astParamInfos[kParameterCount] = {
    {CFSTR("Level"), kUnitGeneric, 0.0f, 1.0f, 0.0f},
};

namespace {

constexpr OrkeEffectDescription kDescription =
    OrkeEffectDescription("Layout", orke::fourCharCode("OKly")).Channels(LAYOUT_INPUTS, LAYOUT_OUTPUTS);

class Doubler : public AUKernelBase {
public:
    using AUKernelBase::AUKernelBase;
    void Process(const float* source, float* destination, unsigned long frames, unsigned long,
                 bool&) override {
        for (unsigned long k = 0; k < frames; ++k) {
            destination[k] = 2.0f * source[k];
        }
    }
};

class LayoutEffect : public OrkeAuBase {
public:
    explicit LayoutEffect(audioMasterCallback audioMaster)
        : OrkeAuBase(audioMaster, kDescription) {
        canDoubleReplacing(true);
    }
    AUKernelBase* NewKernel() override { return LAYOUT_WHOLE_BLOCK ? nullptr : new Doubler(this); }
    void ProcessBlock(const OrkeBlock& block) override {
        if (!LAYOUT_WHOLE_BLOCK) {
            OrkeAuBase::ProcessBlock(block);
            return;
        }
        for (uint32_t k = 0; k < block.frames; ++k) {
            const float sample = block.numInputs > 0 ? block.inputs[0][k] : 0.0f;
            for (int32_t c = 0; c < block.numOutputs; ++c) {
                block.outputs[c][k] = 2.0f * sample;
            }
        }
    }
    OSStatus Initialize() override { return noErr; }
    void Cleanup() override {}
    SInt32 Version() override { return 1; }
};

} // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return OrkeAuBase::Create<LayoutEffect>(audioMaster);
}
