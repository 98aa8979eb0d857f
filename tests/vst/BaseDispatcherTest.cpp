// The base effect: its record, flag setters and the basic requests 0 to 24.
#include "EffectOpcodes.h"
#include "RecordingEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace vsttest;

namespace {

constexpr uintptr_t P = 0x1000; // a host pointer, never dereferenced by the recording effect

// clang-format off
const Request kBaseRequests[] = {
    // opcode, index, value, ptr, opt, call, answer with 7, with 0, PowerPC only
    {effOpen,            0, 0,   0, 0, "open()", 0, 0, false},
    {effSetProgram,      0, 3,   0, 0, "setProgram(3)", 0, 0, false},
    {effSetProgram,      0, 7,   0, 0, "setProgram(7)", 0, 0, false},
    {effSetProgram,      0, 8,   0, 0, "", 0, 0, false},
    {effSetProgram,      0, -1,  0, 0, "", 0, 0, false},
    {effGetProgram,      0, 0,   0, 0, "getProgram()", 7, 0, false},
    {effSetProgramName,  0, 0,   P, 0, "setProgramName(0x1000)", 0, 0, false},
    {effGetProgramName,  0, 0,   P, 0, "getProgramName(0x1000)", 0, 0, false},
    {effGetParamLabel,   2, 0,   P, 0, "getParameterLabel(2,0x1000)", 0, 0, false},
    {effGetParamDisplay, 2, 0,   P, 0, "getParameterDisplay(2,0x1000)", 0, 0, false},
    {effGetParamName,    2, 0,   P, 0, "getParameterName(2,0x1000)", 0, 0, false},
    {effGetVu,           0, 0,   0, 0, "getVu()", 7 * 32767, 0, true},
    {effSetSampleRate,   0, 0,   0, 48000.0f, "setSampleRate(48000)", 0, 0, false},
    {effSetBlockSize,    0, 512, 0, 0, "setBlockSize(512)", 0, 0, false},
    {effMainsChanged,    0, 0,   0, 0, "suspend()", 0, 0, false},
    {effMainsChanged,    0, 1,   0, 0, "resume()", 0, 0, false},
    {effMainsChanged,    0, 2,   0, 0, "resume()", 0, 0, false},
    {effMainsChanged,    0, -1,  0, 0, "resume()", 0, 0, false},
    {effEditGetRect,     0, 0,   P, 0, "editor.getRect(0x1000)", 1, 0, false},
    {effEditOpen,        0, 0,   P, 0, "editor.open(0x1000)", 1, 0, false},
    {effEditClose,       0, 0,   0, 0, "editor.close()", 0, 0, false},
    {effEditDraw,        0, 0,   P, 0, "editor.draw(0x1000)", 0, 0, true},
    {effEditMouse,       3, 4,   0, 0, "editor.mouse(3,4)", 7, 0, true},
    {effEditKey,         0, 65,  0, 0, "editor.key(65)", 7, 0, true},
    {effEditIdle,        0, 0,   0, 0, "editor.idle()", 0, 0, false},
    {effEditTop,         0, 0,   0, 0, "editor.top()", 0, 0, true},
    {effEditSleep,       0, 0,   0, 0, "editor.sleep()", 0, 0, true},
    {effIdentify,        0, 0,   0, 0, "", 0x4E764566, 0x4E764566, false},
    {effGetChunk,        1, 0,   P, 0, "getChunk(0x1000,true)", 7, 0, false},
    {effGetChunk,        0, 0,   P, 0, "getChunk(0x1000,false)", 7, 0, false},
    {effSetChunk,        1, 100, P, 0, "setChunk(0x1000,100,true)", 7, 0, false},
    {effSetChunk,        0, 100, P, 0, "setChunk(0x1000,100,false)", 7, 0, false},
};
// clang-format on

class BaseDispatcher : public testing::TestWithParam<Request> {};

std::string opcodeName(const testing::TestParamInfo<Request>& info) {
    return "Opcode" + std::to_string(info.param.opcode) + "_" + std::to_string(info.index);
}

} // namespace

