// The LV2 probe: an instrument without inputs that writes into its two outputs what reached it through its
// LV2 module, so that a test reads it back from the audio.
//   output 0: at each MIDI event's frame, status * 65536 + data1 * 256 + data2; 0 elsewhere
//   output 1: from each block's first frame on: the transport's valid fields (OrkeTransport bits), tempo,
//             quarter-note position, bar start, numerator, denominator, playing (1 or 0), sample position,
//             the count of parameter changes seen so far, and the four parameters' values; 0 after them
// Every value is a whole number or a float the test computes the same way, so comparisons are exact.
#include "OrkeAuBase.h"
#include "PluginParameters.h"

#include <algorithm>

const ParamInfo astParamInfos[kParameterCount] = {
    {CFSTR("Level"), kUnitGeneric, 0.0f, 1.0f, 0.5f},
    {CFSTR("Time"), kUnitMilliseconds, 1.0f, 1000.0f, 100.0f, kParamLogTaper},
    {CFSTR("Active"), kUnitBoolean, 0.0f, 1.0f, 1.0f},
    {CFSTR("Shape"), kUnitIndexed, 0.0f, 2.0f, 1.0f},
};

namespace {

const OrkePreset kPresets[] = {
    {"Low", {0.25f, 10.0f, 1.0f, 0.0f}},
    {"High", {1.0f, 1000.0f, 0.0f, 2.0f}},
};

constexpr OrkeEffectDescription kDescription =
    OrkeEffectDescription("Orke LV2 Probe", orke::fourCharCode("OKpb"))
        .Category(kPlugCategSynth)
        .Channels(0, 2)
        .Presets(kPresets)
        .Options(kOrkeInstrument | kOrkeWantsTransport)
        .Latency(64)
        .EventCapacity(4)
        .UriBase("urn:orke:test:");

class OrkeLv2Probe : public OrkeAuBase {
public:
    explicit OrkeLv2Probe(audioMasterCallback audioMaster)
        : OrkeAuBase(audioMaster, kDescription) {}

    OSStatus Initialize() override { return noErr; }
    void Cleanup() override {}
    SInt32 Version() override { return 1; }

    OSStatus GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) override {
        if (parameterID == kShape) {
            static const CFStringRef kNames[] = {CFSTR("Sine"), CFSTR("Square \"hard\""), CFSTR("Noise")};
            return ValueStrings(kNames, 3, outStrings);
        }
        return OrkeAuBase::GetParameterValueStrings(scope, parameterID, outStrings);
    }

    void ProcessBlock(const OrkeBlock& block) override {
        ClearOutputs(block);
        if (ParametersChanged()) {
            ++m_changes;
        }
        for (const OrkeEvent& event : block.events) {
            block.outputs[0][event.frame] = float(event.status * 65536 + event.data1 * 256 + event.data2);
        }
        const OrkeTransport& t = block.transport;
        // clang-format off
        const float report[] = {float(t.valid), float(t.tempo), float(t.quarterNotePosition),
                                float(t.barStartPosition), float(t.timeSignatureNumerator),
                                float(t.timeSignatureDenominator), t.playing ? 1.0f : 0.0f,
                                float(t.samplePosition), float(m_changes), GetParameterValue(kLevel),
                                GetParameterValue(kTime), GetParameterValue(kActive),
                                GetParameterValue(kShape)};
        // clang-format on
        std::copy_n(report, std::min<size_t>(block.frames, std::size(report)), block.outputs[1]);
    }

private:
    uint32_t m_changes = 0;
};

} // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return OrkeAuBase::Create<OrkeLv2Probe>(audioMaster);
}
