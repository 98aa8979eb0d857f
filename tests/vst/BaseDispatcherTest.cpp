// The base effect: its flag setters and the basic requests 0 to 24.
#include "EffectOpcodes.h"
#include "RecordingEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

using namespace vsttest;

namespace {

constexpr uintptr_t P = 0x1000; // a host pointer, never dereferenced by the recording effect
// A program number wider than 32 bits must not be narrowed into range (where value is 32 bits: negative).
const intptr_t kWideProgram = sizeof(intptr_t) > 4 ? static_cast<intptr_t>(0x100000001LL) : -2;

// clang-format off
const Request kBaseRequests[] = {
    // opcode, index, value, ptr, opt, call, answer with 7, with 0, PowerPC only
    {effSetProgram,    0, 7,   0, 0, "setProgram(7)", 0, 0, false},
    {effSetProgram,    0, 8,   0, 0, "", 0, 0, false},
    {effSetProgram,    0, -1,  0, 0, "", 0, 0, false},
    {effSetProgram,    0, kWideProgram, 0, 0, "", 0, 0, false},
    {effGetVu,         0, 0,   0, 0, "getVu()", 7 * 32767, 0, true},
    {effSetSampleRate, 0, 0,   0, 48000.0f, "setSampleRate(48000)", 0, 0, false},
    {effSetBlockSize,  0, 512, 0, 0, "setBlockSize(512)", 0, 0, false},
    {effMainsChanged,  0, 0,   0, 0, "suspend()", 0, 0, false},
    {effMainsChanged,  0, 2,   0, 0, "resume()", 0, 0, false},
    {effMainsChanged,  0, -1,  0, 0, "resume()", 0, 0, false},
    {effEditGetRect,   0, 0,   P, 0, "editor.getRect(0x1000)", 1, 0, false},
    {effEditOpen,      0, 0,   P, 0, "editor.open(0x1000)", 1, 0, false},
    {effEditClose,     0, 0,   0, 0, "editor.close()", 0, 0, false},
    {effEditDraw,      0, 0,   P, 0, "editor.draw(0x1000)", 0, 0, true},
    {effEditMouse,     3, 4,   0, 0, "editor.mouse(3,4)", 7, 0, true},
    {effEditKey,       0, 65,  0, 0, "editor.key(65)", 7, 0, true},
    {effEditIdle,      0, 0,   0, 0, "editor.idle()", 0, 0, false},
    {effEditTop,       0, 0,   0, 0, "editor.top()", 0, 0, true},
    {effEditSleep,     0, 0,   0, 0, "editor.sleep()", 0, 0, true},
    {effIdentify,      0, 0,   0, 0, "", 0x4E764566, 0x4E764566, false},
    {effGetChunk,      1, 0,   P, 0, "getChunk(0x1000,true)", 7, 0, false},
    {effSetChunk,      0, 100, P, 0, "setChunk(0x1000,100,false)", 7, 0, false},
};
// clang-format on

} // namespace

TEST(BaseDispatcher, EachRequestReachesItsOperationAndAnswers) {
    for (const Request& request : kBaseRequests) {
        expectServed(request);
    }
}

// Without a chunk to hand over, *ptr stays as the host left it.
TEST(BaseDispatcher, NoChunkLeavesThePlaceForItUntouched) {
    DefaultsEffect effect;
    void* chunk = &effect;
    EXPECT_EQ(effect.dispatcher(effGetChunk, 0, 0, &chunk, 0.0f), 0);
    EXPECT_EQ(chunk, &effect);
}

// The level in the 16-bit range, truncated toward zero; what does not fit a 32-bit integer answers 0.
TEST(BaseDispatcher, MeterIsScaledOnlyWithThePowerPcBehaviour) {
    struct Meter : DefaultsEffect {
        float level = 0.0f;
        float getVu() override { return level; }
    } effect;
    for (const auto& [level, answer] : {std::pair{-0.5f, -16383}, {1.0f, 32767}, {NAN, 0}, {1e10f, 0}}) {
        effect.level = level;
        EXPECT_EQ(effect.dispatcher(effGetVu, 0, 0, nullptr, 0.0f), orke::kPowerPcBehaviour ? answer : 0);
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
