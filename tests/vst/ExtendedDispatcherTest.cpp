// The extended dispatcher: requests 25 to 79 in both behaviours, and everything else handed down.
#include "EffectOpcodes.h"
#include "RecordingEffect.h"

#include <gtest/gtest.h>

#include <utility>

using namespace vsttest;

namespace {

constexpr uintptr_t P = 0x1000; // a host pointer, never dereferenced by the recording effect
constexpr intptr_t V = 0x2000;  // a host pointer carried in value
constexpr bool kPowerPc = orke::kPowerPcBehaviour;

// clang-format off
const Request kExtendedRequests[] = {
    // opcode, index, value, ptr, opt, call, answer with 7, with 0, PowerPC only
    {effProcessEvents,             0, 0,     P, 0, "processEvents(0x1000)", 7, 0, false},
    {effCanBeAutomated,            5, 0,     0, 0, "canParameterBeAutomated(5)", 1, 0, false},
    {effString2Parameter,          5, 0,     P, 0, "string2parameter(5,0x1000)", 1, 0, false},
    {effGetNumProgramCategories,   0, 0,     0, 0, "getNumCategories()", 7, 0, true},
    {effGetProgramNameIndexed,     7, 5,     P, 0, "getProgramNameIndexed(5,7,0x1000)", 1, 0, false},
    {effCopyProgram,               4, 0,     0, 0, "copyProgram(4)", 1, 0, true},
    {effConnectInput,              2, 0,     0, 0, "inputConnected(2,false)", 1, 1, true},
    {effConnectOutput,             3, 5,     0, 0, "outputConnected(3,true)", 1, 1, true},
    {effGetInputProperties,        1, 0,     P, 0, "getInputProperties(1,0x1000)", 1, 0, false},
    {effGetOutputProperties,       1, 0,     P, 0, "getOutputProperties(1,0x1000)", 1, 0, false},
    {effGetPlugCategory,           0, 0,     0, 0, "getPlugCategory()", 7, 0, false},
    {effGetCurrentPosition,        0, 0,     0, 0, "reportCurrentPosition()", 7, 0, true},
    {effGetDestinationBuffer,      0, 0,     0, 0, "reportDestinationBuffer()", 7, 0, true},
    {effOfflineNotify,             1, 3,     P, 0, "offlineNotify(0x1000,3,true)", 1, 0, false},
    {effOfflinePrepare,            0, 3,     P, 0, "offlinePrepare(0x1000,3)", 1, 0, false},
    {effOfflineRun,                0, 3,     P, 0, "offlineRun(0x1000,3)", 1, 0, false},
    {effProcessVarIo,              0, 0,     P, 0, "processVariableIo(0x1000)", 1, 0, false},
    {effSetSpeakerArrangement,     0, V,     P, 0, "setSpeakerArrangement(0x2000,0x1000)", 1, 0, false},
    {effSetBlockSizeAndSampleRate, 0, 256,   0, 96000.0f, "setBlockSizeAndSampleRate(256,96000)", 1, 1, true},
    {effSetBypass,                 0, 1,     0, 0, "setBypass(true)", 1, 0, false},
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
    // Beyond the table, and below it: handed to the base dispatcher, which serves nothing there.
    {80,                           1, 2,     P, 1, "", 0, 0, false},
    {4096,                         1, 2,     P, 1, "", 0, 0, false},
    {-1,                           1, 2,     P, 1, "", 0, 0, false},
};
// clang-format on

intptr_t dispatch(AudioEffectX& effect, int32_t opcode, intptr_t value = 0, void* ptr = nullptr,
                  float opt = 0.0f) {
    return effect.getAeffect()->dispatcher(effect.getAeffect(), opcode, 0, value, ptr, opt);
}

} // namespace

TEST(ExtendedDispatcher, EachRequestReachesItsOperationAndAnswers) {
    for (const Request& request : kExtendedRequests) {
        expectServed(request);
    }
}

// The deprecated block-size-and-rate request stores both values without calling either setter.
TEST(ExtendedDispatcher, DefaultsAnswerAsAPlainExtendedEffect) {
    // clang-format off
    const std::pair<int32_t, intptr_t> answers[] = {
        {effGetVstVersion, 2400}, {effGetCurrentMidiProgram, -1}, {effCanBeAutomated, 1},
        {effSetTotalSampleToProcess, 73}, {effGetPlugCategory, 0}, {effKeysRequired, kPowerPc},
        {effGetNumProgramCategories, kPowerPc}, {effSetBlockSizeAndSampleRate, kPowerPc}};
    // clang-format on
    DefaultsEffect effect;
    for (const auto& [opcode, answer] : answers) {
        EXPECT_EQ(dispatch(effect, opcode, 73, nullptr, 96000.0f), answer) << opcode;
    }
    EXPECT_EQ(effect.getBlockSize(), kPowerPc ? 73 : 1024);
    EXPECT_EQ(effect.getSampleRate(), kPowerPc ? 96000.0f : 44100.0f);
    EXPECT_EQ(effect.setterCalls, 0);
    effect.isSynth(true);
    EXPECT_EQ(dispatch(effect, effGetPlugCategory), 2);
}

// No arrangement is reported: null goes through each pointer the host gave, and only through those.
TEST(ExtendedDispatcher, ArrangementRequestReportsNoneThroughTheGivenPointers) {
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
TEST(ExtendedDispatcher, RequestsWithNothingToWorkOnCallNothing) {
    for (const int32_t opcode :
         {effEditGetRect,    effEditOpen,          effEditClose,        effEditDraw,
          effEditMouse,      effEditKey,           effEditIdle,         effEditTop,
          effEditSleep,      effEditKeyDown,       effEditKeyUp,        effSetEditKnobMode,
          effSetProgramName, effGetProgramName,    effGetParamLabel,    effGetParamDisplay,
          effGetParamName,   effGetChunk,          effString2Parameter, effGetProgramNameIndexed,
          effGetEffectName,  effGetErrorText,      effGetVendorString,  effGetProductString,
          effCanDo,          effShellGetNextPlugin}) {
        CallLog log;
        log.answer = 7;
        RecordingEffect effect(log, false);
        EXPECT_EQ(dispatch(effect, opcode, 1, nullptr, 2.7f), 0) << opcode;
        EXPECT_EQ(log.calls, "") << opcode;
    }
}
