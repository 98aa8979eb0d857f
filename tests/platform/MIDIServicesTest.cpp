// The CoreMIDI calls over an installed MIDI setup, and the system's setup on a machine without a sequencer.
#include <CoreMIDI/MIDISetup.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

using orke_coremidi::MIDISetup;

namespace {

std::string text(CFStringRef string) {
    return string != nullptr ? std::string(CFStringGetCStringPtr(string, kCFStringEncodingUTF8)) : "<null>";
}

class MIDIServices : public ::testing::Test {
protected:
    void SetUp() override {
        MIDISetup setup;
        device = setup.AddDevice("Box", 1);
        entity = setup.AddEntity(device, "Port 1", 2, true);
        in = setup.AddSource(entity, "In", 3);
        out = setup.AddDestination(entity, "Out", 4);
        loose = setup.AddDestination(nullptr, "Loose", 5);
        external = setup.AddObject(kMIDIObjectType_ExternalSource, "Keys", 6);
        setup.AddObject(kMIDIObjectType_ExternalDestination, "Second with 6", 6);
        setup.SetConnections(in, {6, -2});
        orke_coremidi::InstallMIDISetup(std::move(setup));
    }
    void TearDown() override { orke_coremidi::UseSystemMIDISetup(); }

    MIDIDeviceRef device;
    MIDIEntityRef entity;
    MIDIEndpointRef in, out, loose;
    MIDIObjectRef external;
};

} // namespace

TEST_F(MIDIServices, ListsEndpointsInTheOrderMade) {
    EXPECT_TRUE(orke_coremidi::HaveMIDISystem());
    ASSERT_EQ(MIDIGetNumberOfSources(), 1u);
    EXPECT_EQ(MIDIGetSource(0), in);
    EXPECT_EQ(MIDIGetSource(1), nullptr);
    ASSERT_EQ(MIDIGetNumberOfDestinations(), 2u);
    EXPECT_EQ(MIDIGetDestination(0), out);
    EXPECT_EQ(MIDIGetDestination(1), loose);
    EXPECT_EQ(MIDIGetDestination(~ItemCount(0)), nullptr);

    MIDIEntityRef found = nullptr;
    EXPECT_EQ(MIDIEndpointGetEntity(out, &found), noErr);
    EXPECT_EQ(found, entity);
    MIDIEntityRef untouched = entity;
    EXPECT_EQ(MIDIEndpointGetEntity(loose, &untouched), kMIDIObjectNotFound);
    EXPECT_EQ(untouched, entity);
}

TEST_F(MIDIServices, ReadsPropertiesOfTheirOwnKindOnly) {
    SInt32 value = -1;
    EXPECT_EQ(MIDIObjectGetIntegerProperty(entity, kMIDIPropertyIsEmbeddedEntity, &value), noErr);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(MIDIObjectGetIntegerProperty(external, kMIDIPropertyUniqueID, &value), noErr);
    EXPECT_EQ(value, 6);

    CFStringRef name = nullptr;
    ASSERT_EQ(MIDIObjectGetStringProperty(in, kMIDIPropertyDisplayName, &name), noErr);
    EXPECT_EQ(text(name), "In");
    EXPECT_EQ(CFGetRetainCount(name), 1) << "the caller's own reference";
    CFRelease(name);

    CFDataRef data = nullptr;
    ASSERT_EQ(MIDIObjectGetDataProperty(in, kMIDIPropertyConnectionUniqueID, &data), noErr);
    const UInt8 expected[] = {0, 0, 0, 6, 0xFF, 0xFF, 0xFF, 0xFE};
    ASSERT_EQ(CFDataGetLength(data), 8);
    EXPECT_EQ(std::memcmp(CFDataGetBytePtr(data), expected, 8), 0);
    CFRelease(data);

    // Missing, of another kind, or asked of an object that is not in the setup: the variable keeps its value.
    value = -1;
    EXPECT_EQ(MIDIObjectGetIntegerProperty(in, kMIDIPropertyIsEmbeddedEntity, &value), kMIDIUnknownProperty);
    EXPECT_EQ(MIDIObjectGetIntegerProperty(in, kMIDIPropertyName, &value), kMIDIWrongPropertyType);
    int stranger = 0;
    EXPECT_EQ(MIDIObjectGetIntegerProperty(&stranger, kMIDIPropertyUniqueID, &value), kMIDIObjectNotFound);
    EXPECT_EQ(value, -1);
    data = nullptr;
    EXPECT_EQ(MIDIObjectGetDataProperty(out, kMIDIPropertyConnectionUniqueID, &data), kMIDIUnknownProperty);
    EXPECT_EQ(data, nullptr);
}

TEST_F(MIDIServices, FindsTheFirstObjectWithAUniqueID) {
    MIDIObjectRef object = nullptr;
    MIDIObjectType type = kMIDIObjectType_Other;
    EXPECT_EQ(MIDIObjectFindByUniqueID(6, &object, &type), noErr);
    EXPECT_EQ(object, external);
    EXPECT_EQ(type, kMIDIObjectType_ExternalSource);
    EXPECT_EQ(MIDIObjectFindByUniqueID(4, &object, &type), noErr);
    EXPECT_EQ(object, out);
    EXPECT_EQ(type, kMIDIObjectType_Destination);
    EXPECT_EQ(MIDIObjectFindByUniqueID(-2, &object, &type), kMIDIObjectNotFound);
    EXPECT_EQ(object, out);
}

TEST_F(MIDIServices, ReferencesIntoAReplacedSetupAreRefused) {
    orke_coremidi::InstallMIDISetup(MIDISetup());
    SInt32 value = -1;
    EXPECT_EQ(MIDIObjectGetIntegerProperty(in, kMIDIPropertyUniqueID, &value), kMIDIObjectNotFound);
    EXPECT_EQ(MIDIGetNumberOfSources(), 0u);
}

TEST(SystemMIDISetup, IsEmptyWithoutASequencer) {
    if (access("/dev/snd/seq", F_OK) == 0) {
        GTEST_SKIP() << "this machine runs a sequencer";
    }
    orke_coremidi::UseSystemMIDISetup();
    EXPECT_FALSE(orke_coremidi::HaveMIDISystem());
    EXPECT_EQ(MIDIGetNumberOfSources(), 0u);
    EXPECT_EQ(MIDIGetNumberOfDestinations(), 0u);
}
