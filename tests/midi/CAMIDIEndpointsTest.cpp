// The catalogue over hand-built MIDI setups.
#include "CAMIDIEndpoints.h"

#include <CoreMIDI/MIDISetup.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using orke_coremidi::MIDISetup;
using Catalogue = CAMIDIEndpoints;
using ListPtr = std::unique_ptr<Catalogue::EndpointInfoList, Catalogue::EndpointInfoListDeleter>;

namespace {

std::string text(CFStringRef string) {
    return string != nullptr ? CFStringGetCStringPtr(string, kCFStringEncodingUTF8) : "<null>";
}

// A record as "name@uniqueID source>destination", the endpoints by their unique IDs, "-" for none.
std::string describe(const Catalogue::EndpointInfo& info) {
    const auto id = [](MIDIEndpointRef endpoint) {
        SInt32 id = 0;
        const bool known = MIDIObjectGetIntegerProperty(endpoint, kMIDIPropertyUniqueID, &id) == noErr;
        return known ? std::to_string(id) : "-";
    };
    return text(info.name) + "@" + std::to_string(info.uniqueID) + " " + id(info.sourceEndpoint) + ">" +
           id(info.destinationEndpoint);
}

class CatalogueTest : public ::testing::Test {
protected:
    void TearDown() override { orke_coremidi::UseSystemMIDISetup(); }

    // An entity of a fresh device.
    MIDIEntityRef entity(bool embedded, MIDIUniqueID uniqueID) {
        return setup.AddEntity(setup.AddDevice("device", uniqueID + 1000), "entity", uniqueID, embedded);
    }
    // Installs the setup, and a catalogue of it.
    void install() {
        orke_coremidi::InstallMIDISetup(std::move(setup));
        catalogue = std::make_unique<Catalogue>();
    }
    std::string list(Catalogue::EMode mode, UInt32 options) {
        const ListPtr records(catalogue->GetEndpoints(mode, options));
        std::string result;
        for (const Catalogue::EndpointInfo* info : *records) {
            result += (result.empty() ? "" : "; ") + describe(*info);
        }
        return result;
    }
    // What a record holding "before" and `port` both ways holds after the search, then its name's references.
    std::string find(Catalogue::EMode mode, SInt32 uniqueID, MIDIEndpointRef port) {
        Catalogue::EndpointInfo info;
        info.name = CFStringCreateWithCString(nullptr, "before", kCFStringEncodingUTF8);
        info.sourceEndpoint = info.destinationEndpoint = port;
        info.uniqueID = uniqueID;
        const std::string found = catalogue->FindEndpoint(mode, info, ~0u) ? "found " : "missed ";
        return found + describe(info) + ", " + std::to_string(CFGetRetainCount(info.name));
    }

    MIDISetup setup;
    std::unique_ptr<Catalogue> catalogue;
};

constexpr Catalogue::EMode kSources = Catalogue::kModeSources, kDestinations = Catalogue::kModeDestinations,
                           kPairs = Catalogue::kModePairs;
constexpr UInt32 kCombined = Catalogue::kListPortsCombined;

} // namespace

