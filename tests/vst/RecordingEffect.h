// Test effects for the shell: one that records every operation the dispatchers reach, one that keeps every
// default, and a recording editor. Recorded calls read like "getProgramNameIndexed(5,7,0x1000)".
#pragma once

#include "AEffEditor.h"
#include "AudioEffectExtended.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

namespace vsttest {

// Formats one argument: integers in decimal, floats with %g, pointers in hex or "null".
template <typename T>
std::string describe(T value) {
    char text[64];
    if constexpr (std::is_same_v<T, bool>) {
        return value ? "true" : "false";
    } else if constexpr (std::is_integral_v<T>) {
        return std::to_string(static_cast<long long>(value));
    } else if constexpr (std::is_floating_point_v<T>) {
        std::snprintf(text, sizeof(text), "%g", static_cast<double>(value));
        return text;
    } else {
        static_assert(std::is_pointer_v<T>);
        if (value == nullptr) {
            return "null";
        }
        std::snprintf(text, sizeof(text), "%#jx", static_cast<uintmax_t>(reinterpret_cast<uintptr_t>(value)));
        return text;
    }
}

// The one answer of every recorded operation, converted to what the operation returns (a bool is true when
// the answer is not 0).
struct Answer {
    intptr_t value;
    template <typename T>
    operator T() const {
        if constexpr (std::is_same_v<T, bool>) {
            return value != 0;
        } else if constexpr (std::is_pointer_v<T>) {
            return reinterpret_cast<T>(value);
        } else {
            return static_cast<T>(value);
        }
    }
};

// What the recording effect and its editor were asked, and the answer every operation gives.
struct CallLog {
    std::vector<std::string> calls;
    intptr_t answer = 0;

    template <typename... Args>
    Answer record(const char* name, Args... args) {
        std::string call = std::string(name) + "(";
        [[maybe_unused]] const char* separator = "";
        ((call += separator + describe(args), separator = ","), ...);
        calls.push_back(call + ")");
        return Answer{answer};
    }
    std::string all() const {
        std::string joined;
        for (const std::string& call : calls) {
            joined += (joined.empty() ? "" : " ") + call;
        }
        return joined;
    }
};

// clang-format off
class RecordingEditor : public AEffEditor {
public:
    explicit RecordingEditor(CallLog& log) : m_log(log) {}

    bool getRect(ERect** rect) override { return m_log.record("editor.getRect", rect); }
    bool open(void* parent) override { return m_log.record("editor.open", parent); }
    void close() override { m_log.record("editor.close"); }
    void idle() override { m_log.record("editor.idle"); }
    void draw(void* rect) override { m_log.record("editor.draw", rect); }
    int32_t mouse(int32_t x, int32_t y) override { return m_log.record("editor.mouse", x, y); }
    int32_t key(int32_t keyCode) override { return m_log.record("editor.key", keyCode); }
    void top() override { m_log.record("editor.top"); }
    void sleep() override { m_log.record("editor.sleep"); }
    bool onKeyDown(VstKeyCode& k) override {
        return m_log.record("editor.onKeyDown", k.character, +k.virt, +k.modifier);
    }
    bool onKeyUp(VstKeyCode& k) override {
        return m_log.record("editor.onKeyUp", k.character, +k.virt, +k.modifier);
    }
    bool setKnobMode(int32_t mode) override { return m_log.record("editor.setKnobMode", mode); }

private:
    CallLog& m_log;
};

// Every operation that a dispatcher reaches records its arguments and answers log.answer.
class RecordingEffect : public AudioEffectX {
public:
    explicit RecordingEffect(CallLog& log, bool withEditor = true) : AudioEffectX(nullptr, 8, 4), m_log(log) {
        if (withEditor) {
            setEditor(new RecordingEditor(log));
        }
    }

    void processReplacing(float**, float**, int32_t) override {}

