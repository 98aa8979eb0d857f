// Building the catalogue from CoreMIDI and handing out its records.
#include "CAMIDIEndpoints.h"

#include <algorithm>

namespace {

// The unique IDs in a port's connection data: 32-bit, most significant byte first; bytes after the last
// whole ID are ignored.
std::vector<MIDIUniqueID> connectedIDs(CFDataRef data) {
    std::vector<MIDIUniqueID> ids;
    const UInt8* bytes = CFDataGetBytePtr(data);
    const CFIndex count = CFDataGetLength(data) / 4;
    for (CFIndex i = 0; i < count && bytes != nullptr; ++i, bytes += 4) {
        const UInt32 id =
            (UInt32(bytes[0]) << 24) | (UInt32(bytes[1]) << 16) | (UInt32(bytes[2]) << 8) | bytes[3];
        ids.push_back(static_cast<MIDIUniqueID>(id));
    }
    return ids;
}

} // namespace

// ---- EndpointInfo -----------------------------------------------------------------------------------------

CAMIDIEndpoints::EndpointInfo::EndpointInfo(const EndpointInfo& other) {
    *this = other;
}

CAMIDIEndpoints::EndpointInfo& CAMIDIEndpoints::EndpointInfo::operator=(const EndpointInfo& other) {
    // Retain before release: the two names may be one string whose last reference is ours.
    CFStringRef previous = name;
    sourceEndpoint = other.sourceEndpoint;
    destinationEndpoint = other.destinationEndpoint;
    name = other.name != nullptr ? static_cast<CFStringRef>(CFRetain(other.name)) : nullptr;
    uniqueID = other.uniqueID;
    if (previous != nullptr) {
        CFRelease(previous);
    }
    return *this;
}

CAMIDIEndpoints::EndpointInfo::~EndpointInfo() {
    if (name != nullptr) {
        CFRelease(name);
    }
}

// ---- Endpoint ---------------------------------------------------------------------------------------------

CAMIDIEndpoints::Endpoint::Endpoint(MIDIEndpointRef endpointRef, CFStringRef nameRef, MIDIObjectRef connected)
    : uniqueID(0)
    , endpoint(endpointRef)
    , name(nameRef)
    , entity(nullptr)
    , isEmbedded(false)
    , connectedObject(connected)
    , next(nullptr)
    , partner(nullptr) {
    MIDIObjectGetIntegerProperty(connectedObject != nullptr ? connectedObject : endpoint,
                                 kMIDIPropertyUniqueID, &uniqueID);
    MIDIEndpointGetEntity(endpoint, &entity);
    if (entity == nullptr) {
        isEmbedded = true;
    } else {
        SInt32 embedded = 0;
        MIDIObjectGetIntegerProperty(entity, kMIDIPropertyIsEmbeddedEntity, &embedded);
        isEmbedded = embedded != 0;
    }
}

CAMIDIEndpoints::Endpoint::~Endpoint() {
    if (name != nullptr) {
        CFRelease(name);
    }
}

bool CAMIDIEndpoints::Endpoint::GetEndpointInfo(EMode mode, EndpointInfo& info) {
    if (mode == kModePairs && partner == nullptr) {
        return false;
    }
    switch (mode) {
    case kModeSources:
        info.sourceEndpoint = endpoint;
        info.destinationEndpoint = nullptr;
        break;
    case kModePairs:
        info.sourceEndpoint = partner->endpoint;
        info.destinationEndpoint = endpoint;
        break;
    default:
        info.sourceEndpoint = nullptr;
        info.destinationEndpoint = endpoint;
        break;
    }
    info.uniqueID = uniqueID;

    CFStringRef newName;
    if (connectedObject == nullptr && next != nullptr) {
        CFMutableStringRef joined = CFStringCreateMutable(nullptr, 0);
        for (const Endpoint* device = next; device != nullptr; device = device->next) {
            if (device != next) {
                CFStringAppend(joined, CFSTR(", "));
            }
            CFStringAppend(joined, device->name);
        }
        newName = joined;
    } else {
        newName = name != nullptr ? static_cast<CFStringRef>(CFRetain(name)) : nullptr;
    }
    // Released after the new name is held, so refilling a record with its own name keeps the string alive.
    if (info.name != nullptr) {
        CFRelease(info.name);
    }
    info.name = newName;
    return true;
}

// ---- CompareEndpointsByName -------------------------------------------------------------------------------

bool CAMIDIEndpoints::CompareEndpointsByName::operator()(const EndpointInfo* a, const EndpointInfo* b) const {
    return CFStringCompareWithOptions(a->name, b->name, CFRangeMake(0, CFStringGetLength(a->name)), 0) ==
           kCFCompareLessThan;
}

// ---- the catalogue ----------------------------------------------------------------------------------------

