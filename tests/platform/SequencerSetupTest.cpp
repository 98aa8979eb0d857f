// From a hand-made sequencer snapshot to the MIDI setup the CoreMIDI calls report.
#include <CoreMIDI/SequencerSetup.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace orke_coremidi;

namespace {

struct Endpoint {
    std::string displayName;
    MIDIUniqueID uniqueID = 0, entity = 0;
    SInt32 embedded = -1;
    std::vector<MIDIUniqueID> connections;
};

Endpoint describe(MIDIEndpointRef endpoint) {
    Endpoint result;
    CFStringRef name = nullptr;
    MIDIObjectGetStringProperty(endpoint, kMIDIPropertyDisplayName, &name);
    result.displayName = CFStringGetCStringPtr(name, kCFStringEncodingUTF8);
    CFRelease(name);
    MIDIObjectGetIntegerProperty(endpoint, kMIDIPropertyUniqueID, &result.uniqueID);
    MIDIEntityRef entity = nullptr;
    MIDIEndpointGetEntity(endpoint, &entity);
    MIDIObjectGetIntegerProperty(entity, kMIDIPropertyUniqueID, &result.entity);
    MIDIObjectGetIntegerProperty(entity, kMIDIPropertyIsEmbeddedEntity, &result.embedded);
    CFDataRef data = nullptr;
    if (MIDIObjectGetDataProperty(endpoint, kMIDIPropertyConnectionUniqueID, &data) == noErr) {
        for (CFIndex i = 0; i + 4 <= CFDataGetLength(data); i += 4) {
            const UInt8* b = CFDataGetBytePtr(data) + i;
            result.connections.push_back(MIDIUniqueID(UInt32(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3]));
        }
        CFRelease(data);
    }
    return result;
}

constexpr unsigned kIn = kSeqCapRead | kSeqCapSubsRead, kOut = kSeqCapWrite | kSeqCapSubsWrite;
using O = SequencerObject;

} // namespace

TEST(SequencerSetup, ClientsBecomeDevicesAndPortsBecomeEndpoints) {
    SequencerSnapshot snapshot;
    snapshot.self = 130;
    snapshot.clients = {
        {0, "System", {{0, "Timer", kIn | kOut, 0}, {1, "Announce", kIn, 0}}},
        {14, "Midi Through", {{0, "Midi Through Port-0", kIn | kOut, 0}}},
        {20,
         "UM-ONE",
         {{0, "UM-ONE MIDI 1", kIn | kOut, kSeqTypePort}, {1, "hidden", kIn | kSeqCapNoExport, 0}}},
        {128, "Synth", {{0, "input", kOut, 0}, {1, "read only", kSeqCapRead, 0}}},
        {129, "Nothing listed", {{0, "private", kSeqCapRead | kSeqCapWrite, 0}}},
        {130, "The reader", {{0, "own", kIn | kOut, 0}}},
    };
    snapshot.subscriptions = {
        {{20, 0}, {128, 0}}, {{14, 0}, {14, 0}}, {{0, 1}, {128, 0}}, {{20, 1}, {128, 0}}};
    InstallMIDISetup(SetupFromSequencer(snapshot));

    ASSERT_EQ(MIDIGetNumberOfSources(), 2u);
    ASSERT_EQ(MIDIGetNumberOfDestinations(), 3u);
    const Endpoint through = describe(MIDIGetSource(0));
    EXPECT_EQ(through.displayName, "Midi Through Port-0")
        << "the port's name already starts with the client's";
    EXPECT_EQ(through.uniqueID, SequencerUniqueID(O::kSource, 14, 0));
    EXPECT_EQ(through.entity, SequencerUniqueID(O::kEntity, 14, 0));
    EXPECT_EQ(through.embedded, 1);
    EXPECT_EQ(through.connections, std::vector<MIDIUniqueID>{SequencerUniqueID(O::kDestination, 14, 0)});
    EXPECT_EQ(describe(MIDIGetDestination(0)).entity, through.entity) << "one port, one entity: a pair";

    const Endpoint jack = describe(MIDIGetSource(1));
    EXPECT_EQ(jack.embedded, 0) << "a connector for other equipment";
    EXPECT_EQ(jack.connections, std::vector<MIDIUniqueID>{SequencerUniqueID(O::kDestination, 128, 0)});

    const Endpoint synth = describe(MIDIGetDestination(2));
    EXPECT_EQ(synth.displayName, "Synth input");
    EXPECT_EQ(synth.uniqueID, SequencerUniqueID(O::kDestination, 128, 0));
    EXPECT_EQ(synth.connections, std::vector<MIDIUniqueID>{SequencerUniqueID(O::kSource, 20, 0)})
        << "senders that are not listed are left out";

    MIDIObjectType type = kMIDIObjectType_Other;
    EXPECT_EQ(MIDIObjectFindByUniqueID(SequencerUniqueID(O::kDevice, 20), nullptr, &type), noErr);
    EXPECT_EQ(type, kMIDIObjectType_Device);
    for (const int client : {0, 129, 130}) {
        EXPECT_EQ(MIDIObjectFindByUniqueID(SequencerUniqueID(O::kDevice, client), nullptr, nullptr),
                  kMIDIObjectNotFound)
            << client;
    }
    UseSystemMIDISetup();
}
