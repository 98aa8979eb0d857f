// Test effects for the shell: one that records every operation the dispatchers reach (and its editor's), and
// one that keeps every default.
#pragma once

#include "AEffEditor.h"
#include "AudioEffectExtended.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

namespace vsttest {

// Host pointers in ptr and in value; the recording effect never dereferences them.
constexpr uintptr_t P = 0x1000;
constexpr intptr_t V = 0x2000;

// Every recorded operation, with the one request that reaches it: X(opcode, return type, operation,
// parameters, arguments recorded, then the request's index, value, ptr and opt, the arguments as recorded,
// the answer when the operation answers 7, the answer when it answers 0, and whether only the PowerPC
// behaviour serves it).
// clang-format off
#define ORKE_EFFECT_REQUESTS(X) \
    X(effOpen, void, open, (), (), 0, 0, 0, 0, "", 0, 0, false) \
    X(effSetProgram, void, setProgram, (int32_t program), (program), 0, 7, 0, 0, "7", 0, 0, false) \
    X(effGetProgram, int32_t, getProgram, (), (), 0, 0, 0, 0, "", 7, 0, false) \
    X(effSetProgramName, void, setProgramName, (char* t), (t), 0, 0, P, 0, "0x1000", 0, 0, false) \
    X(effGetProgramName, void, getProgramName, (char* t), (t), 0, 0, P, 0, "0x1000", 0, 0, false) \
    X(effGetParamLabel, void, getParameterLabel, (int32_t i, char* t), (i, t), 2, 0, P, 0, "2,0x1000", 0, 0, false) \
    X(effGetParamDisplay, void, getParameterDisplay, (int32_t i, char* t), (i, t), 2, 0, P, 0, "2,0x1000", 0, 0, false) \
    X(effGetParamName, void, getParameterName, (int32_t i, char* t), (i, t), 2, 0, P, 0, "2,0x1000", 0, 0, false) \
    X(effGetVu, float, getVu, (), (), 0, 0, 0, 0, "", 7 * 32767, 0, true) \
    X(effSetSampleRate, void, setSampleRate, (float rate), (rate), 0, 0, 0, 48000.0f, "48000", 0, 0, false) \
    X(effSetBlockSize, void, setBlockSize, (int32_t size), (size), 0, 512, 0, 0, "512", 0, 0, false) \
    X(effMainsChanged, void, suspend, (), (), 0, 0, 0, 0, "", 0, 0, false) \
    X(effMainsChanged, void, resume, (), (), 0, 2, 0, 0, "", 0, 0, false) \
    X(effGetChunk, int32_t, getChunk, (void** data, bool preset), (data, preset), 1, 0, P, 0, "0x1000,true", 7, 0, false) \
    X(effSetChunk, int32_t, setChunk, (void* data, int32_t n, bool preset), (data, n, preset), 0, 100, P, 0, "0x1000,100,false", 7, 0, false) \
    X(effProcessEvents, int32_t, processEvents, (VstEvents* e), (e), 0, 0, P, 0, "0x1000", 7, 0, false) \
    X(effCanBeAutomated, bool, canParameterBeAutomated, (int32_t i), (i), 5, 0, 0, 0, "5", 1, 0, false) \
    X(effString2Parameter, bool, string2parameter, (int32_t i, char* t), (i, t), 5, 0, P, 0, "5,0x1000", 1, 0, false) \
    X(effGetNumProgramCategories, int32_t, getNumCategories, (), (), 0, 0, 0, 0, "", 7, 0, true) \
    X(effGetProgramNameIndexed, bool, getProgramNameIndexed, (int32_t c, int32_t i, char* t), (c, i, t), 7, 5, P, 0, "5,7,0x1000", 1, 0, false) \
    X(effCopyProgram, bool, copyProgram, (int32_t d), (d), 4, 0, 0, 0, "4", 1, 0, true) \
    X(effConnectInput, void, inputConnected, (int32_t i, bool s), (i, s), 2, 0, 0, 0, "2,false", 1, 1, true) \
    X(effConnectOutput, void, outputConnected, (int32_t i, bool s), (i, s), 3, 5, 0, 0, "3,true", 1, 1, true) \
    X(effGetInputProperties, bool, getInputProperties, (int32_t i, VstPinProperties* p), (i, p), 1, 0, P, 0, "1,0x1000", 1, 0, false) \
    X(effGetOutputProperties, bool, getOutputProperties, (int32_t i, VstPinProperties* p), (i, p), 1, 0, P, 0, "1,0x1000", 1, 0, false) \
    X(effGetPlugCategory, int32_t, getPlugCategory, (), (), 0, 0, 0, 0, "", 7, 0, false) \
    X(effGetCurrentPosition, int32_t, reportCurrentPosition, (), (), 0, 0, 0, 0, "", 7, 0, true) \
    X(effGetDestinationBuffer, float*, reportDestinationBuffer, (), (), 0, 0, 0, 0, "", 7, 0, true) \
    X(effOfflineNotify, bool, offlineNotify, (VstAudioFile* f, int32_t n, bool start), (f, n, start), 1, 3, P, 0, "0x1000,3,true", 1, 0, false) \
    X(effOfflinePrepare, bool, offlinePrepare, (VstOfflineTask* t, int32_t n), (t, n), 0, 3, P, 0, "0x1000,3", 1, 0, false) \
    X(effOfflineRun, bool, offlineRun, (VstOfflineTask* t, int32_t n), (t, n), 0, 3, P, 0, "0x1000,3", 1, 0, false) \
    X(effProcessVarIo, bool, processVariableIo, (VstVariableIo* io), (io), 0, 0, P, 0, "0x1000", 1, 0, false) \
    X(effSetSpeakerArrangement, bool, setSpeakerArrangement, (Arrangement* in, Arrangement* out), (in, out), 0, V, P, 0, "0x2000,0x1000", 1, 0, false) \
    X(effSetBlockSizeAndSampleRate, void, setBlockSizeAndSampleRate, (int32_t n, float rate), (n, rate), 0, 256, 0, 96000.0f, "256,96000", 1, 1, true) \
    X(effSetBypass, bool, setBypass, (bool on), (on), 0, 1, 0, 0, "true", 1, 0, false) \
    X(effGetEffectName, bool, getEffectName, (char* t), (t), 0, 0, P, 0, "0x1000", 1, 0, false) \
    X(effGetErrorText, bool, getErrorText, (char* t), (t), 0, 0, P, 0, "0x1000", 1, 0, true) \
    X(effGetVendorString, bool, getVendorString, (char* t), (t), 0, 0, P, 0, "0x1000", 1, 0, false) \
    X(effGetProductString, bool, getProductString, (char* t), (t), 0, 0, P, 0, "0x1000", 1, 0, false) \
    X(effGetVendorVersion, int32_t, getVendorVersion, (), (), 0, 0, 0, 0, "", 7, 0, false) \
    X(effVendorSpecific, intptr_t, vendorSpecific, (int32_t a, intptr_t b, void* p, float f), (a, b, p, f), 3, 4, P, 0.5f, "3,4,0x1000,0.5", 7, 0, false) \
    X(effCanDo, int32_t, canDo, (char* t), (t), 0, 0, P, 0, "0x1000", 7, 0, false) \
    X(effGetTailSize, int32_t, getGetTailSize, (), (), 0, 0, 0, 0, "", 7, 0, false) \
    X(effIdle, int32_t, fxIdle, (), (), 0, 0, 0, 0, "", 7, 0, true) \
    X(effGetIcon, void*, getIcon, (), (), 0, 0, 0, 0, "", 7, 0, true) \
    X(effSetViewPosition, bool, setViewPosition, (int32_t x, int32_t y), (x, y), 10, 20, 0, 0, "10,20", 1, 0, true) \
    X(effGetParameterProperties, bool, getParameterProperties, (int32_t i, VstParameterProperties* p), (i, p), 2, 0, P, 0, "2,0x1000", 1, 0, false) \
    X(effKeysRequired, bool, keysRequired, (), (), 0, 0, 0, 0, "", 0, 1, true) \
    X(effGetVstVersion, int32_t, getVstVersion, (), (), 0, 0, 0, 0, "", 7, 0, false) \
    X(effGetMidiProgramName, int32_t, getMidiProgramName, (int32_t c, MidiProgramName* p), (c, p), 2, 0, P, 0, "2,0x1000", 7, 0, false) \
    X(effGetCurrentMidiProgram, int32_t, getCurrentMidiProgram, (int32_t c, MidiProgramName* p), (c, p), 2, 0, P, 0, "2,0x1000", 7, 0, false) \
    X(effGetMidiProgramCategory, int32_t, getMidiProgramCategory, (int32_t c, MidiProgramCategory* p), (c, p), 2, 0, P, 0, "2,0x1000", 7, 0, false) \
    X(effHasMidiProgramsChanged, bool, hasMidiProgramsChanged, (int32_t c), (c), 2, 0, 0, 0, "2", 1, 0, false) \
    X(effGetMidiKeyName, bool, getMidiKeyName, (int32_t c, MidiKeyName* k), (c, k), 2, 0, P, 0, "2,0x1000", 1, 0, false) \
    X(effBeginSetProgram, bool, beginSetProgram, (), (), 0, 0, 0, 0, "", 1, 0, false) \
    X(effEndSetProgram, bool, endSetProgram, (), (), 0, 0, 0, 0, "", 1, 0, false) \
    X(effGetSpeakerArrangement, bool, getSpeakerArrangement, (Arrangement** in, Arrangement** out), (in, out), 0, V, P, 0, "0x2000,0x1000", 1, 0, false) \
    X(effShellGetNextPlugin, int32_t, getNextShellPlugin, (char* t), (t), 0, 0, P, 0, "0x1000", 7, 0, false) \
    X(effStartProcess, int32_t, startProcess, (), (), 0, 0, 0, 0, "", 7, 0, false) \
    X(effStopProcess, int32_t, stopProcess, (), (), 0, 0, 0, 0, "", 7, 0, false) \
    X(effSetTotalSampleToProcess, int32_t, setTotalSampleToProcess, (int32_t v), (v), 0, 44100, 0, 0, "44100", 7, 0, false) \
    X(effSetPanLaw, bool, setPanLaw, (int32_t type, float v), (type, v), 0, 2, 0, 0.5f, "2,0.5", 1, 0, false) \
    X(effBeginLoadBank, int32_t, beginLoadBank, (VstPatchChunkInfo* p), (p), 0, 0, P, 0, "0x1000", 7, 0, false) \
    X(effBeginLoadProgram, int32_t, beginLoadProgram, (VstPatchChunkInfo* p), (p), 0, 0, P, 0, "0x1000", 7, 0, false) \
    X(effSetProcessPrecision, bool, setProcessPrecision, (int32_t p), (p), 0, 1, 0, 0, "1", 1, 0, false) \
    X(effGetNumMidiInputChannels, int32_t, getNumMidiInputChannels, (), (), 0, 0, 0, 0, "", 7, 0, false) \
    X(effGetNumMidiOutputChannels, int32_t, getNumMidiOutputChannels, (), (), 0, 0, 0, 0, "", 7, 0, false)

#define ORKE_EDITOR_REQUESTS(X) \
    X(effEditGetRect, bool, getRect, (ERect** rect), (rect), 0, 0, P, 0, "0x1000", 1, 0, false) \
    X(effEditOpen, bool, open, (void* parent), (parent), 0, 0, P, 0, "0x1000", 1, 0, false) \
    X(effEditClose, void, close, (), (), 0, 0, 0, 0, "", 0, 0, false) \
    X(effEditDraw, void, draw, (void* rect), (rect), 0, 0, P, 0, "0x1000", 0, 0, true) \
    X(effEditMouse, int32_t, mouse, (int32_t x, int32_t y), (x, y), 3, 4, 0, 0, "3,4", 7, 0, true) \
    X(effEditKey, int32_t, key, (int32_t keyCode), (keyCode), 0, 65, 0, 0, "65", 7, 0, true) \
    X(effEditIdle, void, idle, (), (), 0, 0, 0, 0, "", 0, 0, false) \
    X(effEditTop, void, top, (), (), 0, 0, 0, 0, "", 0, 0, true) \
    X(effEditSleep, void, sleep, (), (), 0, 0, 0, 0, "", 0, 0, true) \
    X(effEditKeyDown, bool, onKeyDown, (VstKeyCode& k), (k.character, +k.virt, +k.modifier), 65, 300, 0, 2.7f, "65,44,2", 1, 0, false) \
    X(effEditKeyUp, bool, onKeyUp, (VstKeyCode& k), (k.character, +k.virt, +k.modifier), 65, 300, 0, 2.7f, "65,44,2", 1, 0, false) \
    X(effSetEditKnobMode, bool, setKnobMode, (int32_t mode), (mode), 0, 3, 0, 0, "3", 1, 0, false)
// clang-format on

// Arguments are shown as they are, pointers in hex.
template <typename T>
using Shown = std::conditional_t<std::is_pointer_v<T>, const void*, T>;

// What was asked, space-separated, like "getProgramNameIndexed(5,7,0x1000)"; every operation answers
// `answer`, converted to its own return type.
struct CallLog {
    std::string calls;
    intptr_t answer = 0;