TEST_F(CatalogueTest, DevicesAreListedAloneOrUnderTheirPortAndFoundByEitherID) {
    MIDIEndpointRef two = setup.AddDestination(entity(false, 1), "Two devices", 10);
    setup.SetConnections(two, {20, 21});
    setup.SetConnections(setup.AddDestination(entity(false, 2), "One device", 11), {22});
    for (const auto& [name, uniqueID] : {std::pair{"P", 20}, {"Q", 21}, {"R", 22}}) {
        setup.AddObject(kMIDIObjectType_ExternalDestination, name, uniqueID);
    }
    install();
    EXPECT_EQ(list(kDestinations, 0), "P@20 ->10; Q@21 ->10; R@22 ->11");
    EXPECT_EQ(list(kDestinations, kCombined), "P, Q@10 ->10; R@11 ->11");
    // Q's name is shared with the catalogue's record, the joined one is new.
    EXPECT_EQ(find(kDestinations, 21, two), "found Q@21 ->10, 2");
    EXPECT_EQ(find(kDestinations, 10, two), "found P, Q@10 ->10, 1");
    EXPECT_EQ(find(kDestinations, 23, two), "missed before@23 ->-, 1");
    EXPECT_EQ(find(kSources, 20, two), "missed before@20 ->-, 1");
    EXPECT_EQ(find(kPairs, 20, two), "missed before@20 ->-, 1"); // found, but without a partner

    // An update reads the setup anew; an empty one lists nothing.
    orke_coremidi::InstallMIDISetup(MIDISetup());
    catalogue->UpdateFromCurrentState();
    for (const auto mode : {kSources, kDestinations, kPairs}) {
        EXPECT_EQ(list(mode, 7), "") << mode;
    }
    EXPECT_EQ(find(kDestinations, 20, nullptr), "missed before@20 ->-, 1");
}

TEST_F(CatalogueTest, PortsWithNothingConnectedAreListedByWhereTheyBelong) {
    setup.AddDestination(entity(true, 1), "Embedded", 30);
    setup.AddDestination(entity(false, 2), "Jack", 31);
    setup.AddDestination(nullptr, "No entity", 32);
    MIDIEntityRef unknown = entity(true, 3);
    setup.RemoveProperty(unknown, kMIDIPropertyIsEmbeddedEntity);
    setup.AddDestination(unknown, "Unreadable", 33);
    install();
    EXPECT_EQ(list(kDestinations, kCombined), "Embedded@30 ->30; No entity@32 ->32");
    EXPECT_EQ(list(kDestinations, Catalogue::kListUnconnectedPorts),
              "Embedded@30 ->30; Jack@31 ->31; No entity@32 ->32; Unreadable@33 ->33");
}

TEST_F(CatalogueTest, PairsJoinRecordsOfOneEntityAndOneKind) {
    MIDIEntityRef both = entity(true, 1);
    setup.AddSource(both, "In", 40);
    setup.AddDestination(both, "Out", 41);
    setup.AddDestination(entity(true, 2), "Alone", 42);
    setup.AddSource(nullptr, "Virtual in", 43);
    setup.AddDestination(nullptr, "Virtual out", 44);
    // Device records pair with device records, never with their ports.
    MIDIEntityRef wired = entity(false, 4);
    setup.SetConnections(setup.AddSource(wired, "Jack in", 50), {52});
    setup.SetConnections(setup.AddDestination(wired, "Jack out", 51), {53});
    setup.AddObject(kMIDIObjectType_ExternalSource, "Keys", 52);
    setup.AddObject(kMIDIObjectType_ExternalDestination, "Module", 53);
    install();
    EXPECT_EQ(list(kPairs, 0), "Out@41 40>41; Module@53 50>51");
    EXPECT_EQ(list(kPairs, kCombined), "Out@41 40>41; Module@51 50>51");
    EXPECT_EQ(list(kDestinations, 0), "Out@41 ->41; Alone@42 ->42; Virtual out@44 ->44; Module@53 ->51");
}

TEST_F(CatalogueTest, SortsByCharacterCode) {
    for (const auto& [name, uniqueID] :
         {std::pair{"alpha", 1}, {"Zeta", 2}, {"mid", 3}, {"Mid", 4}, {"Zeta", 2}}) {
        setup.AddSource(nullptr, name, uniqueID);
    }
    install();
    EXPECT_EQ(list(kSources, Catalogue::kListSorted),
              "Mid@4 4>-; Zeta@2 2>-; Zeta@2 2>-; alpha@1 1>-; mid@3 3>-");
    EXPECT_EQ(list(kSources, 0), "alpha@1 1>-; Zeta@2 2>-; mid@3 3>-; Mid@4 4>-; Zeta@2 2>-");
}

