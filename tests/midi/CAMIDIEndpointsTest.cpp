// The catalogue over hand-built MIDI setups.
#include "CAMIDIEndpoints.h"

#include <CoreMIDI/MIDISetup.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

using orke_coremidi::MIDISetup;
using Catalogue = CAMIDIEndpoints;

namespace {

std::string text(CFStringRef string) {
    return string != nullptr ? std::string(CFStringGetCStringPtr(string, kCFStringEncodingUTF8)) : "<null>";
}

// name, unique ID, source endpoint, destination endpoint
using Row = std::tuple<std::string, SInt32, MIDIEndpointRef, MIDIEndpointRef>;

using ListPtr = std::unique_ptr<Catalogue::EndpointInfoList, Catalogue::EndpointInfoListDeleter>;

std::vector<Row> rows(Catalogue& catalogue, Catalogue::EMode mode, UInt32 options) {
    const ListPtr list(catalogue.GetEndpoints(mode, options));
    std::vector<Row> result;
    for (const Catalogue::EndpointInfo* info : *list) {
        result.emplace_back(text(info->name), info->uniqueID, info->sourceEndpoint,
                            info->destinationEndpoint);
    }
    return result;
}

std::vector<std::string> names(Catalogue& catalogue, Catalogue::EMode mode, UInt32 options) {
    std::vector<std::string> result;
    for (const Row& row : rows(catalogue, mode, options)) {
        result.push_back(std::get<0>(row));
    }
    return result;
}

class CatalogueTest : public ::testing::Test {
protected:
    void TearDown() override { orke_coremidi::UseSystemMIDISetup(); }

    // An entity of a fresh device.
    MIDIEntityRef entity(bool embedded, MIDIUniqueID uniqueID) {
        return setup.AddEntity(setup.AddDevice("device", uniqueID + 1000), "entity", uniqueID, embedded);
    }
    void install() { orke_coremidi::InstallMIDISetup(std::move(setup)); }

    MIDISetup setup;
};

} // namespace

TEST_F(CatalogueTest, AnUpdateReadsTheSetupAnewAndAnEmptyOneListsNothing) {
    setup.AddSource(nullptr, "Before", 1);
    install();
    Catalogue catalogue;
    install(); // an empty setup
    catalogue.UpdateFromCurrentState();
    for (const auto mode : {Catalogue::kModeSources, Catalogue::kModeDestinations, Catalogue::kModePairs}) {
        EXPECT_TRUE(rows(catalogue, mode, 7).empty()) << mode;
    }
    Catalogue::EndpointInfo info;
    info.uniqueID = 1;
    EXPECT_FALSE(catalogue.FindEndpoint(Catalogue::kModeSources, info, 0));
}

TEST_F(CatalogueTest, ConnectedDevicesAreListedAloneOrUnderTheirPort) {
    MIDIEndpointRef two = setup.AddSource(entity(false, 1), "Two devices", 10);
    MIDIEndpointRef one = setup.AddSource(entity(false, 2), "One device", 11);
    setup.AddObject(kMIDIObjectType_ExternalSource, "P", 20);
    setup.AddObject(kMIDIObjectType_ExternalSource, "Q", 21);
    setup.AddObject(kMIDIObjectType_ExternalSource, "R", 22);
    setup.SetConnections(two, {20, 21});
    setup.SetConnections(one, {22});
    install();
    Catalogue catalogue;

    EXPECT_EQ(rows(catalogue, Catalogue::kModeSources, 0),
              (std::vector<Row>{{"P", 20, two, nullptr}, {"Q", 21, two, nullptr}, {"R", 22, one, nullptr}}));
    EXPECT_EQ(rows(catalogue, Catalogue::kModeSources, Catalogue::kListPortsCombined),
              (std::vector<Row>{{"P, Q", 10, two, nullptr}, {"R", 11, one, nullptr}}));
}

