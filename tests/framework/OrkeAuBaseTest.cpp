// OrkeAuBase: kernels and the render path, programs, the mapping between the host's normalised values and the
// real values the programs keep, the three parameter texts, and properties with their listeners.
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "PropertyExports.h"
#include "RecordingHost.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <utility>

namespace {

TEST(OrkeAuBase, KernelIProcessesChannelIAndNullKernelsAreNeverKept) {
    // 0 frames still call every kernel, negative ones are none; a null kernel ends the list.
    const struct {
        int32_t outputs, frames;
        int kernelsMade, expectedKernels; // kernelsMade -1: as many as asked for
        unsigned long expectedFrames;
    } cases[] = {{2, 512, -1, 2, 512}, {2, 0, -1, 2, 0},  {2, -5, -1, 2, 0},
                 {0, 64, -1, 0, 0},    {3, 64, 1, 1, 64}, {2, 64, 0, 0, 0}};
    for (const auto& c : cases) {
        TestEffect effect(nullptr, c.outputs, c.kernelsMade);
        // As long as the longest block: outputs without a kernel are silenced.
        static float in[4][512], out[4][512];
        float* inputs[4] = {in[0], in[1], in[2], in[3]};
        float* outputs[4] = {out[0], out[1], out[2], out[3]};
        effect.processReplacing(inputs, outputs, c.frames);
        ASSERT_EQ(effect.kernelCalls.size(), static_cast<size_t>(c.expectedKernels)) << c.outputs << c.frames;
        for (int i = 0; i < c.expectedKernels; ++i) {
            const KernelCall& call = effect.kernelCalls[i];
            EXPECT_EQ(
                std::make_tuple(call.kernel, call.source, call.destination, call.frames, call.channels),
                std::make_tuple(i, static_cast<const float*>(inputs[i]), outputs[i], c.expectedFrames, 1ul))
                << i;
        }
    }
}

// What a kernel reads at each block after each host action: parameter changes are seen once, the values are
// the current program's, and a resume or a new sample rate resets the kernel before its next block.
TEST(OrkeAuBase, KernelsSeeParameterChangesTheSampleRateAndResets) {
    TestEffect effect;
    OrkePreset presets[9] = {};
    presets[3] = {"Bright", {}};
    presets[3].values[kRowLevel] = 7.0f;
    // A host request as a step.
    const auto send = [&](int32_t opcode, intptr_t value, float opt) -> std::function<void()> {
        return [&effect, opcode, value, opt] {
            effect.dispatcher(opcode, 0, value, nullptr, opt);
        };
    };
    const struct {
        const char* action;
        std::function<void()> run;
        bool changed;
        float level, sampleRate;
        int resets;
    } steps[] = {
        {"first block", [] {}, true, 5.0f, 44100.0f, 0},
        {"nothing", [] {}, false, 5.0f, 44100.0f, 0},
        {"set Level", [&] { effect.setParameter(kRowLevel, 0.25f); }, true, 2.5f, 44100.0f, 0},
        {"switch program", send(effSetProgram, 3, 0.0f), true, 5.0f, 44100.0f, 0},
        {"new rate", send(effSetSampleRate, 0, 48000.0f), true, 5.0f, 48000.0f, 1},
        {"same rate", send(effSetSampleRate, 0, 48000.0f), false, 5.0f, 48000.0f, 1},
        {"suspend", send(effMainsChanged, 0, 0.0f), false, 5.0f, 48000.0f, 1},
        {"resume", send(effMainsChanged, 1, 0.0f), true, 5.0f, 48000.0f, 2},
        {"presets", [&] { effect.LoadPresets(presets, 9); }, true, 7.0f, 48000.0f, 2},
    };
    float in[2][4] = {}, out[2][4] = {};
    float* inputs[2] = {in[0], in[1]};
    float* outputs[2] = {out[0], out[1]};
    for (const auto& step : steps) {
        step.run();
        effect.kernelCalls.clear();
        effect.processReplacing(inputs, outputs, 4);
        ASSERT_EQ(effect.kernelCalls.size(), 2u);
        for (const KernelCall& call : effect.kernelCalls) {
            EXPECT_EQ(std::make_tuple(call.changed, call.level, call.sampleRate, call.resets),
                      std::make_tuple(step.changed, step.level, step.sampleRate, step.resets))
                << step.action << ", kernel " << call.kernel;
        }
    }
    char name[32];
    ASSERT_TRUE(effect.getProgramNameIndexed(0, 3, name));
    EXPECT_STREQ(name, "Bright");
    ASSERT_TRUE(effect.getProgramNameIndexed(0, 2, name));
    EXPECT_STREQ(name, "");
}

// Every program starts with the table's defaults. Automation tells the host the normalised value of a real
// one and changes nothing itself; numbers outside the table reach nothing at all.
TEST(OrkeAuBase, ProgramsAutomationAndNumbersOutsideTheTable) {
    RecordingHost host;
    TestEffect effect(RecordingHost::Callback);
    host.Clear();
    effect.SetParameterAutomated(kRowLevel, 2.5f);
    for (const int32_t index : {-1, kParameterCount, INT_MAX, INT_MIN}) {
        effect.setParameter(index, 0.75f);
        effect.SetParameterAutomated(index, 0.75f);
        EXPECT_EQ(effect.getParameter(index), 0.0f) << index;
        const ParameterRef ref{0, static_cast<uint32_t>(index), 0, 0};
        EXPECT_EQ(AUParameterValueFromLinear(0.75f, &ref) + AUParameterValueToLinear(0.75f, &ref), 0.0f)
            << index;
    }
    EXPECT_EQ(AUParameterValueFromLinear(0.75f, nullptr), 0.0f);
    const auto calls = host.CallsOf(audioMasterAutomate);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(std::make_tuple(calls[0].effect, calls[0].index, calls[0].value, calls[0].ptr),
              std::make_tuple(effect.getAeffect(), kRowLevel, decltype(calls[0].value){0},
                              decltype(calls[0].ptr){}));
    EXPECT_FLOAT_EQ(calls[0].opt, 0.25f);
    for (int32_t p = 0; p < 8; ++p) {
        for (int j = 0; j < kParameterCount; ++j) {
            EXPECT_EQ(effect.Program(p)->GetParameter(j), astParamInfos[j].defaultValue) << p << "/" << j;
        }
    }
    TestEffect hostless;
    hostless.SetParameterAutomated(kRowLevel, 2.5f); // no callback to call

    // A program keeps 31 characters of a longer name, although the host is shown only 23 of them.
    effect.setProgramName(const_cast<char*>("0123456789abcdefghijklmnopqrstuvwxyzABCD"));
    EXPECT_STREQ(effect.Program(0)->GetName(), "0123456789abcdefghijklmnopqrstu");
}

// ---- the three parameter texts ----

using Request = void (OrkeAuBase::*)(int32_t, char*);
constexpr Request kName = &OrkeAuBase::getParameterName, kLabel = &OrkeAuBase::getParameterLabel,
                  kDisplay = &OrkeAuBase::getParameterDisplay;

// The text in a host buffer whose untouched bytes are '#', and how many bytes were written.
std::pair<std::string, size_t> ask(TestEffect& effect, Request request, int row) {
    std::string bytes(47, '#');
    (effect.*request)(row, bytes.data());
    return {bytes, bytes.find_last_not_of('#') + 1};
}

// Names fill their whole 16-byte field, cut to 15 bytes even when too long to convert whole; labels and
// displays are written with their NUL and nothing beyond. Displays: the format is chosen before rounding,
// the longest number that fits 24 bytes, exponent form beyond; an indexed value takes the string at its
// position truncated toward zero, and past its strings shows the number.
TEST(ParameterText, NamesLabelsAndDisplays) {
    const struct {
        Request request;
        int row;
        float real;
        const char* text;
    } cases[] = {
        // clang-format off
        {kName, kRowCutoff, 0, "Cutoff"}, {kName, kRowLongName, 0, "Filter resonanc"},
        {kName, kRowHugeName, 0, "Oscillator two "}, {kLabel, kRowCutoff, 0, "Hz"},
        {kLabel, kRowSteps, 0, "beats"}, {kLabel, kRowUnit26, 0, ""},
        {kDisplay, kRowRaw, 0.25f, "0.250"}, {kDisplay, kRowRaw, 9.999f, "9.999"},
        {kDisplay, kRowRaw, 10.0f, "10.00"}, {kDisplay, kRowRaw, 100.0f, "100.0"},
        {kDisplay, kRowRaw, 1000.0f, "1000"}, {kDisplay, kRowRaw, 9.9996f, "10.000"},
        {kDisplay, kRowRaw, -2500.0f, "-2500.000"}, {kDisplay, kRowRaw, -1.0e18f, "-999999984306749440.000"},
        {kDisplay, kRowRaw, 1.0e30f, "1.000e+30"}, {kDisplay, kRowCutoff, 632.4555f, "632.5"},
        {kDisplay, kRowBypass, 0.0f, "Off"}, {kDisplay, kRowBypass, 0.5f, "On"},
        {kDisplay, kRowBypass, -1.0f, "On"}, {kDisplay, kRowMode, 0.0f, "Low"},
        {kDisplay, kRowMode, 1.7f, "Mid"}, {kDisplay, kRowMode, 2.99f, "High"},
        {kDisplay, kRowMode, 3.0f, "3.000000"}, {kDisplay, kRowMode, -0.5f, "Low"},
        {kDisplay, kRowMode, -0.999f, "Low"}, {kDisplay, kRowMode, -1.0f, "-1.00000"},
        {kDisplay, kRowMode, NAN, "NaN"},
        // clang-format on
    };
    for (const auto& c : cases) {
        TestEffect effect;
        effect.Program(0)->SetParameter(c.row, c.real);
        const auto [bytes, written] = ask(effect, c.request, c.row);
        const size_t length = std::strlen(c.text);
        EXPECT_STREQ(bytes.c_str(), c.text) << c.row;
        EXPECT_EQ(bytes.find_first_not_of('\0', length), written) << c.text << ": only NULs after the text";
        // A name fills its field, a label ends at its NUL, a display at most at byte 24.
        EXPECT_EQ(written, c.request == kName    ? 16
                           : c.request == kLabel ? length + 1
                                                 : std::min<size_t>(written, 24))
            << c.text;
    }
}

// Display strings from value strings or from the display-string property keep the whole characters that fit
// in 23 bytes; success without a string gives the number.
TEST(ParameterText, DisplayStringsFromTheEffect) {
    const std::string x22(22, 'x');
    for (const auto& [text, shown] : {std::pair{std::string(30, 'y'), std::string(23, 'y')},
                                      {x22 + "\xC3\xA9" + "z", x22}}) { // a two-byte character across byte 23
        TestEffect effect;
        effect.valueStrings = {text};
        effect.displayText = text.c_str();
        effect.Program(0)->SetParameter(kRowMode, 0.0f);
        for (const int row : {int(kRowMode), int(kRowLevel)}) {
            const auto [bytes, written] = ask(effect, kDisplay, row);
            EXPECT_EQ(std::string(bytes.c_str()), shown) << row;
            EXPECT_EQ(written, shown.size() + 1);
        }
        effect.displayText = "";
        EXPECT_STREQ(ask(effect, kDisplay, kRowLevel).first.c_str(), "5.000");
    }
}

// ---- properties and listeners ----

constexpr UInt32 kSettable = TestEffect::kSettableProperty;

// Who was told, in order: a listener's user data is the name it records, or the action it then takes.
std::string g_told;
void named(void* user, OrkeAuBase* p, UInt32 property, UInt32 scope, UInt32 element) {
    EXPECT_NE(p, nullptr);
    EXPECT_EQ(std::make_tuple(property, scope, element), std::make_tuple(kSettable, UInt32{1}, UInt32{7}));
    g_told += static_cast<const char*>(user);
}
void other(void*, OrkeAuBase*, UInt32, UInt32, UInt32) {
    g_told += "C";
}
void removesOtherAndItself(void*, OrkeAuBase* p, UInt32 property, UInt32, UInt32) {
    g_told += "R";
    AudioUnitRemovePropertyListener(p, property, other);
    AudioUnitRemovePropertyListener(p, property, removesOtherAndItself);
}
std::string set(TestEffect& effect) {
    g_told.clear();
    EXPECT_EQ(AudioUnitSetProperty(&effect, kSettable, 1, 7, nullptr, 0), noErr);
    return g_told;
}

TEST(Properties, ListenersAreToldInOrderOncePerRegistrationAndRemovedAllAtOnce) {
    TestEffect effect;
    char a1[] = "1", a2[] = "2";
    EXPECT_EQ(AudioUnitAddPropertyListener(&effect, kSettable, named, a1), noErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(&effect, kSettable, other, nullptr), noErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(&effect, kSettable, named, a2), noErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(&effect, kSettable + 1, other, nullptr), noErr); // not told
    EXPECT_EQ(set(effect), "1C2");
    // One removal drops every registration of that callback, whatever its user data.
    EXPECT_EQ(AudioUnitRemovePropertyListener(&effect, kSettable, named), noErr);
    EXPECT_EQ(AudioUnitRemovePropertyListener(&effect, kSettable, named), noErr); // no longer registered
    EXPECT_EQ(set(effect), "C");
}

// Listeners that change the registrations while they are told: the removed are not called again, not even
// later in the same round; the added are told from the next change on, even when the list had to move.
TEST(Properties, ListenersMayChangeTheRegistrationsFromTheirCallback) {
    TestEffect effect;
    AudioUnitAddPropertyListener(&effect, kSettable, removesOtherAndItself, nullptr);
    AudioUnitAddPropertyListener(&effect, kSettable, other, nullptr);
    EXPECT_EQ(set(effect), "R");
    EXPECT_EQ(set(effect), "");

    const auto addsForty = [](void*, OrkeAuBase* p, UInt32 property, UInt32, UInt32) {
        g_told += "A";
        for (int i = 0; i < 40; ++i) { // past the reserved room, so the list moves
            AudioUnitAddPropertyListener(p, property, other, nullptr);
        }
    };
    AudioUnitAddPropertyListener(&effect, kSettable, addsForty, nullptr);
    EXPECT_EQ(set(effect), "A");
    AudioUnitRemovePropertyListener(&effect, kSettable, addsForty);
    EXPECT_EQ(set(effect), std::string(40, 'C'));
}

} // namespace
