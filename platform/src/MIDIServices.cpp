// The MIDI setup model and the CoreMIDI calls that answer from the current setup.
#include <CoreMIDI/MIDISetup.h>
#include <CoreMIDI/SequencerSetup.h>

#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

namespace {

constexpr __CFString kName{orke_cf::kConstantString, "name", 4};
constexpr __CFString kDisplayName{orke_cf::kConstantString, "displayName", 11};
constexpr __CFString kUniqueID{orke_cf::kConstantString, "uniqueID", 8};
constexpr __CFString kEmbedded{orke_cf::kConstantString, "embedded", 8};
constexpr __CFString kConnectionUniqueID{orke_cf::kConstantString, "connUniqueID", 12};

struct Property {
    enum Kind { kInteger, kString, kData } kind;
    SInt32 integer;
    std::string bytes; // text or data
};

struct Object {
    MIDIObjectType type;
    Object* owner; // the device of an entity, the entity of an endpoint; may be null
    std::map<std::string, Property> properties;
};

std::string key(CFStringRef property) {
    return std::string(CFStringGetCStringPtr(property, kCFStringEncodingUTF8), CFStringGetLength(property));
}

} // namespace

const CFStringRef kMIDIPropertyName = &kName;
const CFStringRef kMIDIPropertyDisplayName = &kDisplayName;
const CFStringRef kMIDIPropertyUniqueID = &kUniqueID;
const CFStringRef kMIDIPropertyIsEmbeddedEntity = &kEmbedded;
const CFStringRef kMIDIPropertyConnectionUniqueID = &kConnectionUniqueID;

namespace orke_coremidi {

struct MIDISetup::Contents {
    std::vector<std::unique_ptr<Object>> objects; // in the order made
    std::unordered_map<const void*, Object*> byReference;
    std::vector<Object*> sources;
    std::vector<Object*> destinations;

    Object* Find(const void* reference) const {
        const auto found = byReference.find(reference);
        return found != byReference.end() ? found->second : nullptr;
    }

    Object* Add(MIDIObjectType type, const void* owner, const char* name, MIDIUniqueID uniqueID) {
        objects.push_back(std::make_unique<Object>(Object{type, Find(owner), {}}));
        Object* object = objects.back().get();
        byReference[object] = object;
        if (name != nullptr) {
            object->properties[key(kMIDIPropertyName)] = Property{Property::kString, 0, name};
            object->properties[key(kMIDIPropertyDisplayName)] = Property{Property::kString, 0, name};
        }
        object->properties[key(kMIDIPropertyUniqueID)] = Property{Property::kInteger, uniqueID, {}};
        return object;
    }

