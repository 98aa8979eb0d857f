// The calls back to the host, against a recording host: the request each sends, how the answer is read,
// and what each gives when there is no host.
#include "CanDos.h"
#include "HostOpcodes.h"
#include "RecordingEffect.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>

using namespace vsttest;

namespace {

template <typename T>
void* host(T address) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(address));
}
const auto P = host(0x1000);

template <typename T>
intptr_t raw(T* pointer) {
    return reinterpret_cast<intptr_t>(pointer);
}

struct Wrapper {
    const char* name;
    std::function<intptr_t(AudioEffectX&)> call; // the wrapper's result as an integer
    int32_t opcode, index;
    intptr_t value;
    void* ptr;
    float opt;
    intptr_t hostAnswer, result, withoutHost;
};

// clang-format off
const Wrapper kWrappers[] = {
    {"getMasterVersion", [](AudioEffectX& e) { return e.getMasterVersion(); }, 1, 0, 0, nullptr, 0, 2400, 2400, 1},
    {"getMasterVersion of 0", [](AudioEffectX& e) { return e.getMasterVersion(); }, 1, 0, 0, nullptr, 0, 0, 1, 1},
    {"getCurrentUniqueId", [](AudioEffectX& e) { return e.getCurrentUniqueId(); }, 2, 0, 0, nullptr, 0, 0x4F4B6977, 0x4F4B6977, 0},
    {"masterIdle", [](AudioEffectX& e) { e.masterIdle(); return 0; }, 3, 0, 0, nullptr, 0, 9, 0, 0},
    {"isInputConnected", [](AudioEffectX& e) { return e.isInputConnected(5); }, 4, 5, 0, nullptr, 0, 0, 1, 1},
    {"isInputConnected, not", [](AudioEffectX& e) { return e.isInputConnected(5); }, 4, 5, 0, nullptr, 0, 1, 0, 1},
    {"isOutputConnected", [](AudioEffectX& e) { return e.isOutputConnected(3); }, 4, 3, 1, nullptr, 0, 0, 1, 1},
    {"isOutputConnected, not", [](AudioEffectX& e) { return e.isOutputConnected(3); }, 4, 3, 1, nullptr, 0, -1, 0, 1},
    {"setParameterAutomated", [](AudioEffectX& e) { e.setParameterAutomated(2, 0.25f); return 0; }, 0, 2, 0, nullptr, 0.25f, 1, 0, 0},
    {"wantEvents", [](AudioEffectX& e) { e.wantEvents(3); return 0; }, 6, 0, 3, nullptr, 0, 1, 0, 0},
    {"getTimeInfo", [](AudioEffectX& e) { return raw(e.getTimeInfo(0x20)); }, 7, 0, 0x20, nullptr, 0, 0x3000, 0x3000, 0},
    {"sendVstEventsToHost", [](AudioEffectX& e) { return intptr_t{e.sendVstEventsToHost(static_cast<VstEvents*>(P))}; }, 8, 0, 0, P, 0, 1, 1, 0},
    {"sendVstEventsToHost of 2", [](AudioEffectX& e) { return intptr_t{e.sendVstEventsToHost(static_cast<VstEvents*>(P))}; }, 8, 0, 0, P, 0, 2, 0, 0},
    {"sendVstEventsToHost of -1", [](AudioEffectX& e) { return intptr_t{e.sendVstEventsToHost(static_cast<VstEvents*>(P))}; }, 8, 0, 0, P, 0, -1, 0, 0},
    {"tempoAt", [](AudioEffectX& e) { return e.tempoAt(4410); }, 10, 0, 4410, nullptr, 0, 1200000, 1200000, 0},
    {"getNumAutomatableParameters", [](AudioEffectX& e) { return e.getNumAutomatableParameters(); }, 11, 0, 0, nullptr, 0, 12, 12, 0},
    {"getParameterQuantization", [](AudioEffectX& e) { return e.getParameterQuantization(); }, 12, 0, 0, nullptr, 0, 128, 128, 0},
    {"ioChanged", [](AudioEffectX& e) { return intptr_t{e.ioChanged()}; }, 13, 0, 0, nullptr, 0, 5, 1, 0},
    {"needIdle", [](AudioEffectX& e) { return intptr_t{e.needIdle()}; }, 14, 0, 0, nullptr, 0, -1, 1, 0},
    {"sizeWindow", [](AudioEffectX& e) { return intptr_t{e.sizeWindow(640, 480)}; }, 15, 640, 480, nullptr, 0, 1, 1, 0},
    {"getInputLatency", [](AudioEffectX& e) { return e.getInputLatency(); }, 18, 0, 0, nullptr, 0, 256, 256, 0},
    {"getOutputLatency", [](AudioEffectX& e) { return e.getOutputLatency(); }, 19, 0, 0, nullptr, 0, 128, 128, 0},
    {"getPreviousPlug", [](AudioEffectX& e) { return raw(e.getPreviousPlug(7)); }, 20, 0, 0, nullptr, 0, 0x3000, 0x3000, 0},
    {"getNextPlug", [](AudioEffectX& e) { return raw(e.getNextPlug(7)); }, 21, 0, 0, nullptr, 0, 0x3000, 0x3000, 0},
    {"willProcessReplacing", [](AudioEffectX& e) { return e.willProcessReplacing(); }, 22, 0, 0, nullptr, 0, 2, 2, 0},
    {"getCurrentProcessLevel", [](AudioEffectX& e) { return e.getCurrentProcessLevel(); }, 23, 0, 0, nullptr, 0, 4, 4, 0},
    {"getAutomationState", [](AudioEffectX& e) { return e.getAutomationState(); }, 24, 0, 0, nullptr, 0, 3, 3, 0},
    {"offlineStart", [](AudioEffectX& e) { return intptr_t{e.offlineStart(static_cast<VstAudioFile*>(P), 3, 2)}; }, 25, 2, 3, P, 0, 1, 1, 0},
    {"offlineRead", [](AudioEffectX& e) { return intptr_t{e.offlineRead(static_cast<VstOfflineTask*>(P), 4, true)}; }, 26, 1, 4, P, 0, 1, 1, 0},
    {"offlineRead, not the source", [](AudioEffectX& e) { return intptr_t{e.offlineRead(static_cast<VstOfflineTask*>(P), 4, false)}; }, 26, 0, 4, P, 0, 0, 0, 0},
    {"offlineWrite", [](AudioEffectX& e) { return intptr_t{e.offlineWrite(static_cast<VstOfflineTask*>(P), 4)}; }, 27, 0, 4, P, 0, 2, 1, 0},
    {"offlineGetCurrentPass", [](AudioEffectX& e) { return intptr_t{e.offlineGetCurrentPass()}; }, 28, 0, 0, nullptr, 0, 3, 1, 0},
    {"offlineGetCurrentMetaPass", [](AudioEffectX& e) { return intptr_t{e.offlineGetCurrentMetaPass()}; }, 29, 0, 0, nullptr, 0, 0, 0, 0},
    {"setOutputSamplerate", [](AudioEffectX& e) { e.setOutputSamplerate(96000.0f); return 0; }, 30, 0, 0, nullptr, 96000.0f, 1, 0, 0},
    {"getOutputSpeakerArrangement", [](AudioEffectX& e) { return raw(e.getOutputSpeakerArrangement()); }, 31, 0, 0, nullptr, 0, 0x3000, 0x3000, 0},
    {"getHostVendorString", [](AudioEffectX& e) { return intptr_t{e.getHostVendorString(static_cast<char*>(P))}; }, 32, 0, 0, P, 0, 1, 1, 0},
    {"getHostProductString", [](AudioEffectX& e) { return intptr_t{e.getHostProductString(static_cast<char*>(P))}; }, 33, 0, 0, P, 0, 0, 0, 0},
    {"getHostVendorVersion", [](AudioEffectX& e) { return e.getHostVendorVersion(); }, 34, 0, 0, nullptr, 0, 7300, 7300, 0},
    {"hostVendorSpecific", [](AudioEffectX& e) { return e.hostVendorSpecific(1, 2, P, 0.5f); }, 35, 1, 2, P, 0.5f, -9, -9, 0},
    {"canHostDo", [](AudioEffectX& e) { return intptr_t{e.canHostDo(const_cast<char*>(HostCanDos::canDoSizeWindow))}; }, 37, 0, 0, const_cast<char*>(HostCanDos::canDoSizeWindow), 0, -1, 1, 0},
    {"canHostDo of 0", [](AudioEffectX& e) { return intptr_t{e.canHostDo(static_cast<char*>(P))}; }, 37, 0, 0, P, 0, 0, 0, 0},
    {"canHostDo of 2", [](AudioEffectX& e) { return intptr_t{e.canHostDo(static_cast<char*>(P))}; }, 37, 0, 0, P, 0, 2, 1, 0},
    {"getHostLanguage", [](AudioEffectX& e) { return e.getHostLanguage(); }, 38, 0, 0, nullptr, 0, 2, 2, 0},
    {"openWindow", [](AudioEffectX& e) { return raw(e.openWindow(static_cast<VstWindow*>(P))); }, 39, 0, 0, P, 0, 0x3000, 0x3000, 0},
    {"closeWindow", [](AudioEffectX& e) { return intptr_t{e.closeWindow(static_cast<VstWindow*>(P))}; }, 40, 0, 0, P, 0, 1, 1, 0},
    {"getDirectory", [](AudioEffectX& e) { return raw(e.getDirectory()); }, 41, 0, 0, nullptr, 0, 0x3000, 0x3000, 0},
    {"updateDisplay", [](AudioEffectX& e) { return intptr_t{e.updateDisplay()}; }, 42, 0, 0, nullptr, 0, 1, 1, 0},
    {"beginEdit", [](AudioEffectX& e) { return intptr_t{e.beginEdit(3)}; }, 43, 3, 0, nullptr, 0, 1, 1, 0},
    {"endEdit", [](AudioEffectX& e) { return intptr_t{e.endEdit(3)}; }, 44, 3, 0, nullptr, 0, 0, 0, 0},
    {"openFileSelector", [](AudioEffectX& e) { return intptr_t{e.openFileSelector(static_cast<VstFileSelect*>(P))}; }, 45, 0, 0, P, 0, 1, 1, 0},
    {"closeFileSelector", [](AudioEffectX& e) { return intptr_t{e.closeFileSelector(static_cast<VstFileSelect*>(P))}; }, 46, 0, 0, P, 0, 1, 1, 0},
    {"getChunkFile", [](AudioEffectX& e) { return intptr_t{e.getChunkFile(P)}; }, 48, 0, 0, P, 0, 1, 1, 0},
    {"getInputSpeakerArrangement", [](AudioEffectX& e) { return raw(e.getInputSpeakerArrangement()); }, 49, 0, 0, nullptr, 0, 0x3000, 0x3000, 0},
};
// clang-format on

