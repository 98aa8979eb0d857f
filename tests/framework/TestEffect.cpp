#include "TestEffect.h"

namespace {

class RecordingKernel : public AUKernelBase {
public:
    RecordingKernel(TestEffect* effect, int channel)
        : AUKernelBase(effect)
        , m_effect(effect)
        , m_channel(channel) {}

    void Process(const float* source, float* destination, unsigned long frames, unsigned long channels,
                 bool&) override {
        m_effect->kernelCalls.push_back(KernelCall{m_channel, source, destination, frames, channels});
    }

private:
    TestEffect* m_effect;
    int m_channel;
};

// Holds one reference of the test's own to what the effect handed out, so a test can see whether the
// receiver released its reference.
template <typename Reference>
void keep(Reference& slot, Reference object) {
    if (slot != nullptr) {
        CFRelease(slot);
    }
    slot = static_cast<Reference>(CFRetain(object));
}

} // namespace

TestEffect::TestEffect(audioMasterCallback host, int32_t outputs, int kernelsMade)
    : OrkeAuBase(host, 8, OrkeProgramBasic::Factory)
    , m_kernelsLeft(kernelsMade) {
    setNumInputs(outputs);
    setNumOutputs(outputs);
    kernelCalls.reserve(64);
    AddKernels();
    Initialize();
}

TestEffect::~TestEffect() {
    for (CFTypeRef kept : {CFTypeRef(lastStrings), CFTypeRef(lastDisplay)}) {
        if (kept != nullptr) {
            CFRelease(kept);
        }
    }
}

AUKernelBase* TestEffect::NewKernel() {
    if (m_kernelsLeft == 0) {
        return nullptr;
    }
    --m_kernelsLeft;
    return new RecordingKernel(this, static_cast<int>(m_kernels.size()));
}

OSStatus TestEffect::GetParameterValueStrings(UInt32, UInt32 parameterID, CFArrayRef* outStrings) {
    if (parameterID != kRowMode || valueStrings.empty()) {
        return kErrInvalidParameter;
    }
    if (outStrings == nullptr) {
        return noErr;
    }
    std::vector<const void*> strings;
    for (const std::string& text : valueStrings) {
        strings.push_back(CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8));
    }
    *outStrings =
        CFArrayCreate(nullptr, strings.data(), static_cast<CFIndex>(strings.size()), &kCFTypeArrayCallBacks);
    for (const void* string : strings) {
        CFRelease(string); // the array holds them now
    }
    keep(lastStrings, *outStrings);
    return noErr;
}

OSStatus TestEffect::GetProperty(UInt32 property, UInt32 scope, UInt32 element, void* data) {
    if (property != kPropertyParameterStringFromValue || displayStatus == kErrInvalidProperty) {
        return OrkeAuBase::GetProperty(property, scope, element, data);
    }
    auto* request = static_cast<ParameterStringFromValue*>(data);
    lastRequest = *request;
    if (displayText != nullptr) {
        request->outString = CFStringCreateWithCString(nullptr, displayText, kCFStringEncodingUTF8);
        keep(lastDisplay, request->outString);
    }
    return displayStatus;
}

OSStatus TestEffect::SetProperty(UInt32 property, UInt32 scope, UInt32 element, const void* data,
                                 UInt32 dataSize) {
    if (property == kSettableProperty) {
        return noErr;
    }
    return OrkeAuBase::SetProperty(property, scope, element, data, dataSize);
}