CAMIDIEndpoints::CAMIDIEndpoints() {
    UpdateFromCurrentState();
}

CAMIDIEndpoints::~CAMIDIEndpoints() {
    Clear();
}

void CAMIDIEndpoints::Clear() {
    for (Endpoint* endpoint : sources) {
        delete endpoint;
    }
    sources.clear();
    for (Endpoint* endpoint : destinations) {
        delete endpoint;
    }
    destinations.clear();
}

void CAMIDIEndpoints::AddEndpoints(MIDIEndpointRef endpoint, EndpointList& list) {
    CFStringRef portName = CFSTR("");
    MIDIObjectGetStringProperty(endpoint, kMIDIPropertyDisplayName, &portName);
    Endpoint* last = new Endpoint(endpoint, portName, nullptr);
    list.push_back(last);

    CFDataRef connections = nullptr;
    MIDIObjectGetDataProperty(endpoint, kMIDIPropertyConnectionUniqueID, &connections);
    if (connections == nullptr) {
        return;
    }
    const std::vector<MIDIUniqueID> ids = connectedIDs(connections);
    CFRelease(connections); // ours: the getter hands over its reference
    for (const MIDIUniqueID id : ids) {
        MIDIObjectRef connected = nullptr;
        MIDIObjectType type = kMIDIObjectType_Other;
        if (MIDIObjectFindByUniqueID(id, &connected, &type) != noErr) {
            continue;
        }
        CFStringRef deviceName;
        if (type == kMIDIObjectType_ExternalSource || type == kMIDIObjectType_ExternalDestination) {
            deviceName = CFSTR("");
            MIDIObjectGetStringProperty(connected, kMIDIPropertyDisplayName, &deviceName);
        } else {
            deviceName = nullptr;
            MIDIObjectGetStringProperty(connected, kMIDIPropertyName, &deviceName);
            if (deviceName == nullptr) {
                continue;
            }
        }
        Endpoint* device = new Endpoint(endpoint, deviceName, connected);
        list.push_back(device);
        last->next = device;
        last = device;
    }
}

void CAMIDIEndpoints::UpdateFromCurrentState() {
    Clear();
    const ItemCount sourceCount = MIDIGetNumberOfSources();
    for (ItemCount i = 0; i < sourceCount; ++i) {
        if (MIDIEndpointRef source = MIDIGetSource(i); source != nullptr) {
            AddEndpoints(source, sources);
        }
    }
    const ItemCount destinationCount = MIDIGetNumberOfDestinations();
    for (ItemCount i = 0; i < destinationCount; ++i) {
        if (MIDIEndpointRef destination = MIDIGetDestination(i); destination != nullptr) {
            AddEndpoints(destination, destinations);
        }
    }

    // Later matches win: a destination ends with the last matching source, and the reverse.
    for (Endpoint* destination : destinations) {
        if (destination->entity == nullptr) {
            continue;
        }
        for (Endpoint* source : sources) {
            if (source->entity == destination->entity &&
                (source->connectedObject == nullptr) == (destination->connectedObject == nullptr)) {
                source->partner = destination;
                destination->partner = source;
            }
        }
    }
}

CAMIDIEndpoints::EndpointInfoList* CAMIDIEndpoints::GetEndpoints(EMode mode, UInt32 options) {
    const EndpointList& list = mode == kModeSources ? sources : destinations;
    auto* result = new EndpointInfoList;
    for (Endpoint* endpoint : list) {
        bool listed;
        if (endpoint->connectedObject != nullptr) {
            listed = (options & kListPortsCombined) == 0;
        } else if (endpoint->next != nullptr) {
            listed = (options & kListPortsCombined) != 0;
        } else {
            listed = (options & kListUnconnectedPorts) != 0 || endpoint->isEmbedded;
        }
        EndpointInfo info;
        if (listed && endpoint->GetEndpointInfo(mode, info)) {
            result->push_back(new EndpointInfo(info));
        }
    }
    if ((options & kListSorted) != 0) {
        std::sort(result->begin(), result->end(), CompareEndpointsByName());
    }
    return result;
}

bool CAMIDIEndpoints::FindEndpoint(EMode mode, EndpointInfo& info, UInt32) {
    const EndpointList& list = mode == kModeSources ? sources : destinations;
    const auto found = std::find_if(list.begin(), list.end(), [&](const Endpoint* endpoint) {
        return endpoint->uniqueID == info.uniqueID;
    });
    if (found != list.end() && (*found)->GetEndpointInfo(mode, info)) {
        return true;
    }
    info.sourceEndpoint = nullptr;
    info.destinationEndpoint = nullptr;
    return false;
}

void CAMIDIEndpoints::DisposeEndpointInfoList(EndpointInfoList* list) {
    if (list == nullptr) {
        return;
    }
    for (EndpointInfo* info : *list) {
        delete info;
    }
    delete list;
}
