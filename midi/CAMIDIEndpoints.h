// A catalogue of the system's MIDI sources and destinations, with names fit to show a user.
//
// A port (a system source or destination) is catalogued under its display name. Each object the MIDI setup
// records as connected to a port, and that can be found by its unique ID, gets a record of its own (a device
// record) under its name, reached through that port. Sources and destinations of one entity are paired.
//
// The catalogue describes the setup as it was at construction or at the last UpdateFromCurrentState. It
// takes no lock: a caller sharing one between threads serialises its calls.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreMIDI/CoreMIDI.h>

#include <vector>

class CAMIDIEndpoints {
public:
    // Which list is read, and which endpoint fields an EndpointInfo gets.
    enum EMode {
        kModeSources = 0,      // sources: sourceEndpoint set
        kModeDestinations = 1, // destinations: destinationEndpoint set
        kModePairs = 2,        // destinations with a partner: both set
    };

    // Option bits of GetEndpoints.
    enum : UInt32 {
        kListSorted = 1,           // by name, with CompareEndpointsByName
        kListUnconnectedPorts = 2, // also ports without devices that are not embedded
        kListPortsCombined = 4, // a port with devices once, under their joined names, instead of its devices
    };

    // What callers receive. The record owns one reference to its name; copies and assignments keep every
    // count exact, also when a record is assigned to itself.
    struct EndpointInfo {
        EndpointInfo() = default;
        EndpointInfo(const EndpointInfo& other);
        EndpointInfo& operator=(const EndpointInfo& other);
        ~EndpointInfo();

        MIDIEndpointRef sourceEndpoint = nullptr;
        MIDIEndpointRef destinationEndpoint = nullptr;
        CFStringRef name = nullptr;
        SInt32 uniqueID = 0; // the search key of FindEndpoint
    };

    // The caller owns the list and every record in it; DisposeEndpointInfoList frees them all.
    typedef std::vector<EndpointInfo*> EndpointInfoList;

    // One record per port or per connected device. Records live until the next update or Clear.
    class Endpoint {
    public:
        // Takes over the caller's reference to `name`. `connectedObject` is null for a port record.
        Endpoint(MIDIEndpointRef endpoint, CFStringRef name, MIDIObjectRef connectedObject);
        ~Endpoint();
        Endpoint(const Endpoint&) = delete;
        Endpoint& operator=(const Endpoint&) = delete;

        // Fills `info` for `mode`; false, with `info` untouched, in kModePairs without a partner. A port
        // with devices hands out its devices' names joined by ", ".
        bool GetEndpointInfo(EMode mode, EndpointInfo& info);

        SInt32 uniqueID;          // of connectedObject if any, else of endpoint; 0 when unreadable
        MIDIEndpointRef endpoint; // the port; a device record carries the port it is reached through
        CFStringRef name;         // owned
        MIDIEntityRef entity;     // of endpoint; null when it has none
        bool isEmbedded;          // no entity, or the entity says it is embedded
        MIDIObjectRef connectedObject;
        Endpoint* next;    // the port's next device record, not owned
        Endpoint* partner; // the paired record of the other direction, not owned
    };

    typedef std::vector<Endpoint*> EndpointList;

    // Sorts by name: case-sensitive, by character code, independent of any locale.
    struct CompareEndpointsByName {
        bool operator()(const EndpointInfo* a, const EndpointInfo* b) const;
    };

    // Reads the current MIDI setup.
    CAMIDIEndpoints();
    virtual ~CAMIDIEndpoints();
    CAMIDIEndpoints(const CAMIDIEndpoints&) = delete;
    CAMIDIEndpoints& operator=(const CAMIDIEndpoints&) = delete;

    // Destroys every record and reads the setup anew.
    void UpdateFromCurrentState();
    // A new list (never null, possibly empty) of the records `mode` and `options` select.
    EndpointInfoList* GetEndpoints(EMode mode, UInt32 options);
    // Looks up info.uniqueID in the list `mode` selects; the first record with that ID fills `info`. On a
    // miss both endpoint fields are nulled and the name and ID stay. `options` is not used.
    bool FindEndpoint(EMode mode, EndpointInfo& info, UInt32 options);
    void Clear();

    // Appends the port record for `endpoint` and the device records of its connected objects to `list`.
    void AddEndpoints(MIDIEndpointRef endpoint, EndpointList& list);

    // Frees every record of `list` (releasing its name) and the list itself; null is allowed.
    static void DisposeEndpointInfoList(EndpointInfoList* list);
    struct EndpointInfoListDeleter {
        void operator()(EndpointInfoList* list) const { DisposeEndpointInfoList(list); }
    };

protected:
    EndpointList sources;
    EndpointList destinations;
};