    void Set(MIDIObjectRef reference, CFStringRef property, Property value) {
        if (Object* object = Find(reference); object != nullptr && property != nullptr) {
            object->properties[key(property)] = std::move(value);
        }
    }
};

MIDISetup::MIDISetup()
    : m_contents(std::make_unique<Contents>()) {}
MIDISetup::~MIDISetup() = default;
MIDISetup::MIDISetup(MIDISetup&& other)
    : m_contents(std::exchange(other.m_contents, std::make_unique<Contents>())) {}
MIDISetup& MIDISetup::operator=(MIDISetup&& other) noexcept {
    std::swap(m_contents, other.m_contents);
    return *this;
}

MIDIDeviceRef MIDISetup::AddDevice(const char* name, MIDIUniqueID uniqueID) {
    return reinterpret_cast<MIDIDeviceRef>(m_contents->Add(kMIDIObjectType_Device, nullptr, name, uniqueID));
}

MIDIEntityRef MIDISetup::AddEntity(MIDIDeviceRef device, const char* name, MIDIUniqueID uniqueID,
                                   bool embedded) {
    Object* entity = m_contents->Add(kMIDIObjectType_Entity, device, name, uniqueID);
    entity->properties[key(kMIDIPropertyIsEmbeddedEntity)] =
        Property{Property::kInteger, embedded ? 1 : 0, {}};
    return reinterpret_cast<MIDIEntityRef>(entity);
}

MIDIEndpointRef MIDISetup::AddSource(MIDIEntityRef entity, const char* name, MIDIUniqueID uniqueID) {
    Object* source = m_contents->Add(kMIDIObjectType_Source, entity, name, uniqueID);
    m_contents->sources.push_back(source);
    return reinterpret_cast<MIDIEndpointRef>(source);
}

MIDIEndpointRef MIDISetup::AddDestination(MIDIEntityRef entity, const char* name, MIDIUniqueID uniqueID) {
    Object* destination = m_contents->Add(kMIDIObjectType_Destination, entity, name, uniqueID);
    m_contents->destinations.push_back(destination);
    return reinterpret_cast<MIDIEndpointRef>(destination);
}

MIDIObjectRef MIDISetup::AddObject(MIDIObjectType type, const char* name, MIDIUniqueID uniqueID) {
    return m_contents->Add(type, nullptr, name, uniqueID);
}

void MIDISetup::SetIntegerProperty(MIDIObjectRef object, CFStringRef property, SInt32 value) {
    m_contents->Set(object, property, Property{Property::kInteger, value, {}});
}

void MIDISetup::SetStringProperty(MIDIObjectRef object, CFStringRef property, const char* text) {
    m_contents->Set(object, property, Property{Property::kString, 0, text != nullptr ? text : ""});
}

void MIDISetup::SetDataProperty(MIDIObjectRef object, CFStringRef property, const void* bytes,
                                size_t length) {
    const char* begin = static_cast<const char*>(bytes);
    m_contents->Set(object, property, Property{Property::kData, 0, std::string(begin, begin + length)});
}

void MIDISetup::SetConnections(MIDIObjectRef object, const std::vector<MIDIUniqueID>& uniqueIDs) {
    std::string bytes;
    for (const MIDIUniqueID id : uniqueIDs) {
        const auto value = static_cast<uint32_t>(id);
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
        }
    }
    m_contents->Set(object, kMIDIPropertyConnectionUniqueID, Property{Property::kData, 0, std::move(bytes)});
}

void MIDISetup::RemoveProperty(MIDIObjectRef object, CFStringRef property) {
    if (Object* found = m_contents->Find(object); found != nullptr && property != nullptr) {
        found->properties.erase(key(property));
    }
}

// The setup the calls answer from. Every call holds the lock while it reads, so a setup is never replaced
// under a reader.
class CurrentMIDISetup {
public:
    static CurrentMIDISetup& Instance() {
        static CurrentMIDISetup current;
        return current;
    }

    // Runs `read` on the current setup's contents, with the lock held.
    template <typename Read>
    auto With(Read read) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return read(static_cast<const MIDISetup::Contents&>(Current()));
    }

    void Install(MIDISetup setup) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_setup = std::move(setup);
        m_haveSystem = true;
        m_stale = false;
    }

    void UseSystem() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stale = true;
    }

    bool HaveSystem() {
        std::lock_guard<std::mutex> lock(m_mutex);
        Current();
        return m_haveSystem;
    }

private:
    MIDISetup::Contents& Current() {
        if (m_stale) {
            SequencerSnapshot snapshot;
            m_haveSystem = ReadSequencer(snapshot);
            m_setup = m_haveSystem ? SetupFromSequencer(snapshot) : MIDISetup();
            m_stale = false;
        }
        return *m_setup.m_contents;
    }

    std::mutex m_mutex;
    MIDISetup m_setup;
    bool m_stale = true; // the system's setup is to be read on next use
    bool m_haveSystem = false;
};

void InstallMIDISetup(MIDISetup setup) {
    CurrentMIDISetup::Instance().Install(std::move(setup));
}

void UseSystemMIDISetup() {
    CurrentMIDISetup::Instance().UseSystem();
}

bool HaveMIDISystem() {
    return CurrentMIDISetup::Instance().HaveSystem();
}

} // namespace orke_coremidi

// ---- the CoreMIDI calls -----------------------------------------------------------------------------------

