// The CoreMIDI calls over an installed MIDI setup: one built by hand, one made from a hand-made sequencer
// snapshot, and the system's setup on a machine without a sequencer.
#include <CoreMIDI/SequencerSetup.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

using namespace orke_coremidi;

namespace {

// Display name, unique ID, the entity's unique ID and embedded flag, the unique IDs it is connected to.
using Endpoint = std::tuple<std::string, MIDIUniqueID, MIDIUniqueID, SInt32, std::vector<MIDIUniqueID>>;

Endpoint describe(MIDIEndpointRef endpoint) {
    CFStringRef name = nullptr;
    MIDIObjectGetStringProperty(endpoint, kMIDIPropertyDisplayName, &name);
    Endpoint result{CFStringGetCStringPtr(name, kCFStringEncodingUTF8), 0, 0, -1, {}};
    CFRelease(name);
    MIDIObjectGetIntegerProperty(endpoint, kMIDIPropertyUniqueID, &std::get<1>(result));
    MIDIEntityRef entity = nullptr;
    MIDIEndpointGetEntity(endpoint, &entity);
    MIDIObjectGetIntegerProperty(entity, kMIDIPropertyUniqueID, &std::get<2>(result));
    MIDIObjectGetIntegerProperty(entity, kMIDIPropertyIsEmbeddedEntity, &std::get<3>(result));
    CFDataRef data = nullptr;
    if (MIDIObjectGetDataProperty(endpoint, kMIDIPropertyConnectionUniqueID, &data) == noErr) {
        for (CFIndex i = 0; i + 4 <= CFDataGetLength(data); i += 4) {
            const UInt8* b = CFDataGetBytePtr(data) + i;
            std::get<4>(result).push_back(MIDIUniqueID(UInt32(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3]));
        }
        CFRelease(data);
    }
    return result;
}

// Every endpoint the CoreMIDI calls report, sources first.
std::vector<Endpoint> endpoints() {
    std::vector<Endpoint> endpoints;
    const ItemCount sources = MIDIGetNumberOfSources();
    for (ItemCount i = 0; i < sources + MIDIGetNumberOfDestinations(); ++i) {
        endpoints.push_back(describe(i < sources ? MIDIGetSource(i) : MIDIGetDestination(i - sources)));
    }
    return endpoints;
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

    const auto id = [](O object, int client) {
        return SequencerUniqueID(object, client);
    };
    // Sources, then destinations. A port's name that already starts with the client's stays; a connector for
    // other equipment is not embedded; senders that are not listed are left out; one port is one entity.
    EXPECT_EQ(
        endpoints(),
        (std::vector<Endpoint>{
            {"Midi Through Port-0", id(O::kSource, 14), id(O::kEntity, 14), 1, {id(O::kDestination, 14)}},
            {"UM-ONE MIDI 1", id(O::kSource, 20), id(O::kEntity, 20), 0, {id(O::kDestination, 128)}},
            {"Midi Through Port-0", id(O::kDestination, 14), id(O::kEntity, 14), 1, {id(O::kSource, 14)}},
            {"UM-ONE MIDI 1", id(O::kDestination, 20), id(O::kEntity, 20), 0, {}},
            {"Synth input", id(O::kDestination, 128), id(O::kEntity, 128), 1, {id(O::kSource, 20)}},
        }));
    MIDIObjectType type = kMIDIObjectType_Other;
    EXPECT_EQ(MIDIObjectFindByUniqueID(id(O::kDevice, 20), nullptr, &type), noErr);
    EXPECT_EQ(type, kMIDIObjectType_Device);
    for (const int client : {0, 129, 130}) {
        EXPECT_EQ(MIDIObjectFindByUniqueID(id(O::kDevice, client), nullptr, nullptr), kMIDIObjectNotFound)
            << client;
    }
    UseSystemMIDISetup();
}

TEST(MIDIServices, AnswerFromTheInstalledSetupOnlyAndLeaveOutputsAloneOnFailure) {
    MIDISetup setup;
    MIDIEndpointRef in =
        setup.AddSource(setup.AddEntity(setup.AddDevice("Box", 1), "Port", 2, true), "In", 3);
    MIDIEndpointRef loose = setup.AddDestination(nullptr, "Loose", 4);
    InstallMIDISetup(std::move(setup));
    EXPECT_TRUE(HaveMIDISystem());
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

    InstallMIDISetup(MIDISetup());
    EXPECT_EQ(MIDIObjectGetIntegerProperty(in, kMIDIPropertyUniqueID, &value), kMIDIObjectNotFound)
        << "a reference into a replaced setup is never followed";
    UseSystemMIDISetup();
}

TEST(MIDIServices, TheSystemSetupIsEmptyWithoutASequencer) {
    if (access("/dev/snd/seq", F_OK) == 0) {
        GTEST_SKIP() << "this machine runs a sequencer";
    }
    UseSystemMIDISetup();
    EXPECT_FALSE(HaveMIDISystem());
    EXPECT_EQ(MIDIGetNumberOfSources() + MIDIGetNumberOfDestinations(), 0u);
}
