// Idlewire as a host meets it, in both builds (the default one and the one with the PowerPC behaviour):
// loaded from its module, made through its entry, driven through the record, and reached through the
// functions it exports as an in-process client (an editor) reaches them. The shell's own defaults
// (capabilities, versions, null buffers) are shown by the shell's tests.
#include "AudioUnitProperties.h"
#include "Dispatch.h"
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "ParamInfo.h"
#include "PluginModule.h"
#include "PropertyExports.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// The default build has the PowerPC behaviour when compiled for PowerPC, unless the build forced the choice
// (IDLEWIRE_FORCED_BEHAVIOUR 0 or 1; -1 when left to the processor).
#if IDLEWIRE_FORCED_BEHAVIOUR >= 0
constexpr bool kDefaultHasPowerPcBehaviour = IDLEWIRE_FORCED_BEHAVIOUR == 1;
#elif defined(__powerpc__)
constexpr bool kDefaultHasPowerPcBehaviour = true;
#else
constexpr bool kDefaultHasPowerPcBehaviour = false;
#endif

// The module's path, and whether it has the PowerPC behaviour.
using Build = std::pair<const char*, bool>;
const Build kBuilds[] = {{IDLEWIRE_PATH, kDefaultHasPowerPcBehaviour},
                         {IDLEWIRE_POWERPC_BEHAVIOUR_PATH, true}};

// A host text buffer whose untouched bytes can be recognised, and the answer to the request that filled it.
struct Field {
    std::string bytes = std::string(79, '#');
    intptr_t answer = 0;
    std::string Text() const { return bytes.c_str(); }
    size_t Written() const { return bytes.find_last_not_of('#') + 1; } // up to the last byte no longer '#'
};

// The bytes the heap has handed out; 0 under the sanitizers, whose allocators keep their own books.
size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return 0;
#else
    return mallinfo2().uordblks;
#endif
}

constexpr UInt32 kPropertyDataToGui = 64001;

// An exported name, converted to whatever function pointer it is assigned to.
struct Exported {
    void* address;
    template <typename Function>
    operator Function*() const {
        return reinterpret_cast<Function*>(address);
    }
};

// One instance for the test, closed at its end, and the functions the module exports.
class IdlewireHost : public testing::TestWithParam<Build> {
protected:
    void SetUp() override {
        effect = module.Create(RecordingHost::Callback);
        ASSERT_NE(effect, nullptr);
        plugin = static_cast<OrkeAuBase*>(effect->object);
        ASSERT_EQ(missing, "") << "exported functions not found";
    }
    void TearDown() override {
        if (effect != nullptr) {
            EXPECT_EQ(Dispatch(effect, effClose), 1);
        }
    }
    Field Ask(int32_t opcode, int32_t index = 0, intptr_t value = 0) {
        Field field;
        field.answer = Dispatch(effect, opcode, index, value, field.bytes.data());
        return field;
    }
    Exported Find(const char* name) {
        void* address = module.Symbol(name);
        missing += address != nullptr ? "" : std::string(" ") + name;
        return {address};
    }

    orke::PluginModule module{GetParam().first};
    std::string missing; // the names Find did not find
    RecordingHost host;
    AEffect* effect = nullptr;
    OrkeAuBase* plugin = nullptr;
    decltype(&AUParameterValueFromLinear) fromLinear = Find("AUParameterValueFromLinear");
    decltype(&AUParameterValueToLinear) toLinear = Find("AUParameterValueToLinear");
    decltype(&AudioUnitGetPropertyInfo) getInfo = Find("_Z24AudioUnitGetPropertyInfoP10OrkeAuBasejjjPjPh");
    decltype(&AudioUnitGetProperty) get = Find("_Z20AudioUnitGetPropertyP10OrkeAuBasejjjPvPj");
    decltype(&AudioUnitSetProperty) set = Find("_Z20AudioUnitSetPropertyP10OrkeAuBasejjjPKvj");
    decltype(&AudioUnitAddPropertyListener) addListener =
        Find("_Z28AudioUnitAddPropertyListenerP10OrkeAuBasejPFvPvS0_jjjES1_");
    decltype(&AudioUnitRemovePropertyListener) removeListener =
        Find("_Z31AudioUnitRemovePropertyListenerP10OrkeAuBasejPFvPvS0_jjjE");
};

