// The shell's requests in both directions. From the host: the two dispatchers, requests 0 to 24 and 25 to 79
// in both behaviours and everything beyond handed down, and the flag setters that tell the host what the
// effect can do. To the host, against a recording host: the request each call sends, how the answer is read,
// and what each gives when there is no host.
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "RecordingEffect.h"
#include "RecordingHost.h"

#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

using namespace vsttest;

namespace {

constexpr bool kPowerPc = orke::kPowerPcBehaviour;
// A program number wider than 32 bits must not be narrowed into range (where value is 32 bits: negative).
const intptr_t kWideProgram = sizeof(intptr_t) > 4 ? static_cast<intptr_t>(0x100000001LL) : -2;

// clang-format off
const Request kRequests[] = {
    ORKE_EFFECT_REQUESTS(ORKE_REQUEST)
    ORKE_EDITOR_REQUESTS(ORKE_EDITOR_REQUEST)
    // Requests that reach nothing, or an operation above again: programs out of range, a key beyond a byte
    // with modifiers beyond any integer, opcodes beyond the table and below it.
    {effSetProgram, 0, 8, 0, 0, "", 0, 0, false},
    {effSetProgram, 0, -1, 0, 0, "", 0, 0, false},
    {effSetProgram, 0, kWideProgram, 0, 0, "", 0, 0, false},
    {effMainsChanged, 0, -1, 0, 0, "resume()", 0, 0, false},
    {effIdentify, 0, 0, 0, 0, "", 0x4E764566, 0x4E764566, false},
    {effEditKeyDown, 0, -1, 0, 1e12f, "editor.onKeyDown(0,255,0)", 1, 0, false},
    {80, 1, 2, P, 1, "", 0, 0, false},
    {4096, 1, 2, P, 1, "", 0, 0, false},
    {-1, 1, 2, P, 1, "", 0, 0, false},
};
// clang-format on

intptr_t dispatch(AudioEffectX& effect, int32_t opcode, intptr_t value = 0, void* ptr = nullptr,
                  float opt = 0.0f) {
    return effect.getAeffect()->dispatcher(effect.getAeffect(), opcode, 0, value, ptr, opt);
}

TEST(Dispatchers, EachRequestReachesItsOperationAndAnswers) {
    for (const Request& request : kRequests) {
        expectServed(request);
    }
}

// What an effect that overrides nothing answers. The deprecated block-size-and-rate request stores both
// values without calling either setter.
TEST(Dispatchers, DefaultsAnswerAsAnEffectThatOverridesNothing) {
    // clang-format off
    const std::pair<int32_t, intptr_t> answers[] = {
        {effGetVstVersion, 2400}, {effGetCurrentMidiProgram, -1}, {effCanBeAutomated, 1},
        {effSetTotalSampleToProcess, 73}, {effGetPlugCategory, 0}, {effKeysRequired, kPowerPc},
        {effCanDo, 0}, {effGetNumProgramCategories, kPowerPc}, {effSetBlockSizeAndSampleRate, kPowerPc}};
    // clang-format on
    DefaultsEffect effect;
    char text[] = "receiveVstMidiEvent";
    for (const auto& [opcode, answer] : answers) {
        EXPECT_EQ(dispatch(effect, opcode, 73, text, 96000.0f), answer) << opcode;
    }
    EXPECT_EQ(effect.getBlockSize(), kPowerPc ? 73 : 1024);
    EXPECT_EQ(effect.getSampleRate(), kPowerPc ? 96000.0f : 44100.0f);
    EXPECT_EQ(effect.setterCalls, 0);
    effect.isSynth(true);
    EXPECT_EQ(dispatch(effect, effGetPlugCategory), 2);
    void* chunk = &effect; // without a chunk to hand over, *ptr stays as the host left it
    EXPECT_EQ(dispatch(effect, effGetChunk, 0, &chunk), 0);
    EXPECT_EQ(chunk, &effect);
}

// No arrangement is reported: null goes through each pointer the host gave, and only through those.
TEST(Dispatchers, ArrangementRequestReportsNoneThroughTheGivenPointers) {
    DefaultsEffect effect;
    VstSpeakerArrangement dummy{};
    for (const int given : {0, 1, 2, 3}) { // bit 0: the input's place in value, bit 1: the output's in ptr
        VstSpeakerArrangement* input = &dummy;
        VstSpeakerArrangement* output = &dummy;
        const intptr_t value = (given & 1) != 0 ? reinterpret_cast<intptr_t>(&input) : 0;
        EXPECT_EQ(dispatch(effect, effGetSpeakerArrangement, value, (given & 2) != 0 ? &output : nullptr), 0);
        EXPECT_EQ(input, (given & 1) != 0 ? nullptr : &dummy);
        EXPECT_EQ(output, (given & 2) != 0 ? nullptr : &dummy);
    }
}

// Editor requests without an editor, and requests whose ptr is the host's text (or the place for a chunk)
// without one, have nothing to work on: no operation is called and the answer is 0.
TEST(Dispatchers, RequestsWithNothingToWorkOnCallNothing) {
#define ORKE_OPCODE(opcode, ...) opcode,
    for (const int32_t opcode :
         {ORKE_EDITOR_REQUESTS(ORKE_OPCODE) effSetProgramName, effGetProgramName, effGetParamLabel,
          effGetParamDisplay, effGetParamName, effGetChunk, effString2Parameter, effGetProgramNameIndexed,
          effGetEffectName, effGetErrorText, effGetVendorString, effGetProductString, effCanDo,
          effShellGetNextPlugin}) {
#undef ORKE_OPCODE
        CallLog log;
        log.answer = 7;
        RecordingEffect effect(log, false);
        EXPECT_EQ(dispatch(effect, opcode, 1, nullptr, 2.7f), 0) << opcode;
        EXPECT_EQ(log.calls, "") << opcode;
    }
}

// The level in the 16-bit range, truncated toward zero; what does not fit a 32-bit integer answers 0.
TEST(Dispatchers, MeterIsScaledOnlyWithThePowerPcBehaviour) {
    struct Meter : DefaultsEffect {
        float level = 0.0f;
        float getVu() override { return level; }
    } effect;
    for (const auto& [level, answer] : {std::pair{-0.5f, -16383}, {1.0f, 32767}, {NAN, 0}, {1e10f, 0}}) {
        effect.level = level;
        EXPECT_EQ(effect.dispatcher(effGetVu, 0, 0, nullptr, 0.0f), kPowerPc ? answer : 0);
    }
}

// Each setter sets or clears its own bit and leaves every other bit as it was; the editor bit follows the
// editor pointer.
TEST(FlagSetters, ChangeOnlyTheirOwnBit) {
    using Setter = void (AudioEffectX::*)(bool);
    // clang-format off
    const std::pair<int32_t, Setter> setters[] = {
        {2, &AudioEffectX::hasClip}, {4, &AudioEffectX::hasVu}, {8, &AudioEffectX::canMono},
        {16, &AudioEffectX::canProcessReplacing}, {32, &AudioEffectX::programsAreChunks},
        {256, &AudioEffectX::isSynth}, {512, &AudioEffectX::noTail}, {1024, &AudioEffectX::wantAsyncOperation},
        {2048, &AudioEffectX::hasExternalBuffer}, {4096, &AudioEffectX::canDoubleReplacing}};
    // clang-format on
    AEffEditor editor;
    for (const int32_t before : {0, 0x5A5A5A5A, -1}) {
        DefaultsEffect effect;
        int32_t& flags = effect.getAeffect()->flags;
        for (const auto& [bit, set] : setters) {
            flags = before;
            (effect.*set)(true);
            EXPECT_EQ(flags, before | bit) << bit;
            (effect.*set)(false);
            EXPECT_EQ(flags, before & ~bit) << bit;
        }
        flags = before;
        effect.setEditor(&editor);
        EXPECT_EQ(flags, before | 1);
        effect.setEditor(nullptr);
        EXPECT_EQ(flags, before & ~1);
    }
}

void* const Ptr = reinterpret_cast<void*>(vsttest::P); // the host pointer as the calls to the host take it
constexpr int32_t kNotSent = -1;                       // the request never reaches the host

struct Wrapper {
    const char* name;
    std::function<intptr_t(DefaultsEffect&)> call; // the wrapper's result as an integer
    int32_t opcode, index;
    intptr_t value;
    void* ptr;
    float opt;
    std::vector<std::pair<intptr_t, intptr_t>> answers; // the host's answer and the wrapper's result
    intptr_t withoutHost;
};

// Special rules: the pin queries answer connected for 0; a version of 0 reads as 1; events count as sent only
// for 1; any capability answer but 0 means yes; the updates store an answer above 0 straight into the field
// without a setter and keep the field otherwise; resuming asks for events for a synth, or when
// canDo("receiveVstMidiEvent") answers exactly 1; selectors and chunk files without their record are never
// sent.
// clang-format off
intptr_t raw(const void* pointer) { return reinterpret_cast<intptr_t>(pointer); }
const Wrapper kWrappers[] = {
    {"getMasterVersion", [](DefaultsEffect& e) { return e.getMasterVersion(); }, 1, 0, 0, nullptr, 0, {{2400, 2400}, {0, 1}}, 1},
    {"getCurrentUniqueId", [](DefaultsEffect& e) { return e.getCurrentUniqueId(); }, 2, 0, 0, nullptr, 0, {{0x4F4B6977, 0x4F4B6977}}, 0},
    {"masterIdle", [](DefaultsEffect& e) { e.masterIdle(); return 0; }, 3, 0, 0, nullptr, 0, {{9, 0}}, 0},
    {"isInputConnected", [](DefaultsEffect& e) { return e.isInputConnected(5); }, 4, 5, 0, nullptr, 0, {{0, 1}}, 1},
    {"isOutputConnected", [](DefaultsEffect& e) { return e.isOutputConnected(3); }, 4, 3, 1, nullptr, 0, {{0, 1}, {-1, 0}}, 1},
    {"setParameterAutomated", [](DefaultsEffect& e) { e.setParameterAutomated(2, 0.25f); return intptr_t{e.lastSet == std::pair{2, 0.25f}}; }, 0, 2, 0, nullptr, 0.25f, {{1, 1}}, 1},
    {"resume of a synth", [](DefaultsEffect& e) { e.isSynth(true); e.resume(); return 0; }, 6, 0, 1, nullptr, 0, {{0, 0}}, 0},
    {"resume, canDo 1", [](DefaultsEffect& e) { e.canReceiveMidi = 1; e.resume(); return 0; }, 6, 0, 1, nullptr, 0, {{0, 0}}, 0},
    {"resume, canDo 2", [](DefaultsEffect& e) { e.canReceiveMidi = 2; e.resume(); return 0; }, kNotSent, 0, 0, nullptr, 0, {{0, 0}}, 0},
    {"resume, canDo -1", [](DefaultsEffect& e) { e.canReceiveMidi = -1; e.resume(); return 0; }, kNotSent, 0, 0, nullptr, 0, {{0, 0}}, 0},
    {"wantEvents", [](DefaultsEffect& e) { e.wantEvents(3); return 0; }, 6, 0, 3, nullptr, 0, {{1, 0}}, 0},
    {"getTimeInfo", [](DefaultsEffect& e) { return raw(e.getTimeInfo(0x20)); }, 7, 0, 0x20, nullptr, 0, {{0x3000, 0x3000}}, 0},
    {"sendVstEventsToHost", [](DefaultsEffect& e) { return intptr_t{e.sendVstEventsToHost(static_cast<VstEvents*>(Ptr))}; }, 8, 0, 0, Ptr, 0, {{1, 1}, {2, 0}, {-1, 0}}, 0},
    {"tempoAt", [](DefaultsEffect& e) { return e.tempoAt(4410); }, 10, 0, 4410, nullptr, 0, {{1200000, 1200000}}, 0},
    {"getNumAutomatableParameters", [](DefaultsEffect& e) { return e.getNumAutomatableParameters(); }, 11, 0, 0, nullptr, 0, {{12, 12}}, 0},
    {"getParameterQuantization", [](DefaultsEffect& e) { return e.getParameterQuantization(); }, 12, 0, 0, nullptr, 0, {{128, 128}}, 0},
    {"ioChanged", [](DefaultsEffect& e) { return intptr_t{e.ioChanged()}; }, 13, 0, 0, nullptr, 0, {{5, 1}}, 0},
    {"needIdle", [](DefaultsEffect& e) { return intptr_t{e.needIdle()}; }, 14, 0, 0, nullptr, 0, {{-1, 1}}, 0},
    {"sizeWindow", [](DefaultsEffect& e) { return intptr_t{e.sizeWindow(640, 480)}; }, 15, 640, 480, nullptr, 0, {{1, 1}}, 0},
    {"updateSampleRate", [](DefaultsEffect& e) { const double r = e.updateSampleRate(); return r == e.getSampleRate() && e.setterCalls == 0 ? static_cast<intptr_t>(r) : -1; }, 16, 0, 0, nullptr, 0, {{48000, 48000}, {0, 44100}, {-1, 44100}}, 44100},
    {"updateBlockSize", [](DefaultsEffect& e) { const int32_t n = e.updateBlockSize(); return n == e.getBlockSize() && e.setterCalls == 0 ? n : -1; }, 17, 0, 0, nullptr, 0, {{512, 512}, {0, 1024}, {-1, 1024}}, 1024},
    {"getInputLatency", [](DefaultsEffect& e) { return e.getInputLatency(); }, 18, 0, 0, nullptr, 0, {{256, 256}}, 0},
    {"getOutputLatency", [](DefaultsEffect& e) { return e.getOutputLatency(); }, 19, 0, 0, nullptr, 0, {{128, 128}}, 0},
    {"getPreviousPlug", [](DefaultsEffect& e) { return raw(e.getPreviousPlug(7)); }, 20, 0, 0, nullptr, 0, {{0x3000, 0x3000}}, 0},
    {"getNextPlug", [](DefaultsEffect& e) { return raw(e.getNextPlug(7)); }, 21, 0, 0, nullptr, 0, {{0x3000, 0x3000}}, 0},
    {"willProcessReplacing", [](DefaultsEffect& e) { return e.willProcessReplacing(); }, 22, 0, 0, nullptr, 0, {{2, 2}}, 0},
    {"getCurrentProcessLevel", [](DefaultsEffect& e) { return e.getCurrentProcessLevel(); }, 23, 0, 0, nullptr, 0, {{4, 4}}, 0},
    {"getAutomationState", [](DefaultsEffect& e) { return e.getAutomationState(); }, 24, 0, 0, nullptr, 0, {{3, 3}}, 0},
    {"offlineStart", [](DefaultsEffect& e) { return intptr_t{e.offlineStart(static_cast<VstAudioFile*>(Ptr), 3, 2)}; }, 25, 2, 3, Ptr, 0, {{1, 1}}, 0},
    {"offlineRead", [](DefaultsEffect& e) { return intptr_t{e.offlineRead(static_cast<VstOfflineTask*>(Ptr), 4, true)}; }, 26, 1, 4, Ptr, 0, {{1, 1}}, 0},
    {"offlineRead, not the source", [](DefaultsEffect& e) { return intptr_t{e.offlineRead(static_cast<VstOfflineTask*>(Ptr), 4, false)}; }, 26, 0, 4, Ptr, 0, {{0, 0}}, 0},
    {"offlineWrite", [](DefaultsEffect& e) { return intptr_t{e.offlineWrite(static_cast<VstOfflineTask*>(Ptr), 4)}; }, 27, 0, 4, Ptr, 0, {{2, 1}}, 0},
    {"offlineGetCurrentPass", [](DefaultsEffect& e) { return intptr_t{e.offlineGetCurrentPass()}; }, 28, 0, 0, nullptr, 0, {{3, 1}}, 0},
    {"offlineGetCurrentMetaPass", [](DefaultsEffect& e) { return intptr_t{e.offlineGetCurrentMetaPass()}; }, 29, 0, 0, nullptr, 0, {{0, 0}}, 0},
    {"setOutputSamplerate", [](DefaultsEffect& e) { e.setOutputSamplerate(96000.0f); return 0; }, 30, 0, 0, nullptr, 96000.0f, {{1, 0}}, 0},
    {"getOutputSpeakerArrangement", [](DefaultsEffect& e) { return raw(e.getOutputSpeakerArrangement()); }, 31, 0, 0, nullptr, 0, {{0x3000, 0x3000}}, 0},
    {"getHostVendorString", [](DefaultsEffect& e) { return intptr_t{e.getHostVendorString(static_cast<char*>(Ptr))}; }, 32, 0, 0, Ptr, 0, {{1, 1}}, 0},
    {"getHostProductString", [](DefaultsEffect& e) { return intptr_t{e.getHostProductString(static_cast<char*>(Ptr))}; }, 33, 0, 0, Ptr, 0, {{0, 0}}, 0},
    {"getHostVendorVersion", [](DefaultsEffect& e) { return e.getHostVendorVersion(); }, 34, 0, 0, nullptr, 0, {{7300, 7300}}, 0},
    {"hostVendorSpecific", [](DefaultsEffect& e) { return e.hostVendorSpecific(1, 2, Ptr, 0.5f); }, 35, 1, 2, Ptr, 0.5f, {{-9, -9}}, 0},
    {"canHostDo", [](DefaultsEffect& e) { return intptr_t{e.canHostDo(static_cast<char*>(Ptr))}; }, 37, 0, 0, Ptr, 0, {{-1, 1}, {0, 0}, {2, 1}}, 0},
    {"getHostLanguage", [](DefaultsEffect& e) { return e.getHostLanguage(); }, 38, 0, 0, nullptr, 0, {{2, 2}}, 0},
    {"openWindow", [](DefaultsEffect& e) { return raw(e.openWindow(static_cast<VstWindow*>(Ptr))); }, 39, 0, 0, Ptr, 0, {{0x3000, 0x3000}}, 0},
    {"closeWindow", [](DefaultsEffect& e) { return intptr_t{e.closeWindow(static_cast<VstWindow*>(Ptr))}; }, 40, 0, 0, Ptr, 0, {{1, 1}}, 0},
    {"getDirectory", [](DefaultsEffect& e) { return raw(e.getDirectory()); }, 41, 0, 0, nullptr, 0, {{0x3000, 0x3000}}, 0},
    {"updateDisplay", [](DefaultsEffect& e) { return intptr_t{e.updateDisplay()}; }, 42, 0, 0, nullptr, 0, {{1, 1}}, 0},
    {"beginEdit", [](DefaultsEffect& e) { return intptr_t{e.beginEdit(3)}; }, 43, 3, 0, nullptr, 0, {{1, 1}}, 0},
    {"endEdit", [](DefaultsEffect& e) { return intptr_t{e.endEdit(3)}; }, 44, 3, 0, nullptr, 0, {{0, 0}}, 0},
    {"openFileSelector", [](DefaultsEffect& e) { return intptr_t{e.openFileSelector(static_cast<VstFileSelect*>(Ptr))}; }, 45, 0, 0, Ptr, 0, {{1, 1}}, 0},
    {"closeFileSelector", [](DefaultsEffect& e) { return intptr_t{e.closeFileSelector(static_cast<VstFileSelect*>(Ptr))}; }, 46, 0, 0, Ptr, 0, {{1, 1}}, 0},
    {"openFileSelector of null", [](DefaultsEffect& e) { return intptr_t{e.openFileSelector(nullptr)}; }, kNotSent, 0, 0, nullptr, 0, {{1, 0}}, 0},
    {"closeFileSelector of null", [](DefaultsEffect& e) { return intptr_t{e.closeFileSelector(nullptr)}; }, kNotSent, 0, 0, nullptr, 0, {{1, 0}}, 0},
    {"getChunkFile", [](DefaultsEffect& e) { return intptr_t{e.getChunkFile(Ptr)}; }, 48, 0, 0, Ptr, 0, {{1, 1}}, 0},
    {"getChunkFile of null", [](DefaultsEffect& e) { return intptr_t{e.getChunkFile(nullptr)}; }, kNotSent, 0, 0, nullptr, 0, {{1, 0}}, 0},
    {"getInputSpeakerArrangement", [](DefaultsEffect& e) { return raw(e.getInputSpeakerArrangement()); }, 49, 0, 0, nullptr, 0, {{0x3000, 0x3000}}, 0},
};
// clang-format on

// One call with this record and the fixed arguments, the answer converted; no call at all without a host.
TEST(HostRequests, EachWrapperSendsItsRequestOnceAndReadsTheAnswer) {
    for (const Wrapper& w : kWrappers) {
        for (const auto& [hostAnswer, result] : w.answers) {
            SCOPED_TRACE(testing::Message() << w.name << " answered " << hostAnswer);
            RecordingHost recording;
            recording.Answer(w.opcode, hostAnswer);
            DefaultsEffect effect(RecordingHost::Callback);
            EXPECT_EQ(w.call(effect), result);
            ASSERT_EQ(recording.Calls().size(), w.opcode == kNotSent ? 0u : 1u);
            for (const HostCall& c : recording.Calls()) {
                EXPECT_EQ(std::tie(c.effect, c.opcode, c.index, c.value, c.ptr, c.opt),
                          std::make_tuple(effect.getAeffect(), w.opcode, w.index, w.value, w.ptr, w.opt));
            }
        }
        DefaultsEffect withoutHost;
        EXPECT_EQ(w.call(withoutHost), w.withoutHost) << w.name;
    }
}

} // namespace