    // The recorder of one operation, to be called with the operation's arguments.
    template <typename R>
    auto record(const char* prefix, const char* name) {
        return [this, prefix, name](auto... args) -> R {
            std::ostringstream call;
            call << std::boolalpha << (calls.empty() ? "" : " ") << prefix << name << '(';
            [[maybe_unused]] const char* separator = "";
            ((call << separator << static_cast<Shown<decltype(args)>>(args), separator = ","), ...);
            calls += call.str() + ")";
            return R(answer); // reinterpreted for a pointer, converted for a number
        };
    }
};

// clang-format off
#define ORKE_RECORDED(opcode, R, name, params, args, ...) \
    R name params override { return m_log.record<R>(kPrefix, #name) args; }
// clang-format on

class RecordingEditor : public AEffEditor {
public:
    explicit RecordingEditor(CallLog& log)
        : m_log(log) {}
    ORKE_EDITOR_REQUESTS(ORKE_RECORDED)

private:
    static constexpr const char* kPrefix = "editor.";
    CallLog& m_log;
};

class RecordingEffect : public AudioEffectX {
public:
    explicit RecordingEffect(CallLog& log, bool withEditor = true)
        : AudioEffectX(nullptr, 8, 4)
        , m_log(log) {
        if (withEditor) {
            setEditor(new RecordingEditor(log));
        }
    }
    void processReplacing(float**, float**, int32_t) override {}
    using Arrangement = VstSpeakerArrangement;
    ORKE_EFFECT_REQUESTS(ORKE_RECORDED)

private:
    static constexpr const char* kPrefix = "";
    CallLog& m_log;
};
#undef ORKE_RECORDED

// An extended effect with every default but these: it counts calls of the two setters that some requests
// must bypass, notes the last parameter set, and answers canDo("receiveVstMidiEvent") with canReceiveMidi
// when that is set.
class DefaultsEffect : public AudioEffectX {
public:
    explicit DefaultsEffect(audioMasterCallback host = nullptr)
        : AudioEffectX(host, 8, 2) {}
    void processReplacing(float**, float**, int32_t) override {}
    void setSampleRate(float) override { ++setterCalls; }
    void setBlockSize(int32_t) override { ++setterCalls; }
    void setParameter(int32_t index, float value) override { lastSet = {index, value}; }
    int32_t canDo(char* text) override {
        return canReceiveMidi != 0 && std::string(text) == "receiveVstMidiEvent" ? canReceiveMidi
                                                                                 : AudioEffectX::canDo(text);
    }

    int setterCalls = 0, canReceiveMidi = 0;
    std::pair<int32_t, float> lastSet;
};

// One request, the operation it must reach ("" for none) and what it answers when every operation answers 7,
// and when every operation answers 0. A PowerPC-only request otherwise reaches nothing and answers 0.
struct Request {
    int32_t opcode, index;
    intptr_t value;
    uintptr_t ptr;
    float opt;
    const char* call;
    intptr_t whenSeven, whenZero;
    bool powerPcOnly;
};
// clang-format off
#define ORKE_REQUEST(opcode, R, name, params, args, index, value, ptr, opt, shown, seven, zero, ppc) \
    {opcode, index, value, ptr, opt, #name "(" shown ")", seven, zero, ppc},
#define ORKE_EDITOR_REQUEST(opcode, R, name, params, args, index, value, ptr, opt, shown, seven, zero, ppc) \
    {opcode, index, value, ptr, opt, "editor." #name "(" shown ")", seven, zero, ppc},
// clang-format on

inline void expectServed(const Request& r) {
    const bool served = !r.powerPcOnly || orke::kPowerPcBehaviour;
    for (const intptr_t answer : {intptr_t{7}, intptr_t{0}}) {
        SCOPED_TRACE(testing::Message()
                     << "opcode " << r.opcode << " value " << r.value << ", answers " << answer);
        CallLog log;
        log.answer = answer;
        RecordingEffect effect(log);
        AEffect* record = effect.getAeffect();
        const intptr_t result =
            record->dispatcher(record, r.opcode, r.index, r.value, reinterpret_cast<void*>(r.ptr), r.opt);
        EXPECT_EQ(log.calls, served ? r.call : "");
        EXPECT_EQ(result, !served ? 0 : answer != 0 ? r.whenSeven : r.whenZero);
    }
}

} // namespace vsttest