TEST_P(IdlewireHost, AsksTheVersionFirstWithNoRecordAndDescribesAStereoInstrument) {
    const HostCall& first = host.Calls().at(0);
    EXPECT_EQ(std::tie(first.effect, first.opcode, first.index, first.value, first.ptr, first.opt),
              std::make_tuple(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f));
    EXPECT_EQ(std::tie(effect->magic, effect->uniqueID, effect->flags), // 'VstP', 'OKiw'
              std::make_tuple(0x56737450, 1330342263, GetParam().second ? 280 : 272));
    EXPECT_EQ(std::tie(effect->numInputs, effect->numOutputs, effect->numPrograms, effect->numParams,
                       effect->user, effect->reserved1, effect->reserved2),
              std::make_tuple(2, 2, 8, 1, nullptr, 0, 0));
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(std::string(effect->reserved, sizeof(effect->reserved)),
              std::string(sizeof(effect->reserved), '\0'));
}

// main_macho is the PowerPC build's second name for the entry; neither entry makes anything for a host that
// answers the version query with 0.
TEST_P(IdlewireHost, EntriesAnswerAlikeAndMakeNothingForVersionZero) {
    using Entry = AEffect* (*)(audioMasterCallback);
    const auto macho = reinterpret_cast<Entry>(module.Symbol("main_macho"));
    ASSERT_EQ(macho != nullptr, GetParam().second);
    if (macho != nullptr) {
        AEffect* second = macho(RecordingHost::Callback);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(std::tie(second->magic, second->uniqueID, second->flags),
                  std::make_tuple(effect->magic, effect->uniqueID, 280));
        EXPECT_EQ(Dispatch(second, effClose), 1);
    }
    host.Answer(audioMasterVersion, 0);
    const size_t before = heapInUse();
    EXPECT_EQ(module.Create(RecordingHost::Callback), nullptr);
    EXPECT_EQ(macho != nullptr ? macho(RecordingHost::Callback) : nullptr, nullptr);
    EXPECT_EQ(heapInUse(), before) << "no object may be made";
}

// A whole session: blocks of random samples come out bit for bit, apart and then in place, and close gives
// back every byte. A first create and close settles the allocator's caches.
TEST_P(IdlewireHost, PassesBlocksThroughBitForBitAndCloseReleasesEverything) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::vector<float> in(2 * 513), out(2 * 513); // two channels of 513 samples each
    float* inputs[2] = {in.data(), in.data() + 513};
    float* outputs[2] = {out.data(), out.data() + 513};
    Dispatch(module.Create(RecordingHost::Callback), effClose);
    const size_t before = heapInUse();
    AEffect* session = module.Create(RecordingHost::Callback);
    ASSERT_NE(session, nullptr);
    const size_t withPlugin = heapInUse();
    Dispatch(session, effOpen);
    Dispatch(session, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    Dispatch(session, effSetBlockSize, 0, 512);
    Dispatch(session, effMainsChanged, 0, 1);
    for (const int32_t frames : {0, 1, 511, 512}) {
        std::generate(in.begin(), in.end(), [&] { return sample(random); });
        std::fill(out.begin(), out.end(), 7.0f);
        session->processReplacing(session, inputs, outputs, frames);
        session->processReplacing(session, inputs, inputs, frames);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(std::memcmp(outputs[c], inputs[c], sizeof(float) * frames), 0) << frames;
            EXPECT_EQ(outputs[c][frames], 7.0f) << frames << ": written past the block";
        }
    }
    Dispatch(session, effMainsChanged, 0, 0);
    EXPECT_EQ(Dispatch(session, effClose), 1);
    EXPECT_TRUE(withPlugin > before || withPlugin == 0) << "the heap is counted";
    EXPECT_EQ(heapInUse(), before) << "the destructor chain must release programs, kernels and arrays";
}

