// The base effect: its record, flag setters and the basic requests 0 to 24.
#include "EffectOpcodes.h"
#include "RecordingEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
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

TEST(BaseDispatcherEditor, EditorRequestsWithoutAnEditorCallNothingAndAnswerZero) {
    for (int32_t opcode = effEditGetRect; opcode <= effEditSleep; ++opcode) {
        SCOPED_TRACE(opcode);
        CallLog log;
        log.answer = 7;
        RecordingEffect effect(log, false);
        EXPECT_EQ(effect.dispatcher(opcode, 3, 4, reinterpret_cast<void*>(P), 1.0f), 0);
        EXPECT_EQ(log.all(), "");
    }
}

TEST(BaseDispatcherDefaults, ProgramNumbersOutsideTheRangeAreIgnored) {
    std::vector<intptr_t> rejected = {8, -1, std::numeric_limits<int32_t>::min()};
    if (sizeof(intptr_t) > sizeof(int32_t)) {
        // Must not be narrowed to program 1 first.
        rejected.push_back(static_cast<intptr_t>((int64_t{1} << 32) + 1));
    }
    DefaultsEffect effect;
    effect.dispatcher(effSetProgram, 0, 7, nullptr, 0.0f);
    EXPECT_EQ(effect.dispatcher(effGetProgram, 0, 0, nullptr, 0.0f), 7);
    for (const intptr_t value : rejected) {
        EXPECT_EQ(effect.dispatcher(effSetProgram, 0, value, nullptr, 0.0f), 0);
        EXPECT_EQ(effect.getProgram(), 7) << value;
    }
    effect.dispatcher(effSetProgram, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(effect.getProgram(), 0);
}

TEST(BaseDispatcherDefaults, AnswerAsAnEffectWithoutChunksNamesOrParameters) {
    DefaultsEffect effect;
    AEffect* record = effect.getAeffect();

    void* chunk = &effect;
    EXPECT_EQ(effect.dispatcher(effGetChunk, 0, 0, &chunk, 0.0f), 0);
    EXPECT_EQ(chunk, &effect) << "no chunk: *ptr stays as the host left it";
    EXPECT_EQ(effect.dispatcher(effGetChunk, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(effect.dispatcher(effSetChunk, 0, 4, &chunk, 0.0f), 0);

    for (const int32_t opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName}) {
        char text[8];
        std::memset(text, 'x', sizeof(text));
        EXPECT_EQ(effect.dispatcher(opcode, 0, 0, text, 0.0f), 0);
        EXPECT_EQ(text[0], '\0') << opcode;
        EXPECT_EQ(text[1], 'x') << opcode << ": only the terminator is written";
    }
    EXPECT_EQ(record->getParameter(record, 0), 0.0f);
    EXPECT_EQ(effect.dispatcher(effIdentify, 0, 0, nullptr, 0.0f), 0x4E764566);
    EXPECT_EQ(effect.dispatcher(effGetVu, 0, 0, nullptr, 0.0f), 0);
}

TEST(BaseDispatcherDefaults, SampleRateAndBlockSizeAreStored) {
    DefaultsEffect effect;
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    effect.dispatcher(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    effect.dispatcher(effSetBlockSize, 0, 64, nullptr, 0.0f);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
    EXPECT_EQ(effect.getBlockSize(), 64);
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

TEST(BaseRecord, HoldsTheBaseDefaultsUntilADerivedClassChangesThem) {
    DefaultsEffect effect(nullptr, 5);
    const AEffect& record = *effect.getAeffect();
    EXPECT_EQ(record.magic, 0x56737450);
    EXPECT_EQ(record.numPrograms, 5);
    EXPECT_EQ(record.numParams, 2);
    EXPECT_EQ(record.numInputs, 1);
    EXPECT_EQ(record.numOutputs, 2);
    EXPECT_EQ(record.flags, effFlagsCanReplacing);
    EXPECT_EQ(record.ioRatio, 1.0f);
    EXPECT_EQ(record.uniqueID, 0x4E6F4566);
    EXPECT_EQ(record.version, 1);
    EXPECT_EQ(record.object, &effect);
    EXPECT_EQ(record.user, nullptr);
    EXPECT_EQ(record.reserved1, 0);
    EXPECT_EQ(record.reserved2, 0);
    EXPECT_EQ(record.initialDelay, 0);
    for (const char byte : record.reserved) {
        EXPECT_EQ(byte, 0);
    }
}

// Each setter sets or clears its own bit and leaves every other bit as it was.
TEST(FlagSetters, ChangeOnlyTheirOwnBit) {
    struct Setter {
        const char* name;
        int32_t bit;
        std::function<void(AudioEffectX&, bool)> set;
    };
    const Setter setters[] = {
        {"hasClip", 2,
         [](AudioEffectX& e, bool s) {
             e.hasClip(s);
         }},
        {"hasVu", 4,
         [](AudioEffectX& e, bool s) {
             e.hasVu(s);
         }},
        {"canMono", 8,
         [](AudioEffectX& e, bool s) {
             e.canMono(s);
         }},
        {"canProcessReplacing", 16,
         [](AudioEffectX& e, bool s) {
             e.canProcessReplacing(s);
         }},
        {"programsAreChunks", 32,
         [](AudioEffectX& e, bool s) {
             e.programsAreChunks(s);
         }},
        {"isSynth", 256,
         [](AudioEffectX& e, bool s) {
             e.isSynth(s);
         }},
        {"noTail", 512,
         [](AudioEffectX& e, bool s) {
             e.noTail(s);
         }},
        {"wantAsyncOperation", 1024,
         [](AudioEffectX& e, bool s) {
             e.wantAsyncOperation(s);
         }},
        {"hasExternalBuffer", 2048,
         [](AudioEffectX& e, bool s) {
             e.hasExternalBuffer(s);
         }},
        {"canDoubleReplacing", 4096,
         [](AudioEffectX& e, bool s) {
             e.canDoubleReplacing(s);
         }},
        {"setEditor", 1,
         [](AudioEffectX& e, bool s) {
             AEffEditor* old = e.getEditor();
             e.setEditor(s ? new AEffEditor : nullptr);
             delete old;
         }},
    };
    for (const Setter& setter : setters) {
        for (const int32_t before : {0, 0x5A5A5A5A, -1, 0x12345678}) {
            SCOPED_TRACE(testing::Message() << setter.name << " from " << before);
            DefaultsEffect effect;
            effect.getAeffect()->flags = before;
            setter.set(effect, true);
            EXPECT_EQ(effect.getAeffect()->flags, before | setter.bit);
            setter.set(effect, false);
            EXPECT_EQ(effect.getAeffect()->flags, before & ~setter.bit);
        }
    }
}
