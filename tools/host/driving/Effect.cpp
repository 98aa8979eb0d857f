// An effect instance driven through its record: each request, traced, its answers read with care.
#include "Effect.h"

#include "EffectOpcodes.h"
#include "TextFields.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace orke::host {
namespace {

// What the bytes past a text field hold while the plug-in answers: a value no text ends in.
constexpr char kGuardByte = static_cast<char>(0xA5);

std::mutex g_overrunsLock;
std::vector<TextOverrun> g_overruns;

void logOverrun(int32_t opcode, int32_t index, size_t field, size_t written) {
    const std::lock_guard<std::mutex> lock(g_overrunsLock);
    for (TextOverrun& overrun : g_overruns) {
        if (overrun.opcode == opcode) {
            overrun.written = std::max(overrun.written, written);
            ++overrun.times;
            return;
        }
    }
    g_overruns.push_back({opcode, index, field, written, 1});
}

} // namespace

size_t TextFieldOf(int32_t opcode) {
    switch (opcode) {
    case effGetProgramName:
    case effGetProgramNameIndexed:
        return kProgramNameField;
    case effGetParamName:
        return kParameterNameField;
    case effGetParamLabel:
        return kParameterLabelField;
    case effGetParamDisplay:
        return kParameterDisplayField;
    case effGetEffectName:
        return kEffectNameField;
    case effGetVendorString:
        return kVendorStringField;
    case effGetProductString:
        return kProductStringField;
    default:
        return kTextBufferSize;
    }
}

std::vector<TextOverrun> TakeTextOverruns() {
    const std::lock_guard<std::mutex> lock(g_overrunsLock);
    std::vector<TextOverrun> taken;
    taken.swap(g_overruns);
    return taken;
}

std::string DescribeTextOverrun(const TextOverrun& overrun) {
    return RequestName(overrun.opcode) + " for index " + std::to_string(overrun.index) + " wrote " +
           std::to_string(overrun.written) + " bytes into its " + std::to_string(overrun.field) +
           "-byte field" + (overrun.times > 1 ? " (" + std::to_string(overrun.times) + " answers)" : "");
}

TextAnswer Effect::AskText(int32_t opcode, int32_t index, intptr_t value, char fill) const {
    const size_t field = TextFieldOf(opcode);
    std::vector<char> buffer(kTextBufferSize, kGuardByte);
    std::fill_n(buffer.begin(), field, fill);
    TextAnswer text;
    text.answer = Dispatch(opcode, index, value, buffer.data());
    for (size_t i = buffer.size(); i > 0; --i) {
        if (buffer[i - 1] != (i - 1 < field ? fill : kGuardByte)) {
            text.written = i;
            break;
        }
    }
    if (text.written > field) {
        logOverrun(opcode, index, field, text.written);
    }
    const void* nul = std::memchr(buffer.data(), '\0', buffer.size());
    text.ended = nul != nullptr;
    text.bytes.assign(buffer.data(),
                      text.ended ? static_cast<const char*>(nul) - buffer.data() : buffer.size());
    return text;
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
    const TextAnswer indexed = AskText(effGetProgramNameIndexed, program, -1);
    if (indexed.answer != 0) {
        return indexed.Text();
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
