// Test effects for the shell: one that records every operation the dispatchers reach (and its editor's), and
// one that keeps every default. Recorded calls read like "getProgramNameIndexed(5,7,0x1000)".
#pragma once

#include "AEffEditor.h"
#include "AudioEffectExtended.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace vsttest {

// Arguments are shown as they are, pointers in hex (never dereferenced).
template <typename T>
using Shown = std::conditional_t<std::is_pointer_v<T>, const void*, T>;

// What was asked, space-separated; every operation answers `answer`, converted to its own return type.
struct CallLog {
    std::string calls;
    intptr_t answer = 0;

    template <typename R, typename... Args>
    R record(const char* prefix, const char* name, std::tuple<Args...> args) {
        std::ostringstream call;
        call << std::boolalpha << (calls.empty() ? "" : " ") << prefix << name << '(';
        std::apply(
            [&call](auto... a) {
                [[maybe_unused]] const char* separator = "";
                ((call << separator << static_cast<Shown<decltype(a)>>(a), separator = ","), ...);
            },
            args);
        calls += call.str() + ")";
        if constexpr (std::is_pointer_v<R>) {
            return reinterpret_cast<R>(answer);
        } else {
            return static_cast<R>(answer);
        }
    }
};

// clang-format off
// One recorded override: return type, name, parameters, the arguments to record.
#define ORKE_RECORDED(R, name, params, args) \
    R name params override { return m_log.record<R>(kPrefix, #name, std::make_tuple args); }

class RecordingEditor : public AEffEditor {
public:
    explicit RecordingEditor(CallLog& log) : m_log(log) {}
    ORKE_RECORDED(bool, getRect, (ERect** rect), (rect))
    ORKE_RECORDED(bool, open, (void* parent), (parent))
    ORKE_RECORDED(void, close, (), ())
    ORKE_RECORDED(void, idle, (), ())
    ORKE_RECORDED(void, draw, (void* rect), (rect))
    ORKE_RECORDED(int32_t, mouse, (int32_t x, int32_t y), (x, y))
    ORKE_RECORDED(int32_t, key, (int32_t keyCode), (keyCode))
    ORKE_RECORDED(void, top, (), ())
    ORKE_RECORDED(void, sleep, (), ())
    ORKE_RECORDED(bool, onKeyDown, (VstKeyCode& k), (k.character, +k.virt, +k.modifier))
    ORKE_RECORDED(bool, onKeyUp, (VstKeyCode& k), (k.character, +k.virt, +k.modifier))
    ORKE_RECORDED(bool, setKnobMode, (int32_t mode), (mode))

private:
    static constexpr const char* kPrefix = "editor.";
    CallLog& m_log;
};

class RecordingEffect : public AudioEffectX {
public:
    explicit RecordingEffect(CallLog& log, bool withEditor = true) : AudioEffectX(nullptr, 8, 4), m_log(log) {
        if (withEditor) {
            setEditor(new RecordingEditor(log));
        }
    }
    void processReplacing(float**, float**, int32_t) override {}

    ORKE_RECORDED(void, suspend, (), ())
    ORKE_RECORDED(void, resume, (), ())
    ORKE_RECORDED(void, setSampleRate, (float rate), (rate))
    ORKE_RECORDED(void, setBlockSize, (int32_t size), (size))
    ORKE_RECORDED(void, setProgram, (int32_t program), (program))
    ORKE_RECORDED(int32_t, getChunk, (void** data, bool preset), (data, preset))
    ORKE_RECORDED(int32_t, setChunk, (void* data, int32_t n, bool preset), (data, n, preset))
    ORKE_RECORDED(float, getVu, (), ())

    ORKE_RECORDED(int32_t, processEvents, (VstEvents* e), (e))
    ORKE_RECORDED(bool, canParameterBeAutomated, (int32_t i), (i))
    ORKE_RECORDED(bool, string2parameter, (int32_t i, char* t), (i, t))
    ORKE_RECORDED(bool, getProgramNameIndexed, (int32_t c, int32_t i, char* t), (c, i, t))
    ORKE_RECORDED(bool, getInputProperties, (int32_t i, VstPinProperties* p), (i, p))
    ORKE_RECORDED(bool, getOutputProperties, (int32_t i, VstPinProperties* p), (i, p))
    ORKE_RECORDED(int32_t, getPlugCategory, (), ())
    ORKE_RECORDED(bool, offlineNotify, (VstAudioFile* f, int32_t n, bool start), (f, n, start))
    ORKE_RECORDED(bool, offlinePrepare, (VstOfflineTask* t, int32_t n), (t, n))
    ORKE_RECORDED(bool, offlineRun, (VstOfflineTask* t, int32_t n), (t, n))
    ORKE_RECORDED(bool, processVariableIo, (VstVariableIo* io), (io))
    ORKE_RECORDED(bool, setSpeakerArrangement, (VstSpeakerArrangement* in, VstSpeakerArrangement* out), (in, out))
    ORKE_RECORDED(bool, getSpeakerArrangement, (VstSpeakerArrangement** in, VstSpeakerArrangement** out), (in, out))
    ORKE_RECORDED(bool, setBypass, (bool on), (on))
    ORKE_RECORDED(bool, getEffectName, (char* t), (t))
    ORKE_RECORDED(bool, getVendorString, (char* t), (t))
    ORKE_RECORDED(bool, getProductString, (char* t), (t))
    ORKE_RECORDED(int32_t, getVendorVersion, (), ())
    ORKE_RECORDED(intptr_t, vendorSpecific, (int32_t a, intptr_t b, void* p, float f), (a, b, p, f))
    ORKE_RECORDED(int32_t, canDo, (char* t), (t))
    ORKE_RECORDED(int32_t, getGetTailSize, (), ())
    ORKE_RECORDED(bool, getParameterProperties, (int32_t i, VstParameterProperties* p), (i, p))
    ORKE_RECORDED(int32_t, getVstVersion, (), ())
    ORKE_RECORDED(int32_t, getMidiProgramName, (int32_t c, MidiProgramName* p), (c, p))
    ORKE_RECORDED(int32_t, getCurrentMidiProgram, (int32_t c, MidiProgramName* p), (c, p))
    ORKE_RECORDED(int32_t, getMidiProgramCategory, (int32_t c, MidiProgramCategory* p), (c, p))
    ORKE_RECORDED(bool, hasMidiProgramsChanged, (int32_t c), (c))
    ORKE_RECORDED(bool, getMidiKeyName, (int32_t c, MidiKeyName* k), (c, k))
    ORKE_RECORDED(bool, beginSetProgram, (), ())
    ORKE_RECORDED(bool, endSetProgram, (), ())
    ORKE_RECORDED(int32_t, getNextShellPlugin, (char* t), (t))
    ORKE_RECORDED(int32_t, startProcess, (), ())
    ORKE_RECORDED(int32_t, stopProcess, (), ())
    ORKE_RECORDED(int32_t, setTotalSampleToProcess, (int32_t v), (v))
    ORKE_RECORDED(bool, setPanLaw, (int32_t type, float v), (type, v))
    ORKE_RECORDED(int32_t, beginLoadBank, (VstPatchChunkInfo* p), (p))
    ORKE_RECORDED(int32_t, beginLoadProgram, (VstPatchChunkInfo* p), (p))
    ORKE_RECORDED(bool, setProcessPrecision, (int32_t p), (p))
    ORKE_RECORDED(int32_t, getNumMidiInputChannels, (), ())
    ORKE_RECORDED(int32_t, getNumMidiOutputChannels, (), ())

    ORKE_RECORDED(int32_t, getNumCategories, (), ())
    ORKE_RECORDED(bool, copyProgram, (int32_t d), (d))
    ORKE_RECORDED(void, inputConnected, (int32_t i, bool s), (i, s))
    ORKE_RECORDED(void, outputConnected, (int32_t i, bool s), (i, s))
    ORKE_RECORDED(int32_t, reportCurrentPosition, (), ())
    ORKE_RECORDED(float*, reportDestinationBuffer, (), ())
    ORKE_RECORDED(void, setBlockSizeAndSampleRate, (int32_t n, float rate), (n, rate))
    ORKE_RECORDED(bool, getErrorText, (char* t), (t))
    ORKE_RECORDED(int32_t, fxIdle, (), ())
    ORKE_RECORDED(void*, getIcon, (), ())
    ORKE_RECORDED(bool, setViewPosition, (int32_t x, int32_t y), (x, y))
    ORKE_RECORDED(bool, keysRequired, (), ())

private:
    static constexpr const char* kPrefix = "";
    CallLog& m_log;
};
// clang-format on
#undef ORKE_RECORDED

// An extended effect with every default but these: it counts calls of the two setters that some requests
// must bypass, notes the last parameter set, and answers canDo("receiveVstMidiEvent") with canReceiveMidi.
class DefaultsEffect : public AudioEffectX {
public:
    explicit DefaultsEffect(audioMasterCallback host = nullptr)
        : AudioEffectX(host, 8, 2) {}
    void processReplacing(float**, float**, int32_t) override {}
    void setSampleRate(float) override { ++setterCalls; }
    void setBlockSize(int32_t) override { ++setterCalls; }
    void setParameter(int32_t index, float value) override { lastSet = {index, value}; }
    int32_t canDo(char* text) override {
        return std::string(text) == "receiveVstMidiEvent" ? canReceiveMidi : 0;
    }

    int setterCalls = 0, canReceiveMidi = 0;
    std::pair<int32_t, float> lastSet;
};

// One host request, the operation it must reach ("" for none) and what it answers when every operation
// answers 7, and when every operation answers 0. A PowerPC-only request otherwise reaches nothing and answers
// 0.
struct Request {
    int32_t opcode, index;
    intptr_t value;
    uintptr_t ptr;
    float opt;
    const char* call;
    intptr_t whenSeven, whenZero;
    bool powerPcOnly;
};

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
