// The CoreMIDI subset the MIDI catalogue calls: enumerating sources and destinations and reading object
// properties.
//
// The calls answer from the current MIDI setup (see MIDISetup.h): the one a program installed, or else the
// system's, read when first needed. A reference that does not belong to the current setup is refused with
// kMIDIObjectNotFound; it is never followed.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

typedef void* MIDIObjectRef;
typedef struct OpaqueMIDIDevice* MIDIDeviceRef;
typedef struct OpaqueMIDIEntity* MIDIEntityRef;
typedef struct OpaqueMIDIEndpoint* MIDIEndpointRef;

typedef SInt32 MIDIUniqueID;

typedef SInt32 MIDIObjectType;
enum : MIDIObjectType {
    kMIDIObjectType_Other = -1,
    kMIDIObjectType_Device = 0,
    kMIDIObjectType_Entity = 1,
    kMIDIObjectType_Source = 2,
    kMIDIObjectType_Destination = 3,
    kMIDIObjectType_ExternalMask = 0x10,
    kMIDIObjectType_ExternalDevice = 0x10,
    kMIDIObjectType_ExternalEntity = 0x11,
    kMIDIObjectType_ExternalSource = 0x12,
    kMIDIObjectType_ExternalDestination = 0x13,
};

enum : OSStatus {
    kMIDIUnknownProperty = -10835,
    kMIDIWrongPropertyType = -10836,
    kMIDIObjectNotFound = -10842,
};

// Property names. Integer: uniqueID, embedded. String: name, displayName. Data: connUniqueID, the unique
// IDs of the objects connected to a port, each stored most significant byte first.
extern const CFStringRef kMIDIPropertyName;
extern const CFStringRef kMIDIPropertyDisplayName;
extern const CFStringRef kMIDIPropertyUniqueID;
extern const CFStringRef kMIDIPropertyIsEmbeddedEntity;
extern const CFStringRef kMIDIPropertyConnectionUniqueID;

ItemCount MIDIGetNumberOfSources();
// Null for an index beyond the last source.
MIDIEndpointRef MIDIGetSource(ItemCount sourceIndex);
ItemCount MIDIGetNumberOfDestinations();
MIDIEndpointRef MIDIGetDestination(ItemCount destinationIndex);

// The entity an endpoint belongs to; kMIDIObjectNotFound, with *outEntity untouched, for an endpoint that
// has none.
OSStatus MIDIEndpointGetEntity(MIDIEndpointRef endpoint, MIDIEntityRef* outEntity);

// Each getter writes the property only on success; otherwise the variable keeps what it held.
OSStatus MIDIObjectGetIntegerProperty(MIDIObjectRef object, CFStringRef propertyID, SInt32* outValue);
// The caller owns the string it receives.
OSStatus MIDIObjectGetStringProperty(MIDIObjectRef object, CFStringRef propertyID, CFStringRef* outString);
// The caller owns the data it receives.
OSStatus MIDIObjectGetDataProperty(MIDIObjectRef object, CFStringRef propertyID, CFDataRef* outData);

// The first object, in the setup's order, whose unique ID is `uniqueID`, and its type; either out pointer
// may be null.
OSStatus MIDIObjectFindByUniqueID(MIDIUniqueID uniqueID, MIDIObjectRef* outObject,
                                  MIDIObjectType* outObjectType);

// Reads the system's MIDI setup afresh. References into the previous setup stop being valid.
OSStatus MIDIRestart();
