// Orke Filter's effect class, in the order of its life: the programs it ships, construction by the
// framework's contract, and the answers to the host.
#include "OrkeFilter.h"

#include <cstring>

namespace {

constexpr int32_t kVersion = 0x00010000; // 1.0.0
constexpr int32_t kCategoryEffect = 1;

// The programs, in the host's program order. Values are real ones, in table order: cutoff, Q, type.
const OrkePreset kPresets[] = {
    {"Warm", {2000.0f, 0.7071f, kLowPass}},
    {"Thin", {300.0f, 0.7071f, kHighPass}},
    {"Voice", {1000.0f, 2.0f, kBandPass}},
    {"Resonant", {800.0f, 6.0f, kLowPass}},
};
constexpr int32_t kNumPrograms = sizeof(kPresets) / sizeof(kPresets[0]);

void copyText(char* text, const char* value) {
    std::memcpy(text, value, std::strlen(value) + 1);
}

} // namespace

// The host's way in: VSTPluginMain calls this once per instance.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new OrkeFilter(audioMaster);
}

// ---- construction: the framework's contract, step by step -------------------------------------------------

OrkeFilter::OrkeFilter(audioMasterCallback audioMaster)
    : OrkeAuBase(audioMaster, kNumPrograms, OrkeProgramBasic::Factory) {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(orke::fourCharCode("OKfl"));
    canProcessReplacing(true);
    LoadPresets(kPresets, kNumPrograms);
    AddKernels();
    Initialize();
}

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

bool OrkeFilter::getEffectName(char* name) {
    copyText(name, "Orke Filter");
    return true;
}

bool OrkeFilter::getProductString(char* text) {
    copyText(text, "Orke Filter");
    return true;
}

int32_t OrkeFilter::getVendorVersion() {
    return Version();
}

int32_t OrkeFilter::getPlugCategory() {
    return kCategoryEffect;
}

// The types by name, in FilterType order: the host's display shows them, and property 16 hands them out.
OSStatus OrkeFilter::GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) {
    if (parameterID == kType) {
        static const CFStringRef kNames[] = {CFSTR("Low-pass"), CFSTR("High-pass"), CFSTR("Band-pass")};
        return ValueStrings(kNames, 3, outStrings);
    }
    return OrkeAuBase::GetParameterValueStrings(scope, parameterID, outStrings);
}
