// From hand-made sequencer snapshots to the MIDI setup the CoreMIDI calls report.
#include <CoreMIDI/SequencerSetup.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace orke_coremidi;

namespace {

constexpr unsigned kIn = kSeqCapRead | kSeqCapSubsRead;
constexpr unsigned kOut = kSeqCapWrite | kSeqCapSubsWrite;

struct Endpoint {
    std::string name, displayName;
    MIDIUniqueID uniqueID;
    MIDIUniqueID entity; // 0: none
    SInt32 embedded;
    std::vector<MIDIUniqueID> connections;
};

Endpoint describe(MIDIEndpointRef endpoint) {
    Endpoint result{"", "", 0, 0, -1, {}};
    CFStringRef string = nullptr;
    if (MIDIObjectGetStringProperty(endpoint, kMIDIPropertyName, &string) == noErr) {
        result.name = CFStringGetCStringPtr(string, kCFStringEncodingUTF8);
        CFRelease(string);
    }
    if (MIDIObjectGetStringProperty(endpoint, kMIDIPropertyDisplayName, &string) == noErr) {
        result.displayName = CFStringGetCStringPtr(string, kCFStringEncodingUTF8);
        CFRelease(string);
    }
    MIDIObjectGetIntegerProperty(endpoint, kMIDIPropertyUniqueID, &result.uniqueID);
    MIDIEntityRef entity = nullptr;
    if (MIDIEndpointGetEntity(endpoint, &entity) == noErr) {
        MIDIObjectGetIntegerProperty(entity, kMIDIPropertyUniqueID, &result.entity);
        MIDIObjectGetIntegerProperty(entity, kMIDIPropertyIsEmbeddedEntity, &result.embedded);
    }
    CFDataRef data = nullptr;
    if (MIDIObjectGetDataProperty(endpoint, kMIDIPropertyConnectionUniqueID, &data) == noErr) {
        const UInt8* bytes = CFDataGetBytePtr(data);
        for (CFIndex i = 0; i + 4 <= CFDataGetLength(data); i += 4) {
            result.connections.push_back(static_cast<MIDIUniqueID>(
                (UInt32(bytes[i]) << 24) | (bytes[i + 1] << 16) | (bytes[i + 2] << 8) | bytes[i + 3]));
        }
        CFRelease(data);
    }
    return result;
}

MIDIUniqueID id(SequencerObject object, int client, int port = 0) {
    return SequencerUniqueID(object, client, port);
}

class SequencerSetup : public ::testing::Test {
protected:
    void TearDown() override { UseSystemMIDISetup(); }
};

} // namespace

TEST_F(SequencerSetup, ClientsBecomeDevicesAndPortsBecomeEndpoints) {
    SequencerSnapshot snapshot;
    snapshot.self = 130;
    snapshot.clients = {
        {0, "System", {{0, "Timer", kIn | kOut, 0}, {1, "Announce", kIn | kSeqCapNoExport, 0}}},
        {14, "Midi Through", {{0, "Midi Through Port-0", kIn | kOut, 0}}},
        {20,
         "UM-ONE",
         {{0, "UM-ONE MIDI 1", kIn | kOut, kSeqTypePort}, {1, "hidden", kIn | kSeqCapNoExport, 0}}},
        {128, "Synth", {{0, "input", kOut, 0}, {1, "read only", kSeqCapRead, 0}}},
        {129, "No ports listed", {{0, "private", kSeqCapRead | kSeqCapWrite, 0}}},
        {130, "Reader itself", {{0, "own", kIn | kOut, 0}}},
    };
    snapshot.subscriptions = {
        {{20, 0}, {128, 0}}, {{14, 0}, {14, 0}}, {{0, 1}, {128, 0}}, {{20, 1}, {128, 0}}};
    InstallMIDISetup(SetupFromSequencer(snapshot));

    using O = SequencerObject;
    ASSERT_EQ(MIDIGetNumberOfSources(), 2u);
    ASSERT_EQ(MIDIGetNumberOfDestinations(), 3u);
    const Endpoint through = describe(MIDIGetSource(0));
    EXPECT_EQ(through.name, "Midi Through Port-0");
    EXPECT_EQ(through.displayName, "Midi Through Port-0")
        << "the port's name already starts with the client's";
    EXPECT_EQ(through.uniqueID, id(O::kSource, 14));
    EXPECT_EQ(through.entity, id(O::kEntity, 14));
    EXPECT_EQ(through.embedded, 1);
    EXPECT_EQ(through.connections, std::vector<MIDIUniqueID>{id(O::kDestination, 14)});
    EXPECT_EQ(describe(MIDIGetDestination(0)).entity, through.entity) << "one port, one entity: a pair";

    const Endpoint jack = describe(MIDIGetSource(1));
    EXPECT_EQ(jack.embedded, 0) << "a connector for other equipment";
    EXPECT_EQ(jack.connections, std::vector<MIDIUniqueID>{id(O::kDestination, 128)});

    const Endpoint synth = describe(MIDIGetDestination(2));
    EXPECT_EQ(synth.name, "input");
    EXPECT_EQ(synth.displayName, "Synth input");
    EXPECT_EQ(synth.uniqueID, id(O::kDestination, 128));
    EXPECT_EQ(synth.connections, std::vector<MIDIUniqueID>{id(O::kSource, 20)})
        << "unlisted senders are left out";

    MIDIObjectRef device = nullptr;
    MIDIObjectType type = kMIDIObjectType_Other;
    ASSERT_EQ(MIDIObjectFindByUniqueID(id(O::kDevice, 20), &device, &type), noErr);
    EXPECT_EQ(type, kMIDIObjectType_Device);
    for (const int client : {0, 129, 130}) {
        EXPECT_EQ(MIDIObjectFindByUniqueID(id(O::kDevice, client), &device, &type), kMIDIObjectNotFound)
            << client;
    }
}

TEST_F(SequencerSetup, UniqueIDsDifferPerObjectClientAndPortAndAreNeverZero) {
    std::vector<MIDIUniqueID> seen;
    for (const auto object : {SequencerObject::kDevice, SequencerObject::kEntity, SequencerObject::kSource,
                              SequencerObject::kDestination}) {
        for (const int client : {0, 1, 255}) {
            for (const int port : {0, 1, 255}) {
                const MIDIUniqueID uniqueID = SequencerUniqueID(object, client, port);
                EXPECT_NE(uniqueID, 0);
                for (const MIDIUniqueID other : seen) {
                    ASSERT_NE(other, uniqueID);
                }
                seen.push_back(uniqueID);
            }
        }
    }
}
