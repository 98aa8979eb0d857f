// Every request from 0 to 90, once with null pointers and once with buffers of a sensible size, with
// arguments that change nothing: a robust plug-in answers each without crashing or hanging.
#include "ValidationChecks.h"

#include "CallTrace.h"
#include "EffectOpcodes.h"
#include "ProcessingHarness.h"
#include "VstRecords.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orke::host {
namespace {

constexpr int kLastRequest = 90;
constexpr intptr_t kShellCategory = 10;

bool isEditorRequest(int opcode) {
    return (opcode >= effEditGetRect && opcode <= effEditSleep) ||
           (opcode >= effEditKeyDown && opcode <= effSetEditKnobMode);
}

// An empty list of events, as the request to process events takes it: a count, a reserved word, pointers.
struct EmptyEventList {
    int32_t numEvents;
    intptr_t reserved;
    void* events[2];
};

// The speaker arrangement of `channels` plain channels, as bytes laid out for the arrangement requests; none
// for a count no plug-in has.
std::vector<char> arrangement(int32_t channels) {
    channels = std::clamp(channels, 0, kMaxPluginChannels);
    const auto count = static_cast<size_t>(channels);
    std::vector<char> bytes(kSpeakerArrangementHeaderSize + count * sizeof(VstSpeakerProperties), '\0');
    const int32_t type = channels == 1 ? 0 : channels == 2 ? 1 : -2; // mono, stereo, user-defined
    std::memcpy(bytes.data(), &type, sizeof type);
    std::memcpy(bytes.data() + sizeof type, &channels, sizeof channels);
    return bytes;
}

class RequestSweep {
public:
    RequestSweep(const Effect& effect, bool nullPointers)
        : m_effect(effect)
        , m_null(nullPointers) {
        m_programName = effect.ProgramName();
        if (effect.NumParameters() > 0) {
            m_displayText = effect.ParameterDisplay(0);
        }
    }