// Names are written whole with their NUL and not one byte more; the category lists it with effects,
// although it is flagged a synth. Resuming asks for events only in the PowerPC behaviour.
TEST_P(IdlewireHost, SaysWhoItIsAndWhatItWantsWhenResumed) {
    for (const auto& [opcode, text] : {std::pair{effGetEffectName, "Idlewire"},
                                       {effGetProductString, "Idlewire"},
                                       {effGetVendorString, "Orvane Kettlers"}}) {
        const Field field = Ask(opcode);
        EXPECT_EQ(std::make_tuple(field.answer, field.Text(), field.Written()),
                  std::make_tuple(1, std::string(text), std::strlen(text) + 1));
    }
    EXPECT_EQ(std::make_tuple(Dispatch(effect, effGetVendorVersion), Dispatch(effect, effGetPlugCategory)),
              std::make_tuple(65536, 1));

    host.Clear();
    Dispatch(effect, effMainsChanged, 0, 1);
    const std::vector<HostCall> wants = host.CallsOf(audioMasterWantMidi);
    ASSERT_EQ(wants.size(), GetParam().second ? 1u : 0u);
    for (const HostCall& want : wants) {
        EXPECT_EQ(std::tie(want.effect, want.value), std::make_tuple(effect, 1));
    }
}

TEST_P(IdlewireHost, EightProgramsEachKeepingItsOwnValueAndName) {
    EXPECT_EQ(Dispatch(effect, effGetProgram), 0);
    for (int32_t p = 0; p < 8; ++p) {
        Dispatch(effect, effSetProgram, 0, p);
        EXPECT_EQ(effect->getParameter(effect, 0), 0.0f) << p;
        EXPECT_EQ(Ask(effGetProgramName).Text(), "Defaults") << p;
    }
    Dispatch(effect, effSetProgram, 0, 3);
    effect->setParameter(effect, 0, 0.5f);
    char name[] = "A program name of forty characters long!";
    Dispatch(effect, effSetProgramName, 0, 0, name);
    const std::string shown(name, 23); // the host's field is 24 bytes
    EXPECT_EQ(Ask(effGetProgramName).Text(), shown);
    Dispatch(effect, effSetProgram, 0, 0);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.0f);
    Dispatch(effect, effSetProgram, 0, 3);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.5f);

    // Indexed names exist for programs 0 to 7, in any category; others leave the buffer untouched.
    const std::tuple<int32_t, intptr_t, std::string> cases[] = {
        {3, 0, shown}, {0, 0, "Defaults"}, {7, 42, "Defaults"}, {7, -1, "Defaults"},
        {8, 0, ""},    {-1, 0, ""},        {INT_MIN, 0, ""}};
    for (const auto& [program, category, text] : cases) {
        const Field field = Ask(effGetProgramNameIndexed, program, category);
        EXPECT_EQ(std::make_tuple(field.answer, field.Written(), field.Text().substr(0, text.size())),
                  std::make_tuple(intptr_t(!text.empty()), text.empty() ? 0 : text.size() + 1, text))
            << program;
    }
}