    void open() override { m_log.record("open"); }
    void close() override { m_log.record("close"); }
    void suspend() override { m_log.record("suspend"); }
    void resume() override { m_log.record("resume"); }
    void setSampleRate(float rate) override { m_log.record("setSampleRate", rate); }
    void setBlockSize(int32_t size) override { m_log.record("setBlockSize", size); }
    void setProgram(int32_t program) override { m_log.record("setProgram", program); }
    int32_t getProgram() override { return m_log.record("getProgram"); }
    void setProgramName(char* t) override { m_log.record("setProgramName", t); }
    void getProgramName(char* t) override { m_log.record("getProgramName", t); }
    void getParameterLabel(int32_t i, char* t) override { m_log.record("getParameterLabel", i, t); }
    void getParameterDisplay(int32_t i, char* t) override { m_log.record("getParameterDisplay", i, t); }
    void getParameterName(int32_t i, char* t) override { m_log.record("getParameterName", i, t); }
    int32_t getChunk(void** data, bool preset) override { return m_log.record("getChunk", data, preset); }
    int32_t setChunk(void* data, int32_t n, bool preset) override {
        return m_log.record("setChunk", data, n, preset);
    }
    float getVu() override { return m_log.record("getVu"); }

    int32_t processEvents(VstEvents* e) override { return m_log.record("processEvents", e); }
    bool canParameterBeAutomated(int32_t i) override { return m_log.record("canParameterBeAutomated", i); }
    bool string2parameter(int32_t i, char* t) override { return m_log.record("string2parameter", i, t); }
    bool getProgramNameIndexed(int32_t c, int32_t i, char* t) override {
        return m_log.record("getProgramNameIndexed", c, i, t);
    }
    bool getInputProperties(int32_t i, VstPinProperties* p) override {
        return m_log.record("getInputProperties", i, p);
    }
    bool getOutputProperties(int32_t i, VstPinProperties* p) override {
        return m_log.record("getOutputProperties", i, p);
    }
    int32_t getPlugCategory() override { return m_log.record("getPlugCategory"); }
    bool offlineNotify(VstAudioFile* f, int32_t n, bool s) override {
        return m_log.record("offlineNotify", f, n, s);
    }
    bool offlinePrepare(VstOfflineTask* t, int32_t n) override {
        return m_log.record("offlinePrepare", t, n);
    }
    bool offlineRun(VstOfflineTask* t, int32_t n) override { return m_log.record("offlineRun", t, n); }
    bool processVariableIo(VstVariableIo* io) override { return m_log.record("processVariableIo", io); }
    bool setSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out) override {
        return m_log.record("setSpeakerArrangement", in, out);
    }
    bool getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out) override {
        return m_log.record("getSpeakerArrangement", in, out);
    }
    bool setBypass(bool on) override { return m_log.record("setBypass", on); }
    bool getEffectName(char* t) override { return m_log.record("getEffectName", t); }
    bool getVendorString(char* t) override { return m_log.record("getVendorString", t); }
    bool getProductString(char* t) override { return m_log.record("getProductString", t); }
    int32_t getVendorVersion() override { return m_log.record("getVendorVersion"); }
    intptr_t vendorSpecific(int32_t a, intptr_t b, void* p, float f) override {
        return m_log.record("vendorSpecific", a, b, p, f);
    }
    int32_t canDo(char* t) override { return m_log.record("canDo", t); }
    int32_t getGetTailSize() override { return m_log.record("getGetTailSize"); }
    bool getParameterProperties(int32_t i, VstParameterProperties* p) override {
        return m_log.record("getParameterProperties", i, p);
    }
    int32_t getVstVersion() override { return m_log.record("getVstVersion"); }
    int32_t getMidiProgramName(int32_t c, MidiProgramName* p) override {
        return m_log.record("getMidiProgramName", c, p);
    }
    int32_t getCurrentMidiProgram(int32_t c, MidiProgramName* p) override {
        return m_log.record("getCurrentMidiProgram", c, p);
    }
    int32_t getMidiProgramCategory(int32_t c, MidiProgramCategory* p) override {
        return m_log.record("getMidiProgramCategory", c, p);
    }
    bool hasMidiProgramsChanged(int32_t c) override { return m_log.record("hasMidiProgramsChanged", c); }
    bool getMidiKeyName(int32_t c, MidiKeyName* k) override { return m_log.record("getMidiKeyName", c, k); }
    bool beginSetProgram() override { return m_log.record("beginSetProgram"); }
    bool endSetProgram() override { return m_log.record("endSetProgram"); }
    int32_t getNextShellPlugin(char* t) override { return m_log.record("getNextShellPlugin", t); }
    int32_t startProcess() override { return m_log.record("startProcess"); }
    int32_t stopProcess() override { return m_log.record("stopProcess"); }
    int32_t setTotalSampleToProcess(int32_t v) override { return m_log.record("setTotalSampleToProcess", v); }
    bool setPanLaw(int32_t type, float v) override { return m_log.record("setPanLaw", type, v); }
    int32_t beginLoadBank(VstPatchChunkInfo* p) override { return m_log.record("beginLoadBank", p); }
    int32_t beginLoadProgram(VstPatchChunkInfo* p) override { return m_log.record("beginLoadProgram", p); }
    bool setProcessPrecision(int32_t p) override { return m_log.record("setProcessPrecision", p); }
    int32_t getNumMidiInputChannels() override { return m_log.record("getNumMidiInputChannels"); }
    int32_t getNumMidiOutputChannels() override { return m_log.record("getNumMidiOutputChannels"); }

    int32_t getNumCategories() override { return m_log.record("getNumCategories"); }
    bool copyProgram(int32_t d) override { return m_log.record("copyProgram", d); }
    void inputConnected(int32_t i, bool s) override { m_log.record("inputConnected", i, s); }
    void outputConnected(int32_t i, bool s) override { m_log.record("outputConnected", i, s); }
    int32_t reportCurrentPosition() override { return m_log.record("reportCurrentPosition"); }
    float* reportDestinationBuffer() override { return m_log.record("reportDestinationBuffer"); }
    void setBlockSizeAndSampleRate(int32_t n, float rate) override {
        m_log.record("setBlockSizeAndSampleRate", n, rate);
    }
    bool getErrorText(char* t) override { return m_log.record("getErrorText", t); }
    int32_t fxIdle() override { return m_log.record("fxIdle"); }
    void* getIcon() override { return m_log.record("getIcon"); }
    bool setViewPosition(int32_t x, int32_t y) override { return m_log.record("setViewPosition", x, y); }
    bool keysRequired() override { return m_log.record("keysRequired"); }