TEST_F(CatalogueTest, PortsWithNothingConnectedAreListedByWhereTheyBelong) {
    setup.AddDestination(entity(true, 1), "Embedded", 30);
    setup.AddDestination(entity(false, 2), "Jack", 31);
    setup.AddDestination(nullptr, "No entity", 32);
    MIDIEntityRef unknown = entity(true, 3);
    setup.RemoveProperty(unknown, kMIDIPropertyIsEmbeddedEntity);
    setup.AddDestination(unknown, "Unreadable", 33);
    install();
    Catalogue catalogue;

    const std::vector<std::string> always{"Embedded", "No entity"};
    EXPECT_EQ(names(catalogue, Catalogue::kModeDestinations, Catalogue::kListPortsCombined), always);
    EXPECT_EQ(names(catalogue, Catalogue::kModeDestinations, Catalogue::kListUnconnectedPorts),
              (std::vector<std::string>{"Embedded", "Jack", "No entity", "Unreadable"}));
}

TEST_F(CatalogueTest, PairsJoinRecordsOfOneEntityAndOneKind) {
    MIDIEntityRef both = entity(true, 1);
    MIDIEndpointRef in = setup.AddSource(both, "In", 40);
    MIDIEndpointRef out = setup.AddDestination(both, "Out", 41);
    setup.AddDestination(entity(true, 2), "Alone", 42);
    setup.AddSource(nullptr, "Virtual in", 43);
    setup.AddDestination(nullptr, "Virtual out", 44);
    MIDIEntityRef two = entity(true, 3);
    setup.AddSource(two, "First", 45);
    MIDIEndpointRef second = setup.AddSource(two, "Second", 46);
    MIDIEndpointRef three = setup.AddDestination(two, "Three", 47);
    // Device records pair with device records, never with their ports.
    MIDIEntityRef wired = entity(false, 4);
    MIDIEndpointRef jackIn = setup.AddSource(wired, "Jack in", 50);
    MIDIEndpointRef jackOut = setup.AddDestination(wired, "Jack out", 51);
    setup.AddObject(kMIDIObjectType_ExternalSource, "Keys", 52);
    setup.AddObject(kMIDIObjectType_ExternalDestination, "Module", 53);
    setup.SetConnections(jackIn, {52});
    setup.SetConnections(jackOut, {53});
    install();
    Catalogue catalogue;

    EXPECT_EQ(rows(catalogue, Catalogue::kModePairs, 0),
              (std::vector<Row>{
                  {"Out", 41, in, out}, {"Three", 47, second, three}, {"Module", 53, jackIn, jackOut}}));
    EXPECT_EQ(rows(catalogue, Catalogue::kModePairs, Catalogue::kListPortsCombined).back(),
              (Row{"Module", 51, jackIn, jackOut}));
    EXPECT_EQ(rows(catalogue, Catalogue::kModeDestinations, 0).front(), (Row{"Out", 41, nullptr, out}));
}

TEST_F(CatalogueTest, SortsByCharacterCode) {
    for (const char* name : {"alpha", "Zeta", "mid", "Mid", "Zeta"}) {
        setup.AddSource(nullptr, name, 1);
    }
    install();
    Catalogue catalogue;
    EXPECT_EQ(names(catalogue, Catalogue::kModeSources, Catalogue::kListSorted),
              (std::vector<std::string>{"Mid", "Zeta", "Zeta", "alpha", "mid"}));
    EXPECT_EQ(names(catalogue, Catalogue::kModeSources, 0),
              (std::vector<std::string>{"alpha", "Zeta", "mid", "Mid", "Zeta"}));
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

    MIDIObjectRef noDisplayName = setup.AddObject(kMIDIObjectType_ExternalDestination, "hidden", 70);
    setup.RemoveProperty(noDisplayName, kMIDIPropertyDisplayName);
    MIDIObjectRef noName = setup.AddObject(kMIDIObjectType_Device, "nameless", 71);
    setup.RemoveProperty(noName, kMIDIPropertyName);
    MIDIObjectRef named = setup.AddObject(kMIDIObjectType_Entity, "Name", 73);
    setup.SetStringProperty(named, kMIDIPropertyDisplayName, "Display name");
    setup.SetConnections(mixed, {70, 71, 72, 73});
    install();
    Catalogue catalogue;

    EXPECT_EQ(names(catalogue, Catalogue::kModeSources, Catalogue::kListPortsCombined),
              (std::vector<std::string>{"P, Q", "Three bytes", ", Name"}));
    EXPECT_EQ(rows(catalogue, Catalogue::kModeSources, 0),
              (std::vector<Row>{{"P", 0x01020304, nine, nullptr},
                                {"Q", -2, nine, nullptr},
                                {"Three bytes", 61, short3, nullptr},
                                {"", 70, mixed, nullptr},
                                {"Name", 73, mixed, nullptr}}));
}

