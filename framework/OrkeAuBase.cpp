// OrkeAuBase: construction from a description or the earlier way, destruction, kernels, the render path's
// buffers and the requests that reset the kernels.
#include "OrkeAuBase.h"

#include "EffectOpcodes.h"
#include "ParameterValues.h"

#include <algorithm>

namespace {

// The programs a description asks for: one per preset, at least one.
int32_t programsOf(const OrkeEffectDescription& description) {
    return description.presets != nullptr && description.numPresets > 0 ? description.numPresets : 1;
}

} // namespace

OrkeAuBase::OrkeAuBase(audioMasterCallback audioMaster, int32_t numPrograms,
                       OrkeProgramFactory programFactory)
    : AudioEffectX(audioMaster, numPrograms, kParameterCount)
    , m_programs(nullptr) {
    const int32_t count = numPrograms > 0 ? numPrograms : 0;
    m_programs = new OrkeProgram*[count > 0 ? count : 1]();
    try {
        for (int32_t i = 0; i < count; ++i) {
            OrkeProgram* program = programFactory();
            m_programs[i] = program;
            if (program == nullptr) {
                continue;
            }
            for (int j = 0; j < kParameterCount; ++j) {
                program->SetParameter(j, OrkeConformParameter(j, astParamInfos[j].defaultValue));
            }
            program->SetName("Defaults");
        }
    } catch (...) {
        // The destructor will not run for a constructor that throws: release what was made.
        for (int32_t i = 0; i < count; ++i) {
            delete m_programs[i];
        }
        delete[] m_programs;
        throw;
    }
    curProgram = 0;
    m_kernelSampleRate = sampleRate;
}

OrkeAuBase::OrkeAuBase(audioMasterCallback audioMaster, const OrkeEffectDescription& description,
                       OrkeProgramFactory programFactory)
    : OrkeAuBase(audioMaster, programsOf(description), programFactory) {
    m_description = description;
    m_described = true;
    m_options = description.options;
    if (Described(kOrkeInstrument)) {
        m_options |= kOrkeTakesEvents;
    }
    setNumInputs(std::max(description.numInputs, 0));
    setNumOutputs(std::max(description.numOutputs, 0));
    setUniqueID(description.uniqueID);
    cEffect.version = description.version;
    cEffect.initialDelay = std::max(description.latency, 0);
    canProcessReplacing(true);
    isSynth(Described(kOrkeInstrument));
    programsAreChunks(Described(kOrkeKeepsState));
    if (description.presets != nullptr && description.numPresets > 0) {
        LoadPresets(description.presets, description.numPresets);
    }
    if (Described(kOrkeTakesEvents)) {
        m_events.reset(new OrkeEventList(static_cast<size_t>(std::max(description.eventCapacity, 1))));
    }
    PrepareRender();
}

OrkeAuBase::~OrkeAuBase() {
    for (int32_t i = 0; i < numPrograms; ++i) {
        delete m_programs[i];
    }
    delete[] m_programs;
    for (AUKernelBase* kernel : m_kernels) {
        delete kernel;
    }
}

void OrkeAuBase::AddKernels() {
    if (m_kernelsAdded) {
        return;
    }
    m_kernelsAdded = true;
    PrepareRender(); // the channel counts are final by now
    const int32_t outputs = cEffect.numOutputs;
    m_kernels.reserve(m_kernels.size() + static_cast<size_t>(outputs > 0 ? outputs : 0));
    for (int32_t i = 0; i < outputs; ++i) {
        AUKernelBase* kernel = NewKernel();
        if (kernel == nullptr) {
            return;
        }
        kernel->m_sampleRate = m_kernelSampleRate;
        m_kernels.push_back(kernel);
    }
}

AUKernelBase* OrkeAuBase::NewKernel() {
    return nullptr;
}

// Sized by the record's channel counts as they stand when the plug-in is made; the render path never reads
// more channels of the host's arrays than these hold.
void OrkeAuBase::PrepareRender() {
    m_numInputChannels = static_cast<size_t>(std::max(cEffect.numInputs, 0));
    m_numOutputChannels = static_cast<size_t>(std::max(cEffect.numOutputs, 0));
    m_inputChannels.reset(new const float*[m_numInputChannels + 1]());
    m_outputChannels.reset(new float*[m_numOutputChannels + 1]());
    m_silence.reset(new float[kRenderPart]());
    m_discarded.reset(new float[kRenderPart * (m_numOutputChannels + 1)]());
    m_narrowInputs.reset(new float[kRenderPart * (m_numInputChannels + 1)]());
    m_narrowOutputs.reset(new float[kRenderPart * (m_numOutputChannels + 1)]());
}

intptr_t OrkeAuBase::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    const intptr_t result = AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    const bool resumed = opcode == effMainsChanged && value != 0;
    const bool rateSet = opcode == effSetSampleRate || opcode == effSetBlockSizeAndSampleRate;
    // The rate is taken from the field, so whatever setSampleRate (or resume) decided is what kernels get.
    if (resumed || (rateSet && sampleRate != m_kernelSampleRate)) {
        m_kernelSampleRate = sampleRate;
        m_resetRequests.fetch_add(1, std::memory_order_release);
    }
    return result;
}

void OrkeAuBase::CopyDataToGui(DataToGui&) const {}

OSStatus OrkeAuBase::ValueStrings(const CFStringRef* texts, int32_t count, CFArrayRef* outStrings) {
    if (outStrings != nullptr) {
        *outStrings = CFArrayCreate(nullptr, reinterpret_cast<const void**>(const_cast<CFStringRef*>(texts)),
                                    count, &kCFTypeArrayCallBacks);
    }
    return noErr;
}