    // Sends one request; its answer.
    intptr_t Send(int opcode) {
        std::fill(m_buffer.begin(), m_buffer.end(), '\0');
        void* buffer = m_null ? nullptr : m_buffer.data();
        switch (opcode) {
        case effSetProgram:
            return m_effect.Dispatch(opcode, 0, m_effect.Program());
        case effSetProgramName:
        case effString2Parameter:
        case effCanDo: {
            const std::string& text = opcode == effSetProgramName ? m_programName
                                      : opcode == effCanDo        ? std::string("receiveVstEvents")
                                                                  : m_displayText;
            std::memcpy(m_buffer.data(), text.data(), std::min(text.size(), m_buffer.size() - 1));
            return m_effect.Dispatch(opcode, 0, 0, buffer);
        }
        case effSetSampleRate:
            return m_effect.Dispatch(opcode, 0, 0, nullptr, static_cast<float>(kValidationSampleRate));
        case effSetBlockSize:
            return m_effect.Dispatch(opcode, 0, kValidationMaxBlock);
        case effMainsChanged: // resumed and suspended again: a plug-in may hold a host to the order
            m_effect.Dispatch(opcode, 0, 1);
            return m_effect.Dispatch(opcode, 0, 0);
        case effEditGetRect:
        case effGetChunk: {
            m_slots[0] = nullptr;
            const intptr_t answer = m_effect.Dispatch(opcode, 0, 0, m_null ? nullptr : &m_slots[0]);
            if (opcode == effGetChunk && answer > 0 && answer < (intptr_t{1} << 28) &&
                m_slots[0] != nullptr) {
                const auto* data = static_cast<const char*>(m_slots[0]);
                m_chunk.assign(data, data + answer); // the plug-in's own memory, copied before it changes
            }
            return answer;
        }
        case effSetChunk:
            if (m_null || m_chunk.empty()) {
                return m_effect.Dispatch(opcode, 0, 0, nullptr);
            }
            return m_effect.Dispatch(opcode, 0, static_cast<intptr_t>(m_chunk.size()), m_chunk.data());
        case effProcessEvents:
            m_events = EmptyEventList{};
            return m_effect.Dispatch(opcode, 0, 0, m_null ? nullptr : &m_events);
        case effGetProgramNameIndexed:
            return m_null ? m_effect.Dispatch(opcode, 0, -1, nullptr)
                          : m_effect.AskText(opcode, 0, -1).answer;
        case effConnectInput:
        case effConnectOutput:
            return m_effect.Dispatch(opcode, 0, 1);
        case effProcessVarIo:
            return m_effect.Dispatch(opcode, 0, 0, nullptr); // no audio goes with it here
        case effSetSpeakerArrangement: {
            if (m_null) {
                return m_effect.Dispatch(opcode, 0, 0, nullptr);
            }
            std::vector<char> input = arrangement(m_effect.NumInputs());
            std::vector<char> output = arrangement(m_effect.NumOutputs());
            return m_effect.Dispatch(opcode, 0, reinterpret_cast<intptr_t>(input.data()), output.data());
        }
        case effGetSpeakerArrangement:
            m_slots[0] = m_slots[1] = nullptr;
            if (m_null) {
                return m_effect.Dispatch(opcode, 0, 0, nullptr);
            }
            return m_effect.Dispatch(opcode, 0, reinterpret_cast<intptr_t>(&m_slots[0]), &m_slots[1]);
        case effSetBlockSizeAndSampleRate:
            return m_effect.Dispatch(opcode, 0, kValidationMaxBlock, nullptr,
                                     static_cast<float>(kValidationSampleRate));
        case effSetTotalSampleToProcess:
            return m_effect.Dispatch(opcode, 0, static_cast<intptr_t>(kValidationSampleRate));
        case effSetPanLaw:
            return m_effect.Dispatch(opcode, 0, 0, nullptr, 1.0f);
        default:
            // Indexed requests ask about item 0; everything else gets zeros and, at most, an empty buffer. A
            // text answer goes into a guarded buffer, so that a write past its field is named.
            if (!m_null && TextFieldOf(opcode) < kTextBufferSize) {
                return m_effect.AskText(opcode).answer;
            }
            return m_effect.Dispatch(opcode, 0, 0, buffer);
        }
    }

private:
    const Effect& m_effect;
    bool m_null;
    std::vector<char> m_buffer = std::vector<char>(4096, '\0');
    std::vector<char> m_chunk;
    void* m_slots[2] = {};
    EmptyEventList m_events{};
    std::string m_programName;
    std::string m_displayText;
};

// The requests that only some plug-ins take, and what a plug-in says (to effCanDo, or by its category) when
// it takes them; nullptr for requests any plug-in may get.
const char* claimFor(int opcode) {
    if (isEditorRequest(opcode)) {
        return "editor"; // the flag; plug-ins with an editor never get these here, as the host has no windows
    }
    switch (opcode) {
    case effGetChunk:
    case effSetChunk:
        return "chunks"; // the flag
    case effProcessEvents:
        return "events";
    case effSetBypass:
        return "bypass";
    case effOfflineNotify:
    case effOfflinePrepare:
    case effOfflineRun:
        return "offline";
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram:
    case effGetMidiProgramCategory:
    case effHasMidiProgramsChanged:
    case effGetMidiKeyName:
        return "midiProgramNames";
    case effShellGetNextPlugin:
        return "shell"; // the category, not a can-do
    default:
        return opcode > effGetNumMidiOutputChannels ? "" : nullptr; // beyond VST 2.4: no plug-in takes it
    }
}

bool canDo(const Effect& effect, const std::string& what) {
    std::vector<char> text(kTextBufferSize, '\0');
    std::memcpy(text.data(), what.data(), what.size());
    return effect.Dispatch(effCanDo, 0, 0, text.data()) == 1;
}

bool claims(const Effect& effect, const std::string& what) {
    if (what == "editor") {
        return false;
    }
    if (what == "chunks") {
        return (effect.Flags() & effFlagsProgramChunks) != 0;
    }
    if (what == "events") {
        return (effect.Flags() & effFlagsIsSynth) != 0 || canDo(effect, "receiveVstEvents") ||
               canDo(effect, "receiveVstMidiEvent");
    }
    if (what == "shell") {
        return effect.Dispatch(effGetPlugCategory) == kShellCategory;
    }
    return !what.empty() && canDo(effect, what);
}

void sweep(CheckContext& context, bool nullPointers) {
    auto plugin = context.Load();
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    const bool hasEditor = (effect.Flags() & effFlagsHasEditor) != 0;
    RequestSweep requests(effect, nullPointers);
    int sent = 0;
    int answered = 0;
    const std::string step =
        nullPointers ? "the requests with null pointers" : "the requests with sized buffers";
    // A careful host sends a request that only some plug-ins take only to one that says it takes it; the
    // others get it from the level that sends what a plug-in did not ask for.
    const bool everything = nullPointers || context.Level() >= kUnclaimedRequestsFrom;
    int unclaimed = 0;
    for (int opcode = std::max(context.ResumeFrom(), 0); opcode <= kLastRequest; ++opcode) {
        if (opcode == effOpen || opcode == effClose || (hasEditor && isEditorRequest(opcode))) {
            continue;
        }
        context.Mark(opcode, step);
        if (!everything && claimFor(opcode) != nullptr && !claims(effect, claimFor(opcode))) {
            ++unclaimed;
            continue;
        }
        answered += requests.Send(opcode) != 0 ? 1 : 0;
        ++sent;
    }
    // The effect must still work after all that.
    context.Mark(kLastRequest + 1, "processing after the requests");
    ProcessingHarness harness(context, effect);
    harness.Prepare(kValidationSampleRate);
    harness.RunFor(1024, 256);
    effect.Suspend();
    context.Note(std::to_string(sent) + " requests, " + std::to_string(answered) +
                 " answered; 0 and 1 are left to the open/close checks" +
                 (hasEditor ? "; editor requests skipped (the host has no windows)" : "") +
                 (unclaimed > 0
                      ? "; " + Counted(unclaimed, "request") + " it does not claim to take left to level " +
                            std::to_string(kUnclaimedRequestsFrom)
                      : ""));
}

} // namespace

void CheckRequestsWithNullPointers(CheckContext& context) {
    sweep(context, true);
}
void CheckRequestsWithBuffers(CheckContext& context) {
    sweep(context, false);
}

} // namespace orke::host
