// An in-process MIDI setup: the devices, entities, endpoints and other objects the CoreMIDI calls answer
// about, with their properties. Tests build one by hand; on Linux the system's is read from the ALSA
// sequencer.
#pragma once

#include "CoreMIDI.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace orke_coremidi {

class MIDISetup {
public:
    MIDISetup();
    ~MIDISetup();
    MIDISetup(MIDISetup&& other); // leaves `other` empty
    MIDISetup& operator=(MIDISetup&& other) noexcept;
    MIDISetup(const MIDISetup&) = delete;
    MIDISetup& operator=(const MIDISetup&) = delete;

    // Each Add gives the new object a name and display name (none when `name` is null) and a unique ID.
    MIDIDeviceRef AddDevice(const char* name, MIDIUniqueID uniqueID);
    MIDIEntityRef AddEntity(MIDIDeviceRef device, const char* name, MIDIUniqueID uniqueID, bool embedded);
    // A source or destination of `entity` (null: one that belongs to no entity). MIDIGetSource and
    // MIDIGetDestination list them in the order they were added.
    MIDIEndpointRef AddSource(MIDIEntityRef entity, const char* name, MIDIUniqueID uniqueID);
    MIDIEndpointRef AddDestination(MIDIEntityRef entity, const char* name, MIDIUniqueID uniqueID);
    // An object of any other type (external equipment, for instance): listed nowhere, found by unique ID.
    MIDIObjectRef AddObject(MIDIObjectType type, const char* name, MIDIUniqueID uniqueID);

    // Setting a property replaces any value it had, whatever its kind. `object` must belong to this setup.
    void SetIntegerProperty(MIDIObjectRef object, CFStringRef property, SInt32 value);
    void SetStringProperty(MIDIObjectRef object, CFStringRef property, const char* text);
    void SetDataProperty(MIDIObjectRef object, CFStringRef property, const void* bytes, size_t length);
    // The connection data of a port: the unique IDs, each stored most significant byte first.
    void SetConnections(MIDIObjectRef object, const std::vector<MIDIUniqueID>& uniqueIDs);
    void RemoveProperty(MIDIObjectRef object, CFStringRef property);

private:
    friend class CurrentMIDISetup;

    struct Contents;
    std::unique_ptr<Contents> m_contents;
};

// Makes `setup` the one every CoreMIDI call answers from, in place of the system's. References into the
// setup it replaces stop being valid.
void InstallMIDISetup(MIDISetup setup);
// Goes back to the system's setup, read afresh when next needed.
void UseSystemMIDISetup();
// Whether the current setup describes a MIDI system: always for an installed setup; for the system's, only
// when there is a sequencer to read it from.
bool HaveMIDISystem();

} // namespace orke_coremidi
