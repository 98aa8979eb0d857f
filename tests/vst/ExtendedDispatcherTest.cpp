// The extended dispatcher: requests 25 to 79 in both behaviours, and everything else handed down.
#include "EffectOpcodes.h"
#include "RecordingEffect.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vsttest;

namespace {

constexpr uintptr_t P = 0x1000; // a host pointer, never dereferenced by the recording effect
constexpr intptr_t V = 0x2000;  // a host pointer carried in value
constexpr bool kServed = orke::kPowerPcBehaviour;

// clang-format off
const Request kExtendedRequests[] = {
    // opcode, index, value, ptr, opt, call, answer with 7, with 0, PowerPC only
    {effProcessEvents,             0, 0,     P, 0, "processEvents(0x1000)", 7, 0, false},
    {effCanBeAutomated,            5, 0,     0, 0, "canParameterBeAutomated(5)", 1, 0, false},
    {effString2Parameter,          5, 0,     P, 0, "string2parameter(5,0x1000)", 1, 0, false},
    {effGetNumProgramCategories,   0, 0,     0, 0, "getNumCategories()", 7, 0, true},
    {effGetProgramNameIndexed,     7, 5,     P, 0, "getProgramNameIndexed(5,7,0x1000)", 1, 0, false},
    {effCopyProgram,               4, 0,     0, 0, "copyProgram(4)", 1, 0, true},
    {effConnectInput,              2, 1,     0, 0, "inputConnected(2,true)", 1, 1, true},
    {effConnectInput,              2, 0,     0, 0, "inputConnected(2,false)", 1, 1, true},
    {effConnectOutput,             3, 5,     0, 0, "outputConnected(3,true)", 1, 1, true},
    {effGetInputProperties,        1, 0,     P, 0, "getInputProperties(1,0x1000)", 1, 0, false},
    {effGetOutputProperties,       1, 0,     P, 0, "getOutputProperties(1,0x1000)", 1, 0, false},
    {effGetPlugCategory,           0, 0,     0, 0, "getPlugCategory()", 7, 0, false},
    {effGetCurrentPosition,        0, 0,     0, 0, "reportCurrentPosition()", 7, 0, true},
    {effGetDestinationBuffer,      0, 0,     0, 0, "reportDestinationBuffer()", 7, 0, true},
    {effOfflineNotify,             1, 3,     P, 0, "offlineNotify(0x1000,3,true)", 1, 0, false},
    {effOfflineNotify,             0, 3,     P, 0, "offlineNotify(0x1000,3,false)", 1, 0, false},
    {effOfflinePrepare,            0, 3,     P, 0, "offlinePrepare(0x1000,3)", 1, 0, false},
    {effOfflineRun,                0, 3,     P, 0, "offlineRun(0x1000,3)", 1, 0, false},
    {effProcessVarIo,              0, 0,     P, 0, "processVariableIo(0x1000)", 1, 0, false},
    {effSetSpeakerArrangement,     0, V,     P, 0, "setSpeakerArrangement(0x2000,0x1000)", 1, 0, false},
    {effSetBlockSizeAndSampleRate, 0, 256,   0, 96000.0f, "setBlockSizeAndSampleRate(256,96000)", 1, 1, true},
    {effSetBypass,                 0, 1,     0, 0, "setBypass(true)", 1, 0, false},
    {effSetBypass,                 0, 0,     0, 0, "setBypass(false)", 1, 0, false},
    {effGetEffectName,             0, 0,     P, 0, "getEffectName(0x1000)", 1, 0, false},
    {effGetErrorText,              0, 0,     P, 0, "getErrorText(0x1000)", 1, 0, true},
    {effGetVendorString,           0, 0,     P, 0, "getVendorString(0x1000)", 1, 0, false},
    {effGetProductString,          0, 0,     P, 0, "getProductString(0x1000)", 1, 0, false},
    {effGetVendorVersion,          0, 0,     0, 0, "getVendorVersion()", 7, 0, false},
    {effVendorSpecific,            3, 4,     P, 0.5f, "vendorSpecific(3,4,0x1000,0.5)", 7, 0, false},
    {effCanDo,                     0, 0,     P, 0, "canDo(0x1000)", 7, 0, false},
    {effGetTailSize,               0, 0,     0, 0, "getGetTailSize()", 7, 0, false},
    {effIdle,                      0, 0,     0, 0, "fxIdle()", 7, 0, true},
    {effGetIcon,                   0, 0,     0, 0, "getIcon()", 7, 0, true},
    {effSetViewPosition,           10, 20,   0, 0, "setViewPosition(10,20)", 1, 0, true},
    {effGetParameterProperties,    2, 0,     P, 0, "getParameterProperties(2,0x1000)", 1, 0, false},
    {effKeysRequired,              0, 0,     0, 0, "keysRequired()", 0, 1, true},
    {effGetVstVersion,             0, 0,     0, 0, "getVstVersion()", 7, 0, false},
    {effEditKeyDown,               65, 300,  0, 2.7f, "editor.onKeyDown(65,44,2)", 1, 0, false},
    {effEditKeyUp,                 65, 300,  0, 2.7f, "editor.onKeyUp(65,44,2)", 1, 0, false},
    {effEditKeyDown,               0, -1,    0, 1e12f, "editor.onKeyDown(0,255,0)", 1, 0, false},
    {effSetEditKnobMode,           0, 3,     0, 0, "editor.setKnobMode(3)", 1, 0, false},
    {effGetMidiProgramName,        2, 0,     P, 0, "getMidiProgramName(2,0x1000)", 7, 0, false},
    {effGetCurrentMidiProgram,     2, 0,     P, 0, "getCurrentMidiProgram(2,0x1000)", 7, 0, false},
    {effGetMidiProgramCategory,    2, 0,     P, 0, "getMidiProgramCategory(2,0x1000)", 7, 0, false},
    {effHasMidiProgramsChanged,    2, 0,     0, 0, "hasMidiProgramsChanged(2)", 1, 0, false},
    {effGetMidiKeyName,            2, 0,     P, 0, "getMidiKeyName(2,0x1000)", 1, 0, false},
    {effBeginSetProgram,           0, 0,     0, 0, "beginSetProgram()", 1, 0, false},
    {effEndSetProgram,             0, 0,     0, 0, "endSetProgram()", 1, 0, false},
    {effGetSpeakerArrangement,     0, V,     P, 0, "getSpeakerArrangement(0x2000,0x1000)", 1, 0, false},
    {effShellGetNextPlugin,        0, 0,     P, 0, "getNextShellPlugin(0x1000)", 7, 0, false},
    {effStartProcess,              0, 0,     0, 0, "startProcess()", 7, 0, false},
    {effStopProcess,               0, 0,     0, 0, "stopProcess()", 7, 0, false},
    {effSetTotalSampleToProcess,   0, 44100, 0, 0, "setTotalSampleToProcess(44100)", 7, 0, false},
    {effSetPanLaw,                 0, 2,     0, 0.5f, "setPanLaw(2,0.5)", 1, 0, false},
    {effBeginLoadBank,             0, 0,     P, 0, "beginLoadBank(0x1000)", 7, 0, false},
    {effBeginLoadProgram,          0, 0,     P, 0, "beginLoadProgram(0x1000)", 7, 0, false},
    {effSetProcessPrecision,       0, 1,     0, 0, "setProcessPrecision(1)", 1, 0, false},
    {effGetNumMidiInputChannels,   0, 0,     0, 0, "getNumMidiInputChannels()", 7, 0, false},
    {effGetNumMidiOutputChannels,  0, 0,     0, 0, "getNumMidiOutputChannels()", 7, 0, false},
    // Beyond the table, and below it: the base dispatcher, which serves nothing there.
    {80,                           1, 2,     P, 1, "", 0, 0, false},
    {81,                           1, 2,     P, 1, "", 0, 0, false},
    {4096,                         1, 2,     P, 1, "", 0, 0, false},
    {-1,                           1, 2,     P, 1, "", 0, 0, false},
};
// clang-format on

class ExtendedDispatcher : public testing::TestWithParam<Request> {};

std::string opcodeName(const testing::TestParamInfo<Request>& info) {
    const int32_t opcode = info.param.opcode;
    return (opcode < 0 ? "OpcodeMinus" + std::to_string(-opcode) : "Opcode" + std::to_string(opcode)) + "_" +
           std::to_string(info.index);
}

intptr_t dispatch(AudioEffectX& effect, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                  void* ptr = nullptr, float opt = 0.0f) {
    AEffect* record = effect.getAeffect();
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

} // namespace

TEST_P(ExtendedDispatcher, ReachesItsOperationAndAnswers) {
    expectServed(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Requests, ExtendedDispatcher, testing::ValuesIn(kExtendedRequests), opcodeName);

TEST(ExtendedDispatcherDefaults, AnswerAsAPlainExtendedEffect) {
    struct Answer {
        int32_t opcode;
        intptr_t value;
        intptr_t expected;
    };
    char text[] = "receiveVstMidiEvent";
    const Answer answers[] = {
        {effGetVstVersion, 0, 2400},
        {effGetCurrentMidiProgram, 0, -1},
        {effCanBeAutomated, 0, 1},
        {effSetTotalSampleToProcess, 1234, 1234},
        {effSetTotalSampleToProcess, -5, -5},
        {effGetPlugCategory, 0, 0},
        {effGetNumMidiInputChannels, 0, 0},
        {effGetTailSize, 0, 0},
        {effGetNumProgramCategories, 0, kServed ? 1 : 0},
        {effSetBlockSizeAndSampleRate, 256, kServed ? 1 : 0},
        {effKeysRequired, 0, kServed ? 1 : 0},
        {effCopyProgram, 0, 0},
    };
    for (const Answer& answer : answers) {
        DefaultsEffect effect;
        EXPECT_EQ(dispatch(effect, answer.opcode, 0, answer.value, text, 48000.0f), answer.expected)
            << answer.opcode;
    }
    DefaultsEffect synth;
    synth.isSynth(true);
    EXPECT_EQ(dispatch(synth, effGetPlugCategory), 2);
    EXPECT_EQ(dispatch(synth, effCanDo, 0, 0, text), 0);
}

// The deprecated block-size-and-rate request stores both without calling either setter.
TEST(ExtendedDispatcherDefaults, BlockSizeAndSampleRateAreStoredDirectly) {
    DefaultsEffect effect;
    dispatch(effect, effSetBlockSizeAndSampleRate, 0, 256, nullptr, 96000.0f);
    EXPECT_EQ(effect.getBlockSize(), kServed ? 256 : 1024);
    EXPECT_EQ(effect.getSampleRate(), kServed ? 96000.0f : 44100.0f);
    EXPECT_EQ(effect.setterCalls, 0);
}

// No arrangement is reported: null goes through each pointer the host gave, and only through those.
TEST(ExtendedDispatcherDefaults, ArrangementRequestsReportNone) {
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* input = &dummy;
    VstSpeakerArrangement* output = &dummy;
    DefaultsEffect effect;
    EXPECT_EQ(dispatch(effect, effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&dummy), &dummy), 0);
    EXPECT_EQ(dispatch(effect, effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);

    output = &dummy;
    EXPECT_EQ(dispatch(effect, effGetSpeakerArrangement, 0, 0, &output), 0);
    EXPECT_EQ(output, nullptr);
    input = &dummy;
    EXPECT_EQ(dispatch(effect, effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), nullptr), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(dispatch(effect, effGetSpeakerArrangement), 0);
}

TEST(Dispatcher, EditorRequestsWithoutAnEditorCallNothingAndAnswerZero) {
    for (const int32_t opcode :
         {effEditGetRect, effEditOpen, effEditClose, effEditDraw, effEditMouse, effEditKey, effEditIdle,
          effEditTop, effEditSleep, effEditKeyDown, effEditKeyUp, effSetEditKnobMode}) {
        CallLog log;
        log.answer = 7;
        RecordingEffect effect(log, false);
        EXPECT_EQ(dispatch(effect, opcode, 65, 300, reinterpret_cast<void*>(P), 2.7f), 0) << opcode;
        EXPECT_EQ(log.all(), "") << opcode;
    }
}

// A request whose ptr is the host's text (or the place for a chunk) has nowhere to read or write when the
// host gives none: the operation is not called and the answer is 0.
TEST(Dispatcher, TextRequestsWithoutABufferCallNothing) {
    const int32_t opcodes[] = {
        effSetProgramName, effGetProgramName,    effGetParamLabel,    effGetParamDisplay,
        effGetParamName,   effGetChunk,          effString2Parameter, effGetProgramNameIndexed,
        effGetEffectName,  effGetErrorText,      effGetVendorString,  effGetProductString,
        effCanDo,          effShellGetNextPlugin};
    for (const int32_t opcode : opcodes) {
        CallLog log;
        log.answer = 7;
        RecordingEffect effect(log);
        EXPECT_EQ(dispatch(effect, opcode, 1, 1, nullptr, 0.0f), 0) << opcode;
        EXPECT_EQ(log.all(), "") << opcode;
    }
}
