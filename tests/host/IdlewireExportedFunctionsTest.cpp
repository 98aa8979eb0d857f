// The mapping and property functions Idlewire exports, resolved by name from the module and called as an
// in-process client (an editor) calls them, with the object found in the record.
#include "AudioUnitProperties.h"
#include "EffectOpcodes.h"
#include "ParamInfo.h"
#include "PluginModule.h"
#include "PropertyExports.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr UInt32 kPropertyDataToGui = 64001;

int g_listenerCalls = 0;
void countCall(void*, OrkeAuBase*, UInt32, UInt32, UInt32) {
    ++g_listenerCalls;
}

class IdlewireExports : public ::testing::TestWithParam<const char*> {
protected:
    template <typename Function>
    Function* Resolve(const char* name) {
        auto* function = reinterpret_cast<Function*>(module.Symbol(name));
        EXPECT_NE(function, nullptr) << name;
        return function;
    }
    void SetUp() override {
        effect = module.Create(RecordingHost::Callback);
        ASSERT_NE(effect, nullptr);
        plugin = static_cast<OrkeAuBase*>(effect->object);
        g_listenerCalls = 0;
        ASSERT_TRUE(fromLinear && toLinear && getInfo && get && set && addListener && removeListener);
    }
    void TearDown() override {
        if (effect != nullptr) {
            Dispatch(effect, effClose);
        }
    }
    // The editor record is four words in the PowerPC build, which is the one that can do mono.
    UInt32 DataToGuiSize() const { return (effect->flags & effFlagsCanMono) != 0 ? 16 : 12; }

    PluginModule module{GetParam()};
    RecordingHost host;
    AEffect* effect = nullptr;
    OrkeAuBase* plugin = nullptr;
    decltype(&AUParameterValueFromLinear) fromLinear =
        Resolve<float(float, const ParameterRef*)>("AUParameterValueFromLinear");
    decltype(&AUParameterValueToLinear) toLinear =
        Resolve<float(float, const ParameterRef*)>("AUParameterValueToLinear");
    decltype(&AudioUnitGetPropertyInfo) getInfo =
        Resolve<std::remove_pointer_t<decltype(getInfo)>>("_Z24AudioUnitGetPropertyInfoP10OrkeAuBasejjjPjPh");
    decltype(&AudioUnitGetProperty) get =
        Resolve<std::remove_pointer_t<decltype(get)>>("_Z20AudioUnitGetPropertyP10OrkeAuBasejjjPvPj");
    decltype(&AudioUnitSetProperty) set =
        Resolve<std::remove_pointer_t<decltype(set)>>("_Z20AudioUnitSetPropertyP10OrkeAuBasejjjPKvj");
    decltype(&AudioUnitAddPropertyListener) addListener =
        Resolve<std::remove_pointer_t<decltype(addListener)>>(
            "_Z28AudioUnitAddPropertyListenerP10OrkeAuBasejPFvPvS0_jjjES1_");
    decltype(&AudioUnitRemovePropertyListener) removeListener =
        Resolve<std::remove_pointer_t<decltype(removeListener)>>(
            "_Z31AudioUnitRemovePropertyListenerP10OrkeAuBasejPFvPvS0_jjjE");
};

TEST_P(IdlewireExports, MappingFunctionsOfTheDummyRow) {
    const ParameterRef dummy{0, 0, 0, 0};
    EXPECT_EQ(fromLinear(0.25f, &dummy), 0.25f);
    EXPECT_EQ(toLinear(0.75f, &dummy), 0.75f);
    const ParameterRef outside{0, 1, 0, 0};
    EXPECT_EQ(fromLinear(0.25f, &outside), 0.0f);
    EXPECT_EQ(toLinear(0.75f, &outside), 0.0f);
}

TEST_P(IdlewireExports, PropertyInformation) {
    // References are as wide as a pointer: 4 and 12 bytes on 32-bit processors, 8 and 24 on 64-bit ones.
    const UInt32 pointer = sizeof(void*);
    const struct {
        UInt32 property, element;
        OSStatus status;
        UInt32 size;
    } cases[] = {
        {kPropertyParameterValueStrings, 0, noErr, pointer},
        {kPropertyParameterValueStrings, 9, noErr, pointer},
        {kPropertyParameterStringFromValue, 0, noErr, pointer == 4 ? 12u : 24u},
        {kPropertyDataToGui, 0, noErr, DataToGuiSize()},
        {5, 0, kErrInvalidProperty, 77},
    };
    for (const auto& c : cases) {
        UInt32 size = 77;
        Boolean writable = 9;
        EXPECT_EQ(getInfo(plugin, c.property, 0, c.element, &size, &writable), c.status) << c.property;
        EXPECT_EQ(size, c.size) << c.property;
        EXPECT_EQ(writable, c.status == noErr ? 0 : 9) << c.property;
    }
}

TEST_P(IdlewireExports, PropertyValues) {
    const auto untouched = reinterpret_cast<CFArrayRef>(0x5150);
    CFArrayRef strings = untouched;
    UInt32 size = 77;
    EXPECT_EQ(get(plugin, kPropertyParameterValueStrings, 0, 0, &strings, &size), kErrInvalidParameter);
    EXPECT_EQ(strings, untouched);

    unsigned char data[32];
    std::memset(data, 0xAB, sizeof(data));
    EXPECT_EQ(get(plugin, kPropertyParameterStringFromValue, 0, 0, data, &size), kErrInvalidProperty);
    EXPECT_EQ(data[0], 0xAB);

    EXPECT_EQ(get(plugin, kPropertyDataToGui, 0, 0, data, &size), noErr);
    for (size_t i = 0; i < sizeof(data); ++i) {
        EXPECT_EQ(data[i], i < DataToGuiSize() ? 0x00 : 0xAB) << "byte " << i;
    }
    EXPECT_EQ(size, 77u);
}

TEST_P(IdlewireExports, NoPropertyCanBeSetAndNoListenerIsTold) {
    const UInt32 properties[] = {kPropertyParameterValueStrings, kPropertyParameterStringFromValue,
                                 kPropertyDataToGui, 5};
    for (const UInt32 property : properties) {
        EXPECT_EQ(addListener(plugin, property, countCall, nullptr), noErr);
    }
    unsigned char data[32] = {};
    for (const UInt32 property : properties) {
        EXPECT_EQ(set(plugin, property, 0, 0, data, sizeof(data)), kErrInvalidProperty) << property;
    }
    EXPECT_EQ(g_listenerCalls, 0);
    for (const UInt32 property : properties) {
        EXPECT_EQ(removeListener(plugin, property, countCall), noErr);
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, IdlewireExports,
                         ::testing::Values(IDLEWIRE_PATH, IDLEWIRE_POWERPC_BEHAVIOUR_PATH),
                         [](const auto& info) { return info.index == 0 ? "Default" : "PowerPC"; });

} // namespace
