// Orke Gain's effect class, in the order of its life: the programs it ships and its description,
// construction, and the answers to the host.
#include "OrkeGain.h"

namespace {

constexpr int32_t kVersion = 0x00010000; // 1.0.0

// The programs, in the host's program order. Values are real ones, in table order: gain in dB, polarity.
const OrkePreset kPresets[] = {
    {"Unity", {0.0f, 0.0f}},
    {"Half", {-6.0206f, 0.0f}}, // 20 log10(0.5): half the amplitude
    {"Quiet", {-20.0f, 0.0f}},
    {"Inverted", {0.0f, 1.0f}},
};

// Everything the host learns about the plug-in before it processes, declared once: its name and unique ID,
// version, category, channels and programs. The vendor is the framework's, "Orvane Kettlers".
constexpr OrkeEffectDescription kDescription = OrkeEffectDescription("Orke Gain", orke::fourCharCode("OKgn"))
                                                   .Version(kVersion)
                                                   .Category(kPlugCategEffect)
                                                   .Channels(2, 2)
                                                   .Presets(kPresets);

} // namespace

// The host's way in: VSTPluginMain calls this once per instance. Create constructs the plug-in, makes one
// kernel per output and calls Initialize.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return OrkeAuBase::Create<OrkeGain>(audioMaster);
}

// ---- construction ---------------------------------------------------------------------------------------

// The framework sets up the record, the names and the programs from the description.
OrkeGain::OrkeGain(audioMasterCallback audioMaster)
    : OrkeAuBase(audioMaster, kDescription) {}

OrkeGain::~OrkeGain() {
    Cleanup(); // the framework never calls it
}

AUKernelBase* OrkeGain::NewKernel() {
    return new CGainKernel(this);
}

OSStatus OrkeGain::Initialize() {
    return noErr; // nothing to acquire: the kernels and programs are all the plug-in needs
}

void OrkeGain::Cleanup() {}

SInt32 OrkeGain::Version() {
    return kVersion;
}

// ---- answers to the host --------------------------------------------------------------------------------

// The polarity's two values by name: the host's display shows them, and property 16 hands them out.
OSStatus OrkeGain::GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) {
    if (parameterID == kPolarity) {
        static const CFStringRef kNames[] = {CFSTR("Normal"), CFSTR("Inverted")};
        return ValueStrings(kNames, 2, outStrings);
    }
    return OrkeAuBase::GetParameterValueStrings(scope, parameterID, outStrings);
}
