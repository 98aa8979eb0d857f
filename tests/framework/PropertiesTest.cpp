// Properties through the exported functions, and how listeners are kept and told.
#include "PropertyExports.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UInt32 kSettable = TestEffect::kSettableProperty;
constexpr UInt32 kOther = 2000; // nobody sets it

struct Told {
    std::string who;
    OrkeAuBase* plugin;
    UInt32 property, scope, element;
};
std::vector<Told> g_told;

void tell(const char* who, OrkeAuBase* plugin, UInt32 property, UInt32 scope, UInt32 element) {
    g_told.push_back(Told{who, plugin, property, scope, element});
}
void listenerA(void* user, OrkeAuBase* p, UInt32 property, UInt32 s, UInt32 e) {
    tell(static_cast<const char*>(user), p, property, s, e);
}
void listenerB(void*, OrkeAuBase* p, UInt32 property, UInt32 s, UInt32 e) {
    tell("B", p, property, s, e);
}
void listenerC(void*, OrkeAuBase* p, UInt32 property, UInt32 s, UInt32 e) {
    tell("C", p, property, s, e);
}

std::vector<std::string> whoWasTold() {
    std::vector<std::string> names;
    for (const Told& t : g_told) {
        names.push_back(t.who);
    }
    g_told.clear();
    return names;
}

class Properties : public ::testing::Test {
protected:
    void SetUp() override { g_told.clear(); }
    TestEffect effect;
};

TEST_F(Properties, ListenersAreToldInRegistrationOrderOncePerRegistration) {
    char a1[] = "A1", a2[] = "A2";
    EXPECT_EQ(AudioUnitAddPropertyListener(&effect, kSettable, listenerA, a1), noErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(&effect, kSettable, listenerB, nullptr), noErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(&effect, kSettable, listenerA, a2), noErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(&effect, kOther, listenerC, nullptr), noErr);

    EXPECT_EQ(AudioUnitSetProperty(&effect, kSettable, 1, 7, nullptr, 0), noErr);
    ASSERT_EQ(g_told.size(), 3u);
    for (const Told& t : g_told) {
        EXPECT_EQ(t.plugin, &effect);
        EXPECT_EQ(t.property, kSettable);
        EXPECT_EQ(t.scope, 1u);
        EXPECT_EQ(t.element, 7u);
    }
    EXPECT_EQ(whoWasTold(), (std::vector<std::string>{"A1", "B", "A2"}));

    // A refused property tells nobody, not even its own listeners.
    EXPECT_EQ(AudioUnitSetProperty(&effect, kOther, 0, 0, nullptr, 0), kErrInvalidProperty);
    EXPECT_TRUE(whoWasTold().empty());

    // One removal drops every registration of that callback for that property, whatever its user data.
    EXPECT_EQ(AudioUnitRemovePropertyListener(&effect, kSettable, listenerA), noErr);
    EXPECT_EQ(AudioUnitRemovePropertyListener(&effect, kSettable, listenerC), noErr); // not registered
    EXPECT_EQ(AudioUnitSetProperty(&effect, kSettable, 0, 0, nullptr, 0), noErr);
    EXPECT_EQ(whoWasTold(), (std::vector<std::string>{"B"}));
}

TEST_F(Properties, ChangesToTheParametersTellNoListener) {
    AudioUnitAddPropertyListener(&effect, kSettable, listenerB, nullptr);
    effect.setParameter(kRowLevel, 0.5f);
    effect.setProgram(1);
    effect.setProgramName(const_cast<char*>("Renamed"));
    EXPECT_TRUE(g_told.empty());
}

