// Orke Filter's effect class, in the order of its life: the programs it ships and its description,
// construction, and the answers to the host.
#include "OrkeFilter.h"

namespace {

constexpr int32_t kVersion = 0x00010000; // 1.0.0

// The programs, in the host's program order. Values are real ones, in table order: cutoff, Q, type.
const OrkePreset kPresets[] = {
    {"Warm", {2000.0f, 0.7071f, kLowPass}},
    {"Thin", {300.0f, 0.7071f, kHighPass}},
    {"Voice", {1000.0f, 2.0f, kBandPass}},
    {"Resonant", {800.0f, 6.0f, kLowPass}},
};

// Everything the host learns about the plug-in before it processes, declared once.
constexpr OrkeEffectDescription kDescription =
    OrkeEffectDescription("Orke Filter", orke::fourCharCode("OKfl"))
        .Version(kVersion)
        .Category(kPlugCategEffect)
        .Channels(2, 2)
        .Presets(kPresets);

} // namespace

// The host's way in: VSTPluginMain calls this once per instance. Create constructs the plug-in, makes one
// kernel per output and calls Initialize.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return OrkeAuBase::Create<OrkeFilter>(audioMaster);
}

// ---- construction ---------------------------------------------------------------------------------------

OrkeFilter::OrkeFilter(audioMasterCallback audioMaster)
    : OrkeAuBase(audioMaster, kDescription) {}

OrkeFilter::~OrkeFilter() {
    Cleanup(); // the framework never calls it
}

AUKernelBase* OrkeFilter::NewKernel() {
    return new CFilterKernel(this);
}

OSStatus OrkeFilter::Initialize() {
    return noErr;
}

void OrkeFilter::Cleanup() {}

SInt32 OrkeFilter::Version() {
    return kVersion;
}

// ---- answers to the host --------------------------------------------------------------------------------

// The types by name, in FilterType order: the host's display shows them, and property 16 hands them out.
OSStatus OrkeFilter::GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) {
    if (parameterID == kType) {
        static const CFStringRef kNames[] = {CFSTR("Low-pass"), CFSTR("High-pass"), CFSTR("Band-pass")};
        return ValueStrings(kNames, 3, outStrings);
    }
    return OrkeAuBase::GetParameterValueStrings(scope, parameterID, outStrings);
}