TEST_P(IdlewireHost, TheDummyParameterItsMappingAndNumbersOutsideTheTable) {
    const Field name = Ask(effGetParamName);
    EXPECT_EQ(name.bytes.substr(0, 16), std::string("Dummy") + std::string(11, '\0'));
    EXPECT_EQ(name.Written(), 16u) << "the name's field is written whole";
    EXPECT_EQ(Ask(effGetParamLabel).Written(), 1u) << "an empty label";
    for (const auto& [value, display] : {std::pair{0.0f, "0.000"}, {0.25f, "0.250"}, {1.0f, "1.000"}}) {
        effect->setParameter(effect, 0, value);
        EXPECT_EQ(effect->getParameter(effect, 0), value);
        EXPECT_EQ(Ask(effGetParamDisplay).Text(), display);
    }

    effect->setParameter(effect, 0, 0.25f);
    for (const int32_t index : {1, -1, INT_MAX, INT_MIN}) {
        effect->setParameter(effect, index, 0.75f);
        EXPECT_EQ(effect->getParameter(effect, index), 0.0f) << index;
        for (const int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
            EXPECT_EQ(Ask(opcode, index).Text(), "") << opcode << " of " << index;
        }
    }
    for (int32_t p = 0; p < 8; ++p) {
        Dispatch(effect, effSetProgram, 0, p);
        EXPECT_EQ(effect->getParameter(effect, 0), p == 0 ? 0.25f : 0.0f) << p;
    }
    // The exported mapping functions: the dummy row's map nothing, a row beyond it maps to 0.
    const ParameterRef dummy{0, 0, 0, 0}, outside{0, 1, 0, 0};
    EXPECT_EQ(std::make_tuple(fromLinear(0.25f, &dummy), toLinear(0.75f, &dummy), fromLinear(0.25f, &outside),
                              toLinear(0.75f, &outside)),
              std::make_tuple(0.25f, 0.75f, 0.0f, 0.0f));
}

// None of the properties can be set, and a listener added to one is never told of it.
TEST_P(IdlewireHost, PropertyInformationAndValuesAndNoneCanBeSet) {
    // References are as wide as a pointer: 4 and 12 bytes on 32-bit processors, 8 and 24 on 64-bit ones.
    const UInt32 pointer = sizeof(void*),
                 gui = GetParam().second ? 16 : 12; // the editor record: 4 words on PowerPC
    const std::tuple<UInt32, OSStatus, UInt32> cases[] = {
        {kPropertyParameterValueStrings, noErr, pointer},
        {kPropertyParameterStringFromValue, noErr, pointer == 4 ? 12u : 24u},
        {kPropertyDataToGui, noErr, gui},
        {5, kErrInvalidProperty, 77}};
    const auto count = [](void* calls, OrkeAuBase*, UInt32, UInt32, UInt32) {
        ++*static_cast<int*>(calls);
    };
    int calls = 0;
    char data[32] = {};
    for (const auto& [property, status, expectedSize] : cases) {
        UInt32 size = 77;
        Boolean writable = 9;
        const OSStatus info = getInfo(plugin, property, 0, 0, &size, &writable);
        EXPECT_EQ(std::make_tuple(info, size, int(writable)),
                  std::make_tuple(status, expectedSize, status == noErr ? 0 : 9))
            << property;
        EXPECT_EQ(addListener(plugin, property, count, &calls), noErr) << property;
        EXPECT_EQ(set(plugin, property, 0, 0, data, sizeof(data)), kErrInvalidProperty) << property;
        EXPECT_EQ(removeListener(plugin, property, count), noErr) << property;
    }
    EXPECT_EQ(calls, 0);

    // No value strings: the failure reaches the caller, whose reference stays as it was.
    const auto untouched = reinterpret_cast<CFArrayRef>(0x5150);
    CFArrayRef strings = untouched;
    UInt32 size = 77;
    EXPECT_EQ(get(plugin, kPropertyParameterValueStrings, 0, 0, &strings, &size), kErrInvalidParameter);
    EXPECT_EQ(strings, untouched);
    std::memset(data, 0xAB, sizeof(data));
    EXPECT_EQ(get(plugin, kPropertyParameterStringFromValue, 0, 0, data, &size), kErrInvalidProperty);
    EXPECT_EQ(get(plugin, kPropertyDataToGui, 0, 0, data, &size), noErr);
    EXPECT_EQ(std::string(data, sizeof(data)),
              std::string(gui, '\0') + std::string(sizeof(data) - gui, '\xAB'));
    EXPECT_EQ(size, 77u);
}

INSTANTIATE_TEST_SUITE_P(Builds, IdlewireHost, testing::ValuesIn(kBuilds),
                         [](const auto& info) { return info.index == 0 ? "Default" : "PowerPC"; });

} // namespace
