// Idlewire, in the order the plug-in lives: construction, configuration, processing, its answers to the host.
#include "OrkeIdlewire.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr int32_t kNumPrograms = 8;
constexpr int32_t kVersion = 0x00010000;        // 1.0.0
constexpr int32_t kCategory = kPlugCategEffect; // hosts list it with effects, although it is flagged a synth

void copyText(char* text, const char* value) {
    std::memcpy(text, value, std::strlen(value) + 1);
}

// A copy through a temporary, as memmove gives. The smallest blocks are done inline, so that a host rendering
// a few frames at a time does not pay a library call per channel; `bytes` is a whole number of samples.
inline void moveBlock(void* destination, const void* source, size_t bytes) {
    auto* to = static_cast<char*>(destination);
    const auto* from = static_cast<const char*>(source);
    if (bytes <= 8) {
        if (bytes != 0) { // one or two samples: a head and a tail word, the same word for one
            uint32_t head;
            uint32_t tail;
            std::memcpy(&head, from, 4);
            std::memcpy(&tail, from + bytes - 4, 4);
            std::memcpy(to, &head, 4);
            std::memcpy(to + bytes - 4, &tail, 4);
        }
        return;
    }
    if (bytes <= 16) { // three or four samples: two overlapping double words
        uint64_t head;
        uint64_t tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + bytes - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + bytes - 8, &tail, 8);
        return;
    }
    std::memmove(to, from, bytes);
}

// The forward copy when the destination starts `ahead` bytes inside the source: each sample written is read
// again `ahead` bytes later, so the source's first `ahead` bytes repeat across the destination. Kept out of
// line: hosts do not arrange their buffers like this, and the common paths stay free of its register needs.
[[gnu::noinline]] void repeatForward(void* destination, const void* source, size_t bytes, size_t ahead) {
    auto* to = static_cast<char*>(destination);
    const auto* from = static_cast<const char*>(source);
    if (ahead % sizeof(float) != 0) {
        // Buffers offset by part of a sample: sample by sample, as the definition reads.
        for (size_t k = 0; k < bytes; k += sizeof(float)) {
            std::memcpy(to + k, from + k, sizeof(float));
        }
        return;
    }
    // The first period comes from the source's untouched start; each later copy doubles the repeated run.
    std::memcpy(to, from, ahead);
    for (size_t done = ahead; done < bytes;) {
        const size_t count = bytes - done < done ? bytes - done : done;
        std::memcpy(to + done, to, count);
        done += count;
    }
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

// The result is exactly that of the forward copy, destination[k] = source[k] for k = 0, 1, ..., frames - 1,
// for every arrangement of the two buffers a host can give, and it is done in bulk wherever that gives the
// same bytes. Samples move as bytes, never through a floating-point register, so every bit pattern (a
// signalling NaN included) arrives unchanged.
void OrkeIdlewire::CIdlewireKernel::Process(const float* source, float* destination, unsigned long frames,
                                            unsigned long, bool&) {
    const size_t bytes = frames * sizeof(float);
    // How far the destination starts after the source; wraps to a huge value when it starts before.
    const uintptr_t ahead = reinterpret_cast<uintptr_t>(destination) - reinterpret_cast<uintptr_t>(source);
    if (ahead >= bytes) {
        // Disjoint, or the destination starts first: every sample is read before anything can overwrite it,
        // which is what a copy through a temporary gives.
        moveBlock(destination, source, bytes);
    } else if (ahead != 0) { // in place (ahead 0) every sample is already where it belongs
        repeatForward(destination, source, bytes, ahead);
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
    return kCategory;
}

// The pass-through has never taken text entry, and keeps answering hosts as it always has.
bool OrkeIdlewire::string2parameter(int32_t, char*) {
    return false;
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
