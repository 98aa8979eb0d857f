// The system's MIDI setup on Linux, read from the ALSA sequencer.
//
// A snapshot holds what the sequencer reports; SetupFromSequencer turns it into a MIDI setup:
//   - each client with at least one listed port becomes a device named after the client;
//   - each listed port becomes an entity of that device, embedded unless the port is a connector for
//     other equipment (type bit kSeqTypePort), with a source when others may subscribe to read from it and
//     a destination when others may subscribe to write to it; the source and destination of one port
//     therefore pair up;
//   - a subscription from a source to a destination connects them: each lists the other's unique ID;
//   - the system client (0), the reading client itself and ports marked not to be exported are left out.
// Unique IDs are built from the client and port numbers, so they stay the same from one reading to the next.
#pragma once

#include "MIDISetup.h"

#include <string>
#include <vector>

namespace orke_coremidi {

// Capability and type bits as the sequencer reports them.
enum : unsigned {
    kSeqCapRead = 1u << 0,
    kSeqCapWrite = 1u << 1,
    kSeqCapSubsRead = 1u << 5,
    kSeqCapSubsWrite = 1u << 6,
    kSeqCapNoExport = 1u << 7,
    kSeqTypePort = 1u << 19,
};

struct SequencerAddress {
    int client;
    int port;
};

struct SequencerPort {
    int port;
    std::string name;
    unsigned capability;
    unsigned type;
};

struct SequencerClient {
    int client;
    std::string name;
    std::vector<SequencerPort> ports;
};

struct SequencerSnapshot {
    int self = -1; // the client that read the snapshot
    std::vector<SequencerClient> clients;
    std::vector<std::pair<SequencerAddress, SequencerAddress>> subscriptions; // sender, receiver
};

enum class SequencerObject { kDevice = 1, kEntity, kSource, kDestination };
// The unique ID a client's (or a port's) object gets.
MIDIUniqueID SequencerUniqueID(SequencerObject object, int client, int port = 0);

MIDISetup SetupFromSequencer(const SequencerSnapshot& snapshot);

// Reads the running sequencer into `snapshot`; false when there is none or the program was built without
// ALSA.
bool ReadSequencer(SequencerSnapshot& snapshot);

} // namespace orke_coremidi