private:
    CallLog& m_log;
};
// clang-format on

// An extended effect with every default; it only counts the setters that must not be bypassed or called.
class DefaultsEffect : public AudioEffectX {
public:
    explicit DefaultsEffect(audioMasterCallback host = nullptr, int32_t programs = 8)
        : AudioEffectX(host, programs, 2) {}

    void processReplacing(float**, float**, int32_t) override {}
    void setSampleRate(float rate) override {
        ++setterCalls;
        AudioEffectX::setSampleRate(rate);
    }
    void setBlockSize(int32_t size) override {
        ++setterCalls;
        AudioEffectX::setBlockSize(size);
    }
    void setParameter(int32_t index, float value) override {
        lastParameter = index;
        lastValue = value;
    }

    int setterCalls = 0;
    int32_t lastParameter = -1;
    float lastValue = -1.0f;
};

// One host request, what it must reach and what it must answer.
struct Request {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    uintptr_t ptr;
    float opt;
    const char* call;   // the effect's or editor's operation and its arguments; "" when nothing is called
    intptr_t whenSeven; // the answer when every operation answers 7 (true)
    intptr_t whenZero;  // the answer when every operation answers 0 (false)
    bool powerPcOnly;   // served only with the PowerPC behaviour; otherwise nothing is called and 0 answered
};

// Sends the request through the record's dispatcher entry of a recording effect with an editor, once with
// every operation answering 7 and once with 0.
inline void expectServed(const Request& r) {
    const bool served = !r.powerPcOnly || orke::kPowerPcBehaviour;
    for (const intptr_t answer : {intptr_t{7}, intptr_t{0}}) {
        SCOPED_TRACE(testing::Message() << "opcode " << r.opcode << ", operations answering " << answer);
        CallLog log;
        log.answer = answer;
        RecordingEffect effect(log);
        AEffect* record = effect.getAeffect();
        const intptr_t result =
            record->dispatcher(record, r.opcode, r.index, r.value, reinterpret_cast<void*>(r.ptr), r.opt);
        EXPECT_EQ(log.all(), served ? r.call : "");
        EXPECT_EQ(result, !served ? 0 : answer != 0 ? r.whenSeven : r.whenZero);
    }
}

} // namespace vsttest