// Listeners that change the registrations while they are being told.
struct Reentrant {
    OrkeAuBase* effect;
    int calls = 0;
};
void removesBandItself(void* user, OrkeAuBase* p, UInt32 property, UInt32 s, UInt32 e) {
    tell("R", p, property, s, e);
    AudioUnitRemovePropertyListener(p, property, listenerB);
    AudioUnitRemovePropertyListener(p, property, removesBandItself);
    ++static_cast<Reentrant*>(user)->calls;
}
void addsForty(void* user, OrkeAuBase* p, UInt32 property, UInt32 s, UInt32 e) {
    tell("G", p, property, s, e);
    for (int i = 0; i < 40; ++i) { // past the reserved room, so the list moves
        AudioUnitAddPropertyListener(p, property, listenerC, nullptr);
    }
    AudioUnitRemovePropertyListener(p, property, addsForty);
    ++static_cast<Reentrant*>(user)->calls;
}
void setsAgain(void* user, OrkeAuBase* p, UInt32 property, UInt32 s, UInt32 e) {
    tell("S", p, property, s, e);
    auto* state = static_cast<Reentrant*>(user);
    if (state->calls++ == 0) {
        AudioUnitRemovePropertyListener(p, property, listenerB);
        AudioUnitSetProperty(p, property, s, e, nullptr, 0);
    }
}

TEST_F(Properties, ListenersMayChangeTheRegistrationsFromTheirCallback) {
    Reentrant state{&effect};
    // A removal during the round: the removed are not called again, not even later in the same round.
    AudioUnitAddPropertyListener(&effect, kSettable, removesBandItself, &state);
    AudioUnitAddPropertyListener(&effect, kSettable, listenerB, nullptr);
    AudioUnitSetProperty(&effect, kSettable, 0, 0, nullptr, 0);
    AudioUnitSetProperty(&effect, kSettable, 0, 0, nullptr, 0);
    EXPECT_EQ(whoWasTold(), (std::vector<std::string>{"R"}));

    // Additions during the round are told from the next change on, even when the list had to move.
    AudioUnitAddPropertyListener(&effect, kSettable, addsForty, &state);
    AudioUnitAddPropertyListener(&effect, kSettable, listenerB, nullptr);
    AudioUnitSetProperty(&effect, kSettable, 0, 0, nullptr, 0);
    EXPECT_EQ(whoWasTold(), (std::vector<std::string>{"G", "B"}));
    AudioUnitSetProperty(&effect, kSettable, 0, 0, nullptr, 0);
    const auto second = whoWasTold();
    ASSERT_EQ(second.size(), 41u);
    EXPECT_EQ(second.front(), "B");
    AudioUnitRemovePropertyListener(&effect, kSettable, listenerB);
    AudioUnitRemovePropertyListener(&effect, kSettable, listenerC);

    // A listener that sets the property again: the inner round tells who is still registered.
    Reentrant again{&effect};
    AudioUnitAddPropertyListener(&effect, kSettable, setsAgain, &again);
    AudioUnitAddPropertyListener(&effect, kSettable, listenerB, nullptr);
    AudioUnitSetProperty(&effect, kSettable, 0, 0, nullptr, 0);
    EXPECT_EQ(whoWasTold(), (std::vector<std::string>{"S", "S"}));
    AudioUnitSetProperty(&effect, kSettable, 0, 0, nullptr, 0);
    EXPECT_EQ(whoWasTold(), (std::vector<std::string>{"S"}));
}

TEST_F(Properties, ValueStringsThroughTheExportedGetters) {
    for (const UInt32 element : {UInt32(kRowMode), UInt32(kRowLevel), 999u}) {
        UInt32 size = 0;
        Boolean writable = 1;
        EXPECT_EQ(
            AudioUnitGetPropertyInfo(&effect, kPropertyParameterValueStrings, 0, element, &size, &writable),
            noErr);
        EXPECT_EQ(size, sizeof(CFArrayRef));
        EXPECT_EQ(writable, 0);
    }

    CFArrayRef strings = nullptr;
    UInt32 size = 0;
    ASSERT_EQ(AudioUnitGetProperty(&effect, kPropertyParameterValueStrings, 0, kRowMode, &strings, &size),
              noErr);
    ASSERT_NE(strings, nullptr);
    EXPECT_EQ(CFArrayGetCount(strings), 3);
    EXPECT_EQ(CFGetRetainCount(strings), 2); // the caller's reference and the test effect's
    CFRelease(strings);

    // A parameter without strings: its failure reaches the caller, whose reference stays as it was.
    const auto untouched = reinterpret_cast<CFArrayRef>(0x1234);
    strings = untouched;
    EXPECT_EQ(AudioUnitGetProperty(&effect, kPropertyParameterValueStrings, 0, kRowLevel, &strings, &size),
              kErrInvalidParameter);
    EXPECT_EQ(strings, untouched);
}

} // namespace
