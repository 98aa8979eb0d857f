// An effect instance driven through its record: each request, traced, its answers read with care.
#include "Effect.h"

#include "EffectOpcodes.h"

#include <cstring>
#include <vector>

namespace orke::host {

std::string Effect::Text(int32_t opcode, int32_t index, intptr_t value) const {
    std::vector<char> buffer(kTextBufferSize, '\0');
    Dispatch(opcode, index, value, buffer.data());
    buffer.back() = '\0';
    return buffer.data();
}

void Effect::Open() {
    Dispatch(effOpen);
    m_inputs = m_record->numInputs;
    m_outputs = m_record->numOutputs;
}

void Effect::Close() {
    if (m_record != nullptr) {
        try {
            Suspend();
            Dispatch(effClose);
        } catch (const PluginException&) {
            // Closing runs from destructors, also while an earlier exception unwinds: the record is gone
            // either way.
        }
        m_record = nullptr;
    }
}

void Effect::SetSampleRate(double sampleRate) const {
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
}
void Effect::SetBlockSize(int32_t blockSize) {
    Dispatch(effSetBlockSize, 0, blockSize);
    m_blockSize = blockSize;
}
void Effect::Resume() {
    if (!m_resumed) {
        Dispatch(effMainsChanged, 0, 1);
        m_resumed = true;
    }
}

void Effect::Suspend() {
    if (m_resumed) {
        Dispatch(effMainsChanged, 0, 0);
        m_resumed = false;
    }
}
void Effect::StartProcess() const {
    Dispatch(effStartProcess);
}
void Effect::StopProcess() const {
    Dispatch(effStopProcess);
}

int32_t Effect::Program() const {
    return static_cast<int32_t>(Dispatch(effGetProgram));
}
void Effect::SetProgram(int32_t program) const {
    Dispatch(effSetProgram, 0, program);
}
std::string Effect::ProgramName() const {
    return Text(effGetProgramName);
}

std::string Effect::ProgramNameAt(int32_t program) const {
    std::vector<char> buffer(kTextBufferSize, '\0');
    if (Dispatch(effGetProgramNameIndexed, program, -1, buffer.data()) != 0) {
        buffer.back() = '\0';
        return buffer.data();
    }
    const int32_t current = Program();
    SetProgram(program);
    std::string name = ProgramName();
    SetProgram(current);
    return name;
}

std::string Effect::ParameterName(int32_t index) const {
    return Text(effGetParamName, index);
}
std::string Effect::ParameterLabel(int32_t index) const {
    return Text(effGetParamLabel, index);
}
std::string Effect::ParameterDisplay(int32_t index) const {
    return Text(effGetParamDisplay, index);
}

float Effect::GetParameter(int32_t index) const {
    TraceParameter(CallKind::GetParameter, index, 0.0f);
    try {
        const float value = m_record->getParameter(m_record, index);
        TraceReturn();
        return value;
    } catch (...) {
        RethrowFromPlugin();
    }
}

void Effect::SetParameter(int32_t index, float value) const {
    TraceParameter(CallKind::SetParameter, index, value);
    try {
        m_record->setParameter(m_record, index, value);
        TraceReturn();
    } catch (...) {
        RethrowFromPlugin();
    }
}

bool Effect::CanProcess() const {
    if ((m_record->flags & effFlagsCanReplacing) != 0 && m_record->processReplacing != nullptr) {
        return true;
    }
    return m_record->process != nullptr;
}

void Effect::Process(float** inputs, float** outputs, int32_t frames) const {
    const bool replacing =
        (m_record->flags & effFlagsCanReplacing) != 0 && m_record->processReplacing != nullptr;
    if (!replacing) {
        for (int32_t channel = 0; channel < m_outputs; ++channel) {
            std::memset(outputs[channel], 0, sizeof(float) * static_cast<size_t>(frames > 0 ? frames : 0));
        }
    }
    const AEffectProcessProc entry = replacing ? m_record->processReplacing : m_record->process;
    if (entry == nullptr) { // none at all: the block stays silent
        return;
    }
    TraceProcess(frames, inputs, outputs, m_inputs, m_outputs);
    try {
        entry(m_record, inputs, outputs, frames);
        TraceReturn();
    } catch (...) {
        RethrowFromPlugin();
    }
}

} // namespace orke::host