class HostRequest : public testing::TestWithParam<Wrapper> {};

std::string wrapperName(const testing::TestParamInfo<Wrapper>& info) {
    std::string name;
    for (const char* c = info.param.name; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c)) || *c == '-') {
            name += *c == '-' ? 'M' : *c;
        }
    }
    return name;
}

} // namespace

// One call with this record and the fixed arguments, the answer converted; no call at all without a host.
TEST_P(HostRequest, SendsItsRequestOnceAndReadsTheAnswer) {
    const Wrapper& w = GetParam();
    {
        RecordingHost recording;
        recording.Answer(w.opcode, w.hostAnswer);
        DefaultsEffect effect(RecordingHost::Callback);
        EXPECT_EQ(w.call(effect), w.result);
        ASSERT_EQ(recording.Calls().size(), 1u);
        const HostCall& call = recording.Calls().front();
        EXPECT_EQ(call.effect, effect.getAeffect());
        EXPECT_EQ(call.opcode, w.opcode);
        EXPECT_EQ(call.index, w.index);
        EXPECT_EQ(call.value, w.value);
        EXPECT_EQ(call.ptr, w.ptr);
        EXPECT_EQ(call.opt, w.opt);
    }
    DefaultsEffect withoutHost;
    EXPECT_EQ(w.call(withoutHost), w.withoutHost);
}

