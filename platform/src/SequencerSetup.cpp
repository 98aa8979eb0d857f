// From a sequencer snapshot to a MIDI setup.
#include <CoreMIDI/SequencerSetup.h>

#include <map>
#include <utility>

namespace orke_coremidi {

namespace {

constexpr int kSystemClient = 0;

bool isSource(const SequencerPort& port) {
    const unsigned wanted = kSeqCapRead | kSeqCapSubsRead;
    return (port.capability & wanted) == wanted && (port.capability & kSeqCapNoExport) == 0;
}

bool isDestination(const SequencerPort& port) {
    const unsigned wanted = kSeqCapWrite | kSeqCapSubsWrite;
    return (port.capability & wanted) == wanted && (port.capability & kSeqCapNoExport) == 0;
}

// A port's name as a user reads it: the client's name leads unless the port's name already begins with it.
std::string displayName(const SequencerClient& client, const SequencerPort& port) {
    if (port.name.compare(0, client.name.size(), client.name) == 0) {
        return port.name;
    }
    return client.name.empty() ? port.name : client.name + " " + port.name;
}

} // namespace

MIDIUniqueID SequencerUniqueID(SequencerObject object, int client, int port) {
    // Client and port numbers are 8-bit, so an ID is unique per object, client and port, and never 0.
    return static_cast<MIDIUniqueID>((static_cast<unsigned>(object) << 24) | ((client & 0xFF) << 16) |
                                     ((port & 0xFF) << 8));
}

MIDISetup SetupFromSequencer(const SequencerSnapshot& snapshot) {
    MIDISetup setup;
    std::map<std::pair<int, int>, MIDIEndpointRef> sources, destinations;
    for (const SequencerClient& client : snapshot.clients) {
        if (client.client == kSystemClient || client.client == snapshot.self) {
            continue;
        }
        MIDIDeviceRef device = nullptr;
        for (const SequencerPort& port : client.ports) {
            const bool source = isSource(port), destination = isDestination(port);
            if (!source && !destination) {
                continue;
            }
            if (device == nullptr) {
                device = setup.AddDevice(client.name.c_str(),
                                         SequencerUniqueID(SequencerObject::kDevice, client.client));
            }
            const std::string shown = displayName(client, port);
            const bool embedded = (port.type & kSeqTypePort) == 0;
            MIDIEntityRef entity = setup.AddEntity(
                device, port.name.c_str(),
                SequencerUniqueID(SequencerObject::kEntity, client.client, port.port), embedded);
            setup.SetStringProperty(entity, kMIDIPropertyDisplayName, shown.c_str());
            const std::pair<int, int> address{client.client, port.port};
            if (source) {
                sources[address] =
                    setup.AddSource(entity, port.name.c_str(),
                                    SequencerUniqueID(SequencerObject::kSource, client.client, port.port));
                setup.SetStringProperty(sources[address], kMIDIPropertyDisplayName, shown.c_str());
            }
            if (destination) {
                destinations[address] = setup.AddDestination(
                    entity, port.name.c_str(),
                    SequencerUniqueID(SequencerObject::kDestination, client.client, port.port));
                setup.SetStringProperty(destinations[address], kMIDIPropertyDisplayName, shown.c_str());
            }
        }
    }

    std::map<MIDIEndpointRef, std::vector<MIDIUniqueID>> connections;
    for (const auto& [sender, receiver] : snapshot.subscriptions) {
        const auto source = sources.find({sender.client, sender.port});
        const auto destination = destinations.find({receiver.client, receiver.port});
        if (source == sources.end() || destination == destinations.end()) {
            continue;
        }
        connections[source->second].push_back(
            SequencerUniqueID(SequencerObject::kDestination, receiver.client, receiver.port));
        connections[destination->second].push_back(
            SequencerUniqueID(SequencerObject::kSource, sender.client, sender.port));
    }
    for (const auto& [endpoint, uniqueIDs] : connections) {
        setup.SetConnections(endpoint, uniqueIDs);
    }
    return setup;
}

} // namespace orke_coremidi
