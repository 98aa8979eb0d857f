// A bench-only plug-in: Orke Gain's settled gain written on the whole-block path instead of with kernels, so
// that orke-block-bench can time the two paths doing the same work. No ramp: the benchmark only ever renders
// it settled.
#include "OrkeAuBase.h"

#include <cmath>

namespace {

const OrkePreset kPresets[] = {{"Half", {-6.0206f, 0.0f}}};

constexpr OrkeEffectDescription kDescription =
    OrkeEffectDescription("Whole-block Gain", orke::fourCharCode("OKwg")).Channels(2, 2).Presets(kPresets);

class WholeBlockGain : public OrkeAuBase {
public:
    explicit WholeBlockGain(audioMasterCallback audioMaster)
        : OrkeAuBase(audioMaster, kDescription) {}

    void ProcessBlock(const OrkeBlock& block) override {
        if (ParametersChanged()) {
            m_gain = std::pow(10.0f, GetParameterValue(kGain) / 20.0f);
        }
        for (int32_t c = 0; c < block.numOutputs; ++c) {
            const float* source = block.inputs[c];
            float* destination = block.outputs[c];
            for (uint32_t k = 0; k < block.frames; ++k) {
                destination[k] = source[k] * m_gain;
            }
        }
    }
    OSStatus Initialize() override { return noErr; }
    void Cleanup() override {}
    SInt32 Version() override { return 1; }

private:
    float m_gain = 1.0f;
};

} // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return OrkeAuBase::Create<WholeBlockGain>(audioMaster);
}