INSTANTIATE_TEST_SUITE_P(Wrappers, HostRequest, testing::ValuesIn(kWrappers), wrapperName);

TEST(HostRequests, ParameterAutomationSetsTheParameterEvenWithoutAHost) {
    for (const bool withHost : {true, false}) {
        RecordingHost recording;
        DefaultsEffect effect(withHost ? RecordingHost::Callback : nullptr);
        effect.setParameterAutomated(1, 0.5f);
        EXPECT_EQ(effect.lastParameter, 1);
        EXPECT_EQ(effect.lastValue, 0.5f);
        EXPECT_EQ(recording.Calls().size(), withHost ? 1u : 0u);
    }
}

// Selector and chunk-file requests without their record are never sent.
TEST(HostRequests, NullSelectorsNeverReachTheHost) {
    RecordingHost recording;
    recording.Answer(audioMasterOpenFileSelector, 1);
    recording.Answer(audioMasterCloseFileSelector, 1);
    recording.Answer(audioMasterGetChunkFile, 1);
    DefaultsEffect effect(RecordingHost::Callback);
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.getChunkFile(nullptr));
    EXPECT_TRUE(recording.Calls().empty());
}

// Answers above 0 are stored straight into the field (no setter runs); anything else keeps the stored value.
TEST(HostRequests, SampleRateAndBlockSizeUpdatesKeepTheStoredValueForAnswersUpToZero) {
    struct Update {
        intptr_t answer;
        double rate;
        int32_t size;
    };
    const Update updates[] = {
        {48000, 48000.0, 48000}, {512, 512.0, 512}, {0, 44100.0, 1024}, {-1, 44100.0, 1024}};
    for (const Update& u : updates) {
        SCOPED_TRACE(u.answer);
        RecordingHost recording;
        recording.Answer(audioMasterGetSampleRate, u.answer);
        recording.Answer(audioMasterGetBlockSize, u.answer);
        DefaultsEffect effect(RecordingHost::Callback);
        EXPECT_EQ(effect.updateSampleRate(), u.rate);
        EXPECT_EQ(effect.getSampleRate(), static_cast<float>(u.rate));
        EXPECT_EQ(effect.updateBlockSize(), u.size);
        EXPECT_EQ(effect.getBlockSize(), u.size);
        EXPECT_EQ(effect.setterCalls, 0);
        ASSERT_EQ(recording.Calls().size(), 2u);
        for (const HostCall& call : recording.Calls()) {
            EXPECT_EQ(call.effect, effect.getAeffect());
            EXPECT_EQ(call.index, 0);
            EXPECT_EQ(call.value, 0);
            EXPECT_EQ(call.ptr, nullptr);
        }
        EXPECT_EQ(recording.Calls()[0].opcode, audioMasterGetSampleRate);
        EXPECT_EQ(recording.Calls()[1].opcode, audioMasterGetBlockSize);
    }
    DefaultsEffect withoutHost;
    withoutHost.setBlockSizeAndSampleRate(256, 22050.0f);
    EXPECT_EQ(withoutHost.updateSampleRate(), 22050.0);
    EXPECT_EQ(withoutHost.updateBlockSize(), 256);
}

