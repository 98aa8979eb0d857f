// One effect instance, driven only through its record. Owns the instance: the destructor sends the close
// request once.
#pragma once

#include "CallTrace.h"
#include "EffectRecord.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orke::host {

// Text requests are answered into a buffer far wider than any field the interface fixes, so a plug-in that
// writes past its field cannot reach the host's memory; the bytes past the field are guard bytes, and a
// request whose answer changed them is logged (TakeTextOverruns).
inline constexpr size_t kTextBufferSize = 1024;

// The width of the field the answer to a text request `opcode` must fit, NUL included; kTextBufferSize for a
// request that answers no text.
size_t TextFieldOf(int32_t opcode);

// One text answer, read from its guarded buffer.
struct TextAnswer {
    intptr_t answer = 0;
    size_t written = 0; // bytes up to the last one the plug-in changed; 0 when it changed none
    bool ended = false; // a NUL within the buffer
    std::string bytes;  // up to the first NUL, or the whole buffer without one
    std::string Text() const { return bytes.substr(0, written); }
};

// A request that wrote past its text field: the first such answer, and how many there were.
struct TextOverrun {
    int32_t opcode = 0;
    int32_t index = 0;
    size_t field = 0;
    size_t written = 0; // the most bytes any of them wrote
    int64_t times = 0;
};
// The overruns logged in this process since the last call, one per request, in the order first seen.
std::vector<TextOverrun> TakeTextOverruns();
// "request 6 (effGetParamLabel) for index 0 wrote 32 bytes into its 8-byte field (3 answers)".
std::string DescribeTextOverrun(const TextOverrun& overrun);

// More channels than this are a broken record rather than a plug-in's: the host makes no buffers for them.
inline constexpr int32_t kMaxPluginChannels = 256;

class Effect {
public:
    explicit Effect(AEffect* record)
        : m_record(record)
        , m_inputs(record->numInputs)
        , m_outputs(record->numOutputs) {}
    ~Effect() { Close(); }

    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    AEffect* Record() const { return m_record; }

    // Every call into the plug-in is traced, and its exception comes out as a PluginException naming the
    // call.
    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const {
        TraceRequest(opcode, index, value, ptr, opt);
        try {
            const intptr_t answer = m_record->dispatcher(m_record, opcode, index, value, ptr, opt);
            TraceReturn();
            return answer;
        } catch (...) {
            RethrowFromPlugin();
        }
    }
    // A text request answered into a guarded buffer whose field holds `fill` (the NUL a careful host gives,
    // or a marker that tells what was written); logs an answer that runs past the field.
    TextAnswer AskText(int32_t opcode, int32_t index = 0, intptr_t value = 0, char fill = '\0') const;
    // The text of such an answer up to its NUL.
    std::string Text(int32_t opcode, int32_t index = 0, intptr_t value = 0) const {
        return AskText(opcode, index, value).Text();
    }

    // Lifecycle.
    void Open();
    void Close(); // sends the close request once; the record is gone afterwards
    void SetSampleRate(double sampleRate) const;
    void SetBlockSize(int32_t blockSize);
    // The largest block the effect was last told to expect; 0 before it was told any.
    int32_t BlockSize() const { return m_blockSize; }
    // Resume and suspend only change the state: a careful host never resumes a resumed effect, nor suspends a
    // suspended one. Close suspends first.
    void Resume();
    void Suspend();
    bool Resumed() const { return m_resumed; }
    void StartProcess() const;
    void StopProcess() const;

    // Identity. The channel counts are the record's once the effect is open: the host sizes its buffers by
    // them, and a plug-in that writes other counts into its record later is not believed.
    int32_t NumInputs() const { return m_inputs; }
    int32_t NumOutputs() const { return m_outputs; }
    // True when both counts are from 0 to kMaxPluginChannels: channels the host can make buffers for.
    bool ChannelsPlausible() const {
        return m_inputs >= 0 && m_inputs <= kMaxPluginChannels && m_outputs >= 0 &&
               m_outputs <= kMaxPluginChannels;
    }
    int32_t NumPrograms() const { return m_record->numPrograms; }
    int32_t NumParameters() const { return m_record->numParams; }
    int32_t Flags() const { return m_record->flags; }
    int32_t UniqueId() const { return m_record->uniqueID; }

    // Programs and parameters.
    int32_t Program() const;
    void SetProgram(int32_t program) const;
    std::string ProgramName() const;
    // The name of program `program`: asked by index, or by switching to it and back when that is not
    // answered.
    std::string ProgramNameAt(int32_t program) const;
    std::string ParameterName(int32_t index) const;
    std::string ParameterLabel(int32_t index) const;
    std::string ParameterDisplay(int32_t index) const;
    float GetParameter(int32_t index) const;
    void SetParameter(int32_t index, float value) const;

    // True when the effect offers a 32-bit process entry, replacing or (deprecated) accumulating.
    bool CanProcess() const;
    // Renders one block: the replacing entry when the effect announces it, otherwise the accumulating entry
    // into outputs this call clears first; silence when the effect has neither.
    void Process(float** inputs, float** outputs, int32_t frames) const;

private:
    AEffect* m_record;
    int32_t m_inputs;
    int32_t m_outputs;
    int32_t m_blockSize = 0;
    bool m_resumed = false;
};

} // namespace orke::host
