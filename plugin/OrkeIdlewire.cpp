#include "OrkeIdlewire.h"

#include <cstring>

namespace {

constexpr int32_t kNumPrograms = 8;
constexpr int32_t kVersion = 0x00010000; // 1.0.0
constexpr int32_t kCategoryEffect = 1;   // hosts list it with effects, although it is flagged a synth

void copyText(char* text, const char* value) {
    std::memcpy(text, value, std::strlen(value) + 1);
}

} // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new OrkeIdlewire(audioMaster);
}

// ---- construction: the framework's contract, step by step
// ---------------------------------------------------

OrkeIdlewire::OrkeIdlewire(audioMasterCallback audioMaster)
    : OrkeAuBase(audioMaster, kNumPrograms, OrkeProgramBasic::Factory) {
    std::memset(&m_dataToGui, 0, sizeof(m_dataToGui));
    setNumInputs(2);
    setNumOutputs(2);
    isSynth(true);
    setUniqueID(orke::fourCharCode("OKiw"));
    if (orke::kPowerPcBehaviour) {
        canMono(true);
    }
    canProcessReplacing(true);
    AddKernels(); // one kernel per output, now that the output count is final
    Initialize();
}

AUKernelBase* OrkeIdlewire::NewKernel() {
    return new CIdlewireKernel(this, static_cast<int32_t>(m_kernels.size()));
}

OSStatus OrkeIdlewire::Initialize() {
    return noErr;
}

void OrkeIdlewire::Cleanup() {}

SInt32 OrkeIdlewire::Version() {
    return kVersion;
}

// ---- configuration --------------------------------------------------------------------------------------

// The instrument receives no events, so it does not ask the host for them; the PowerPC build always has.
void OrkeIdlewire::resume() {
    if (orke::kPowerPcBehaviour) {
        wantEvents(1);
    }
}

void OrkeIdlewire::setBlockSize(int32_t newBlockSize) {
    blockSize = newBlockSize;
    OnMaxSliceChange(static_cast<unsigned long>(newBlockSize));
}

void OrkeIdlewire::OnMaxSliceChange(unsigned long) {}

// ---- processing
// ---------------------------------------------------------------------------------------------

void OrkeIdlewire::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    OrkeAuBase::processReplacing(inputs, outputs, sampleFrames);
}

OrkeIdlewire::CIdlewireKernel::CIdlewireKernel(OrkeIdlewire* plugin, int32_t channel)
    : AUKernelBase(plugin)
    , m_plugin(plugin)
    , m_channel(channel) {}

// The result is that of copying forward one sample at a time, destination[k] = source[k] for increasing k,
// for every arrangement of the two buffers a host can give; it is done in bulk wherever that is the same.
void OrkeIdlewire::CIdlewireKernel::Process(const float* source, float* destination, unsigned long frames,
                                            unsigned long, bool&) {
    if (source == destination || frames == 0) {
        return; // in place: every sample is already where it belongs
    }
    const auto from = reinterpret_cast<uintptr_t>(source);
    const auto to = reinterpret_cast<uintptr_t>(destination);
    const size_t bytes = frames * sizeof(float);
    if (to < from || to >= from + bytes) {
        // Disjoint, or the destination starts first: every sample is read before it can be overwritten.
        std::memmove(destination, source, bytes);
        return;
    }
    // The destination starts inside the source: a forward copy repeats the first `distance` samples.
    const size_t distanceBytes = to - from;
    if (distanceBytes % sizeof(float) != 0) {
        for (unsigned long k = 0; k < frames; ++k) {
            destination[k] = source[k];
        }
        return;
    }
    const size_t distance = distanceBytes / sizeof(float);
    for (size_t k = 0; k < frames; k += distance) {
        const size_t count = frames - k < distance ? frames - k : distance;
        std::memcpy(destination + k, source + k, count * sizeof(float));
    }
}

// ---- answers to the host --------------------------------------------------------------------------------

bool OrkeIdlewire::getEffectName(char* name) {
    copyText(name, "Idlewire");
    return true;
}

bool OrkeIdlewire::getProductString(char* text) {
    copyText(text, "Idlewire");
    return true;
}

int32_t OrkeIdlewire::getVendorVersion() {
    return kVersion;
}

int32_t OrkeIdlewire::getPlugCategory() {
    return kCategoryEffect;
}

// ---- properties -----------------------------------------------------------------------------------------

// The one parameter has no value strings; asked only whether it might, the answer is yes.
OSStatus OrkeIdlewire::GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) {
    if (outStrings == nullptr) {
        return noErr;
    }
    return OrkeAuBase::GetParameterValueStrings(scope, parameterID, outStrings);
}

OSStatus OrkeIdlewire::GetPropertyInfo(UInt32 property, UInt32 scope, UInt32 element, UInt32& dataSize,
                                       Boolean& writable) {
    switch (property) {
    case kPropertyParameterStringFromValue:
        dataSize = sizeof(ParameterStringFromValue);
        writable = false;
        return noErr;
    case kPropertyDataToGui:
        dataSize = sizeof(DataToGui);
        writable = false;
        return noErr;
    default:
        return OrkeAuBase::GetPropertyInfo(property, scope, element, dataSize, writable);
    }
}

OSStatus OrkeIdlewire::GetProperty(UInt32 property, UInt32 scope, UInt32 element, void* data) {
    if (property == kPropertyDataToGui && data != nullptr) {
        std::memcpy(data, &m_dataToGui, sizeof(m_dataToGui));
        return noErr;
    }
    return OrkeAuBase::GetProperty(property, scope, element, data);
}

void OrkeIdlewire::CopyDataToGui(DataToGui& data) const {
    data = m_dataToGui;
}