TEST_F(CatalogueTest, ConnectionDataIsReadWholeIDByWholeID) {
    MIDIEndpointRef nine = setup.AddSource(nullptr, "Nine bytes", 60);
    MIDIEndpointRef short3 = setup.AddSource(nullptr, "Three bytes", 61);
    MIDIEndpointRef mixed = setup.AddSource(nullptr, "Mixed", 62);
    setup.AddObject(kMIDIObjectType_ExternalSource, "P", 0x01020304);
    setup.AddObject(kMIDIObjectType_ExternalSource, "Q", -2);
    const UInt8 nineBytes[] = {1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFE, 0x01};
    setup.SetDataProperty(nine, kMIDIPropertyConnectionUniqueID, nineBytes, sizeof(nineBytes));
    setup.SetDataProperty(short3, kMIDIPropertyConnectionUniqueID, nineBytes, 3);
    // An external object without a display name, another object without a name, an ID nobody has.
    setup.RemoveProperty(setup.AddObject(kMIDIObjectType_ExternalDestination, "hidden", 70),
                         kMIDIPropertyDisplayName);
    setup.RemoveProperty(setup.AddObject(kMIDIObjectType_Device, "nameless", 71), kMIDIPropertyName);
    MIDIObjectRef named = setup.AddObject(kMIDIObjectType_Entity, "Name", 73);
    setup.SetStringProperty(named, kMIDIPropertyDisplayName, "Display name");
    setup.SetConnections(mixed, {70, 71, 72, 73});
    install();
    EXPECT_EQ(list(kSources, kCombined), "P, Q@60 60>-; Three bytes@61 61>-; , Name@62 62>-");
    EXPECT_EQ(list(kSources, 0), "P@16909060 60>-; Q@-2 60>-; Three bytes@61 61>-; @70 62>-; Name@73 62>-");
}

TEST_F(CatalogueTest, ReferenceCountsStayExact) {
    setup.SetConnections(setup.AddSource(nullptr, "Port", 90), {92});
    setup.AddSource(nullptr, "Plain", 91);
    setup.AddObject(kMIDIObjectType_ExternalSource, "P", 92);
    install();

    ListPtr list(catalogue->GetEndpoints(kSources, 0));
    ASSERT_EQ(list->size(), 2u);
    CFStringRef plain = (*list)[1]->name;
    CFRetain(plain); // ours, to count with
    EXPECT_EQ(CFGetRetainCount(plain), 3) << "the record, the list's copy and ours";
    {
        Catalogue::EndpointInfo copy(*(*list)[1]), assigned;
        assigned = copy;
        assigned = assigned;
        EXPECT_EQ(CFGetRetainCount(plain), 5);
        assigned = Catalogue::EndpointInfo();
        EXPECT_EQ(CFGetRetainCount(plain), 4);
        // Refilling a record from the catalogue releases what it held.
        EXPECT_TRUE(catalogue->FindEndpoint(kSources, copy, 0));
        EXPECT_TRUE(catalogue->FindEndpoint(kSources, copy, 0));
        EXPECT_EQ(CFGetRetainCount(plain), 4);
        copy.uniqueID = 90;
        EXPECT_TRUE(catalogue->FindEndpoint(kSources, copy, Catalogue::kListPortsCombined));
        EXPECT_EQ(text(copy.name), "P");
        EXPECT_EQ(CFGetRetainCount(copy.name), 1) << "joined names are new strings";
        EXPECT_EQ(CFGetRetainCount(plain), 3);
    }
    // Records handed out outlive the catalogue; disposing of the list releases them.
    catalogue.reset();
    EXPECT_EQ(CFGetRetainCount(plain), 2);
    EXPECT_EQ(text((*list)[1]->name), "Plain");
    list.reset();
    EXPECT_EQ(CFGetRetainCount(plain), 1);
    CFRelease(plain);

    Catalogue::EndpointInfo only; // an assignment to itself keeps the only reference
    only.name = CFStringCreateWithCString(nullptr, "only", kCFStringEncodingUTF8);
    only = *&only;
    EXPECT_EQ(text(only.name), "only");
}
