// OrkeAuBase: construction, destruction, kernels and the render path.
#include "OrkeAuBase.h"

#include "EffectOpcodes.h"

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
                program->SetParameter(j, astParamInfos[j].defaultValue);
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

void OrkeAuBase::ResetKernels() {
    const float rate = m_kernelSampleRate;
    for (AUKernelBase* kernel : m_kernels) {
        kernel->m_sampleRate = rate;
        kernel->m_changesForced = true;
        kernel->Reset();
    }
}

void OrkeAuBase::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    const uint32_t resetRequests = m_resetRequests.load(std::memory_order_acquire);
    if (resetRequests != m_resetsDone) {
        m_resetsDone = resetRequests;
        ResetKernels();
    }
    // The kernel list is fixed after construction: one read of it per block, none per channel.
    AUKernelBase* const* const kernels = m_kernels.data();
    const size_t count = m_kernels.size();
    if (inputs == nullptr || outputs == nullptr) {
        return;
    }
    const unsigned long frames = sampleFrames > 0 ? static_cast<unsigned long>(sampleFrames) : 0;
    bool silence = false;
    for (size_t i = 0; i < count; ++i) {
        if (inputs[i] != nullptr && outputs[i] != nullptr) {
            kernels[i]->Process(inputs[i], outputs[i], frames, 1, silence);
        }
    }
}

bool OrkeAuBase::getVendorString(char* text) {
    static const char kVendor[] = "Orvane Kettlers";
    for (size_t i = 0; i < sizeof(kVendor); ++i) {
        text[i] = kVendor[i];
    }
    return true;
}

void OrkeAuBase::CopyDataToGui(DataToGui&) const {}

OSStatus OrkeAuBase::ValueStrings(const CFStringRef* texts, int32_t count, CFArrayRef* outStrings) {
    if (outStrings != nullptr) {
        *outStrings = CFArrayCreate(nullptr, reinterpret_cast<const void**>(const_cast<CFStringRef*>(texts)),
                                    count, &kCFTypeArrayCallBacks);
    }
    return noErr;
}