TEST_F(CatalogueTest, FindEndpointLooksUpDevicesAndPorts) {
    MIDIEndpointRef port = setup.AddDestination(nullptr, "Port", 80);
    setup.AddObject(kMIDIObjectType_ExternalDestination, "P", 81);
    setup.AddObject(kMIDIObjectType_ExternalDestination, "Q", 82);
    setup.SetConnections(port, {81, 82});
    install();
    Catalogue catalogue;

    struct Case {
        Catalogue::EMode mode;
        SInt32 uniqueID;
        bool found;
        std::string name;
        CFIndex references; // of the name the record ends with
    };
    const Case cases[] = {
        {Catalogue::kModeDestinations, 82, true, "Q", 2}, // shared with the catalogue's record
        {Catalogue::kModeDestinations, 80, true, "P, Q", 1},
        {Catalogue::kModeDestinations, 83, false, "before", 1},
        {Catalogue::kModeSources, 81, false, "before", 1},
        {Catalogue::kModePairs, 81, false, "before", 1}, // found, but without a partner
    };
    for (const Case& c : cases) {
        Catalogue::EndpointInfo info;
        info.name = CFStringCreateWithCString(nullptr, "before", kCFStringEncodingUTF8);
        info.sourceEndpoint = info.destinationEndpoint = port;
        info.uniqueID = c.uniqueID;
        EXPECT_EQ(catalogue.FindEndpoint(c.mode, info, ~0u), c.found) << c.uniqueID;
        EXPECT_EQ(text(info.name), c.name) << c.uniqueID;
        EXPECT_EQ(info.uniqueID, c.uniqueID);
        EXPECT_EQ(info.destinationEndpoint, c.found ? port : nullptr);
        EXPECT_EQ(info.sourceEndpoint, nullptr);
        EXPECT_EQ(CFGetRetainCount(info.name), c.references) << c.uniqueID;
    }
}

TEST_F(CatalogueTest, ReferenceCountsStayExact) {
    MIDIEndpointRef port = setup.AddSource(nullptr, "Port", 90);
    setup.AddSource(nullptr, "Plain", 91);
    setup.AddObject(kMIDIObjectType_ExternalSource, "P", 92);
    setup.SetConnections(port, {92});
    install();
    auto catalogue = std::make_unique<Catalogue>();

    ListPtr list(catalogue->GetEndpoints(Catalogue::kModeSources, 0));
    ASSERT_EQ(list->size(), 2u);
    CFStringRef plain = (*list)[1]->name;
    CFRetain(plain); // ours, to count with
    EXPECT_EQ(CFGetRetainCount(plain), 3) << "the record, the list's copy and ours";

    {
        Catalogue::EndpointInfo copy(*(*list)[1]);
        Catalogue::EndpointInfo assigned;
        assigned = copy;
        assigned = assigned;
        EXPECT_EQ(CFGetRetainCount(plain), 5);
        assigned = Catalogue::EndpointInfo();
        EXPECT_EQ(CFGetRetainCount(plain), 4);
        // Refilling a record from the catalogue releases what it held.
        EXPECT_TRUE(catalogue->FindEndpoint(Catalogue::kModeSources, copy, 0));
        EXPECT_TRUE(catalogue->FindEndpoint(Catalogue::kModeSources, copy, 0));
        EXPECT_EQ(CFGetRetainCount(plain), 4);
        copy.uniqueID = 90;
        EXPECT_TRUE(catalogue->FindEndpoint(Catalogue::kModeSources, copy, Catalogue::kListPortsCombined));
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
    Catalogue::EndpointInfo& same = only;
    only = same;
    EXPECT_EQ(text(only.name), "only");
}