// A synth always asks for events; any other effect only when its canDo answers exactly 1.
TEST(HostRequests, ResumeAsksForEventsForASynthOrAnEffectThatCanReceiveThem) {
    struct Case {
        bool synth;
        intptr_t canDo;
        const char* asked; // what canDo was asked
        bool wantsEvents;
    };
    const Case cases[] = {
        {true, 0, "", true},
        {false, 0, "canDo(receiveVstMidiEvent)", false},
        {false, 1, "canDo(receiveVstMidiEvent)", true},
        {false, 2, "canDo(receiveVstMidiEvent)", false},
        {false, -1, "canDo(receiveVstMidiEvent)", false},
    };
    struct Listener : DefaultsEffect {
        using DefaultsEffect::DefaultsEffect;
        int32_t canDo(char* text) override {
            asked += std::string("canDo(") + text + ")";
            return static_cast<int32_t>(answer);
        }
        std::string asked;
        intptr_t answer = 0;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "synth " << c.synth << ", canDo " << c.canDo);
        RecordingHost recording;
        Listener effect(RecordingHost::Callback);
        effect.isSynth(c.synth);
        effect.answer = c.canDo;
        effect.dispatcher(12, 0, 1, nullptr, 0.0f); // effMainsChanged: resume
        EXPECT_EQ(effect.asked, c.asked);
        const std::vector<HostCall> wants = recording.CallsOf(audioMasterWantMidi);
        EXPECT_EQ(recording.Calls().size(), wants.size()) << "resume sends nothing else";
        ASSERT_EQ(wants.size(), c.wantsEvents ? 1u : 0u);
        if (c.wantsEvents) {
            EXPECT_EQ(wants[0].value, 1);
            EXPECT_EQ(wants[0].index, 0);
        }
    }
}
