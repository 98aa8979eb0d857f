// The CoreMIDI calls over an installed MIDI setup, and the system's setup on a machine without a sequencer.
#include <CoreMIDI/MIDISetup.h>

#include <gtest/gtest.h>

#include <unistd.h>

using orke_coremidi::MIDISetup;

TEST(MIDIServices, AnswerFromTheInstalledSetupOnlyAndLeaveOutputsAloneOnFailure) {
    MIDISetup setup;
    MIDIEndpointRef in =
        setup.AddSource(setup.AddEntity(setup.AddDevice("Box", 1), "Port", 2, true), "In", 3);
    MIDIEndpointRef loose = setup.AddDestination(nullptr, "Loose", 4);
    orke_coremidi::InstallMIDISetup(std::move(setup));
    EXPECT_TRUE(orke_coremidi::HaveMIDISystem());
    EXPECT_EQ(MIDIGetDestination(0), loose);
    EXPECT_EQ(MIDIGetDestination(1), nullptr);

    MIDIEntityRef entity = nullptr;
    EXPECT_EQ(MIDIEndpointGetEntity(loose, &entity), kMIDIObjectNotFound);
    EXPECT_EQ(entity, nullptr);
    SInt32 value = -1;
    int stranger = 0;
    EXPECT_EQ(MIDIObjectGetIntegerProperty(in, kMIDIPropertyIsEmbeddedEntity, &value), kMIDIUnknownProperty);
    EXPECT_EQ(MIDIObjectGetIntegerProperty(in, kMIDIPropertyName, &value), kMIDIWrongPropertyType);
    EXPECT_EQ(MIDIObjectGetIntegerProperty(&stranger, kMIDIPropertyUniqueID, &value), kMIDIObjectNotFound);
    EXPECT_EQ(value, -1);

    orke_coremidi::InstallMIDISetup(MIDISetup());
    EXPECT_EQ(MIDIObjectGetIntegerProperty(in, kMIDIPropertyUniqueID, &value), kMIDIObjectNotFound)
        << "a reference into a replaced setup is never followed";
    orke_coremidi::UseSystemMIDISetup();
}

TEST(MIDIServices, TheSystemSetupIsEmptyWithoutASequencer) {
    if (access("/dev/snd/seq", F_OK) == 0) {
        GTEST_SKIP() << "this machine runs a sequencer";
    }
    orke_coremidi::UseSystemMIDISetup();
    EXPECT_FALSE(orke_coremidi::HaveMIDISystem());
    EXPECT_EQ(MIDIGetNumberOfSources() + MIDIGetNumberOfDestinations(), 0u);
}