TEST_P(BaseDispatcher, ReachesItsOperationAndAnswers) {
    expectServed(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Requests, BaseDispatcher, testing::ValuesIn(kBaseRequests), opcodeName);

// A pointer-sized program number beyond 32 bits is out of range, not program 1.
TEST(BaseDispatcherDefaults, WideProgramNumbersAreNotNarrowedIntoRange) {
    if (sizeof(intptr_t) == sizeof(int32_t)) {
        GTEST_SKIP() << "value is 32 bits wide here";
    }
    DefaultsEffect effect;
    effect.dispatcher(effSetProgram, 0, static_cast<intptr_t>((int64_t{1} << 32) + 1), nullptr, 0.0f);
    EXPECT_EQ(effect.getProgram(), 0);
}

TEST(BaseDispatcherDefaults, AnswerAsAnEffectWithoutChunksNamesOrParameters) {
    DefaultsEffect effect;
    AEffect* record = effect.getAeffect();
    void* chunk = &effect;
    EXPECT_EQ(effect.dispatcher(effGetChunk, 0, 0, &chunk, 0.0f), 0);
    EXPECT_EQ(chunk, &effect) << "no chunk: *ptr stays as the host left it";
    for (const int32_t opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName}) {
        char text[8] = "xxxxxxx";
        EXPECT_EQ(effect.dispatcher(opcode, 0, 0, text, 0.0f), 0);
        EXPECT_EQ(std::string(text, 3), std::string("\0xx", 3)) << opcode << ": an empty text, nothing more";
    }
    EXPECT_EQ(record->getParameter(record, 0), 0.0f);
    EXPECT_EQ(effect.dispatcher(effGetVu, 0, 0, nullptr, 0.0f), 0);
}

// The meter level in the 16-bit range, truncated toward zero; what is not a number answers 0.
TEST(BaseDispatcherMeter, ScalesTheLevelOnlyWithThePowerPcBehaviour) {
    struct Level {
        float vu;
        intptr_t answer;
    };
    const Level levels[] = {{0.5f, 16383}, {-0.5f, -16383}, {1.0f, 32767},
                            {0.0f, 0},     {NAN, 0},        {INFINITY, 0}};
    for (const Level& level : levels) {
        struct Meter : DefaultsEffect {
            float level = 0.0f;
            float getVu() override { return level; }
        } effect;
        effect.level = level.vu;
        EXPECT_EQ(effect.dispatcher(effGetVu, 0, 0, nullptr, 0.0f),
                  orke::kPowerPcBehaviour ? level.answer : 0)
            << level.vu;
    }
}

// Before a derived constructor changes anything: one input, two outputs, 'NoEf', version 1, can-replacing,
// and every byte not named here zero.
TEST(BaseRecord, HoldsTheBaseDefaults) {
    DefaultsEffect effect(nullptr, 5);
    AEffect expected;
    std::memset(&expected, 0, sizeof(expected));
    expected.magic = 0x56737450;
    expected.dispatcher = &AudioEffect::dispatchEffectClass;
    expected.process = &AudioEffect::processClass;
    expected.setParameter = &AudioEffect::setParameterClass;
    expected.getParameter = &AudioEffect::getParameterClass;
    expected.numPrograms = 5;
    expected.numParams = 2;
    expected.numInputs = 1;
    expected.numOutputs = 2;
    expected.flags = effFlagsCanReplacing;
    expected.ioRatio = 1.0f;
    expected.object = static_cast<AudioEffect*>(&effect);
    expected.uniqueID = 0x4E6F4566;
    expected.version = 1;
    expected.processReplacing = &AudioEffect::processClassReplacing;
    expected.processDoubleReplacing = &AudioEffect::processClassDoubleReplacing;
    EXPECT_EQ(std::memcmp(effect.getAeffect(), &expected, sizeof(expected)), 0);
}

// Each setter sets or clears its own bit and leaves every other bit as it was.
TEST(FlagSetters, ChangeOnlyTheirOwnBit) {
    struct Setter {
        int32_t bit;
        void (AudioEffectX::*set)(bool);
    };
    const Setter setters[] = {
        {2, &AudioEffectX::hasClip},
        {4, &AudioEffectX::hasVu},
        {8, &AudioEffectX::canMono},
        {16, &AudioEffectX::canProcessReplacing},
        {32, &AudioEffectX::programsAreChunks},
        {256, &AudioEffectX::isSynth},
        {512, &AudioEffectX::noTail},
        {1024, &AudioEffectX::wantAsyncOperation},
        {2048, &AudioEffectX::hasExternalBuffer},
        {4096, &AudioEffectX::canDoubleReplacing},
    };
    for (const int32_t before : {0, 0x5A5A5A5A, -1}) {
        for (const Setter& setter : setters) {
            SCOPED_TRACE(testing::Message() << "bit " << setter.bit << " from " << before);
            DefaultsEffect effect;
            effect.getAeffect()->flags = before;
            (effect.*setter.set)(true);
            EXPECT_EQ(effect.getAeffect()->flags, before | setter.bit);
            (effect.*setter.set)(false);
            EXPECT_EQ(effect.getAeffect()->flags, before & ~setter.bit);
        }
        DefaultsEffect effect; // the editor flag follows the editor pointer
        effect.getAeffect()->flags = before;
        AEffEditor editor;
        effect.setEditor(&editor);
        EXPECT_EQ(effect.getAeffect()->flags, before | 1);
        effect.setEditor(nullptr);
        EXPECT_EQ(effect.getAeffect()->flags, before & ~1);
    }
}