namespace {

template <typename Read>
auto withSetup(Read read) {
    return orke_coremidi::CurrentMIDISetup::Instance().With(read);
}

// Runs `read` on the current setup's object behind `reference`; kMIDIObjectNotFound when there is none.
template <typename Read>
OSStatus withObject(const void* reference, Read read) {
    return withSetup([&](const auto& setup) -> OSStatus {
        const Object* object = setup.Find(reference);
        return object != nullptr ? read(*object) : kMIDIObjectNotFound;
    });
}

// Runs `read` on the property, when the object has it and it is of `kind`.
template <typename Read>
OSStatus withProperty(const void* reference, CFStringRef property, Property::Kind kind, Read read) {
    if (property == nullptr) {
        return kMIDIUnknownProperty;
    }
    return withObject(reference, [&](const Object& object) -> OSStatus {
        const auto found = object.properties.find(key(property));
        if (found == object.properties.end()) {
            return kMIDIUnknownProperty;
        }
        if (found->second.kind != kind) {
            return kMIDIWrongPropertyType;
        }
        return read(found->second);
    });
}

MIDIEndpointRef endpointAt(const std::vector<Object*>& endpoints, ItemCount index) {
    return index < endpoints.size() ? reinterpret_cast<MIDIEndpointRef>(endpoints[index]) : nullptr;
}

} // namespace

ItemCount MIDIGetNumberOfSources() {
    return withSetup([](const auto& setup) -> ItemCount { return setup.sources.size(); });
}

MIDIEndpointRef MIDIGetSource(ItemCount sourceIndex) {
    return withSetup([&](const auto& setup) { return endpointAt(setup.sources, sourceIndex); });
}

ItemCount MIDIGetNumberOfDestinations() {
    return withSetup([](const auto& setup) -> ItemCount { return setup.destinations.size(); });
}

MIDIEndpointRef MIDIGetDestination(ItemCount destinationIndex) {
    return withSetup([&](const auto& setup) { return endpointAt(setup.destinations, destinationIndex); });
}

OSStatus MIDIEndpointGetEntity(MIDIEndpointRef endpoint, MIDIEntityRef* outEntity) {
    return withObject(endpoint, [&](const Object& object) -> OSStatus {
        const bool isEndpoint =
            object.type == kMIDIObjectType_Source || object.type == kMIDIObjectType_Destination;
        if (!isEndpoint || object.owner == nullptr) {
            return kMIDIObjectNotFound;
        }
        if (outEntity != nullptr) {
            *outEntity = reinterpret_cast<MIDIEntityRef>(object.owner);
        }
        return noErr;
    });
}

OSStatus MIDIObjectGetIntegerProperty(MIDIObjectRef object, CFStringRef propertyID, SInt32* outValue) {
    return withProperty(object, propertyID, Property::kInteger, [&](const Property& property) {
        if (outValue != nullptr) {
            *outValue = property.integer;
        }
        return noErr;
    });
}

OSStatus MIDIObjectGetStringProperty(MIDIObjectRef object, CFStringRef propertyID, CFStringRef* outString) {
    return withProperty(object, propertyID, Property::kString, [&](const Property& property) {
        if (outString != nullptr) {
            *outString = CFStringCreateWithCString(nullptr, property.bytes.c_str(), kCFStringEncodingUTF8);
        }
        return noErr;
    });
}

OSStatus MIDIObjectGetDataProperty(MIDIObjectRef object, CFStringRef propertyID, CFDataRef* outData) {
    return withProperty(object, propertyID, Property::kData, [&](const Property& property) {
        if (outData != nullptr) {
            *outData = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(property.bytes.data()),
                                    static_cast<CFIndex>(property.bytes.size()));
        }
        return noErr;
    });
}

OSStatus MIDIObjectFindByUniqueID(MIDIUniqueID uniqueID, MIDIObjectRef* outObject,
                                  MIDIObjectType* outObjectType) {
    const std::string uniqueIDKey = key(kMIDIPropertyUniqueID);
    return withSetup([&](const auto& setup) -> OSStatus {
        for (const auto& object : setup.objects) {
            const auto found = object->properties.find(uniqueIDKey);
            if (found != object->properties.end() && found->second.kind == Property::kInteger &&
                found->second.integer == uniqueID) {
                if (outObject != nullptr) {
                    *outObject = object.get();
                }
                if (outObjectType != nullptr) {
                    *outObjectType = object->type;
                }
                return noErr;
            }
        }
        return kMIDIObjectNotFound;
    });
}

OSStatus MIDIRestart() {
    orke_coremidi::UseSystemMIDISetup();
    return noErr;
}
