// The two dispatchers, requests 0 to 24 and 25 to 79 in both behaviours and everything beyond handed down;
// and the flag setters that tell the host what the effect can do.
#include "EffectOpcodes.h"
#include "RecordingEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

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

} // namespace

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
