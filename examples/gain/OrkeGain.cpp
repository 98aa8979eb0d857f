// Orke Gain's effect class, in the order of its life: the programs it ships, construction by the framework's
// contract, and the answers to the host.
#include "OrkeGain.h"

#include <cstring>

namespace {

constexpr int32_t kVersion = 0x00010000; // 1.0.0
constexpr int32_t kCategoryEffect = 1;

// The programs, in the host's program order. Values are real ones, in table order: gain in dB, polarity.
const OrkePreset kPresets[] = {
    {"Unity", {0.0f, 0.0f}},
    {"Half", {-6.0206f, 0.0f}}, // 20 log10(0.5): half the amplitude
    {"Quiet", {-20.0f, 0.0f}},
    {"Inverted", {0.0f, 1.0f}},
};
constexpr int32_t kNumPrograms = sizeof(kPresets) / sizeof(kPresets[0]);

void copyText(char* text, const char* value) {
    std::memcpy(text, value, std::strlen(value) + 1);
}

} // namespace

// The host's way in: VSTPluginMain calls this once per instance.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new OrkeGain(audioMaster);
}

// ---- construction: the framework's contract, step by step -------------------------------------------------

OrkeGain::OrkeGain(audioMasterCallback audioMaster)
    : OrkeAuBase(audioMaster, kNumPrograms, OrkeProgramBasic::Factory) { // programs with the table's defaults
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(orke::fourCharCode("OKgn"));
    canProcessReplacing(true);
    LoadPresets(kPresets, kNumPrograms); // the programs' names and values replace the defaults
    AddKernels();                        // one kernel per output, now that the output count is final
    Initialize();
}

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

bool OrkeGain::getEffectName(char* name) {
    copyText(name, "Orke Gain");
    return true;
}

bool OrkeGain::getProductString(char* text) {
    copyText(text, "Orke Gain");
    return true;
}

int32_t OrkeGain::getVendorVersion() {
    return Version();
}

int32_t OrkeGain::getPlugCategory() {
    return kCategoryEffect;
}

// The polarity's two values by name: the host's display shows them, and property 16 hands them out.
OSStatus OrkeGain::GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) {
    if (parameterID == kPolarity) {
        static const CFStringRef kNames[] = {CFSTR("Normal"), CFSTR("Inverted")};
        return ValueStrings(kNames, 2, outStrings);
    }
    return OrkeAuBase::GetParameterValueStrings(scope, parameterID, outStrings);
}
