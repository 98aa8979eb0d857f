// The sequencer's side of live MIDI: the source looked up in the catalogue, a port of our own subscribed to
// it, and a thread that decodes its events into MIDI bytes for the live client's queue.
#include "SequencerInput.h"

#include "CAMIDIEndpoints.h"

#include <CoreMIDI/MIDISetup.h>

#if ORKE_HOST_HAS_ALSA
#include <alsa/asoundlib.h>
#include <poll.h>
#endif

#include <atomic>
#include <thread>

namespace orke::host {
namespace {

using EndpointList =
    std::unique_ptr<CAMIDIEndpoints::EndpointInfoList, CAMIDIEndpoints::EndpointInfoListDeleter>;

std::string textOf(CFStringRef name) {
    const char* text = name != nullptr ? CFStringGetCStringPtr(name, kCFStringEncodingUTF8) : nullptr;
    return text != nullptr ? text : "";
}

} // namespace

struct SequencerInput::Reader {
#if ORKE_HOST_HAS_ALSA
    snd_seq_t* sequencer = nullptr;
    snd_midi_event_t* decoder = nullptr;
    LiveClient* client = nullptr;
    std::atomic<bool> stop{false};
    std::thread thread;

    ~Reader() {
        stop = true;
        if (thread.joinable()) {
            thread.join();
        }
        if (decoder != nullptr) {
            snd_midi_event_free(decoder);
        }
        if (sequencer != nullptr) {
            snd_seq_close(sequencer);
        }
    }

    void Run() {
        std::vector<pollfd> descriptors(
            static_cast<size_t>(snd_seq_poll_descriptors_count(sequencer, POLLIN)));
        snd_seq_poll_descriptors(sequencer, descriptors.data(), static_cast<unsigned>(descriptors.size()),
                                 POLLIN);
        while (!stop) {
            // A short wait, so that the end is seen soon.
            if (poll(descriptors.data(), descriptors.size(), 100) <= 0) {
                continue;
            }
            snd_seq_event_t* event = nullptr;
            while (snd_seq_event_input(sequencer, &event) >= 0 && event != nullptr) {
                unsigned char bytes[16];
                const long size = snd_midi_event_decode(decoder, bytes, sizeof bytes, event);
                if (size > 0) {
                    client->QueueMidi(bytes, static_cast<size_t>(size));
                }
            }
        }
    }
#endif
};

std::vector<std::string> SequencerInput::SourceNames() {
    std::vector<std::string> names;
    if (!orke_coremidi::HaveMIDISystem()) {
        return names;
    }
    CAMIDIEndpoints catalogue;
    const EndpointList list(
        catalogue.GetEndpoints(CAMIDIEndpoints::kModeSources,
                               CAMIDIEndpoints::kListSorted | CAMIDIEndpoints::kListUnconnectedPorts));
    for (const CAMIDIEndpoints::EndpointInfo* info : *list) {
        names.push_back(textOf(info->name));
    }
    return names;
}

std::unique_ptr<SequencerInput> SequencerInput::Open(const std::string& name, LiveClient& client, bool& found,
                                                     std::string& error) {
    found = false;
    if (!orke_coremidi::HaveMIDISystem()) {
        return nullptr;
    }
    // The catalogue's source records carry the port's unique ID, which is made of the sequencer's client
    // and port numbers (SequencerUniqueID): bits 16 to 23 and 8 to 15.
    SInt32 id = 0;
    {
        CAMIDIEndpoints catalogue;
        const EndpointList list(
            catalogue.GetEndpoints(CAMIDIEndpoints::kModeSources, CAMIDIEndpoints::kListUnconnectedPorts));
        for (const CAMIDIEndpoints::EndpointInfo* info : *list) {
            if (!found && textOf(info->name) == name) {
                found = MIDIObjectGetIntegerProperty(info->sourceEndpoint, kMIDIPropertyUniqueID, &id) == 0;
            }
        }
    }
    if (!found) {
        return nullptr;
    }
#if ORKE_HOST_HAS_ALSA
    const int sourceClient = (id >> 16) & 0xFF, sourcePort = (id >> 8) & 0xFF;
    auto reader = std::make_unique<Reader>();
    reader->client = &client;
    int port = -1;
    if (snd_seq_open(&reader->sequencer, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0 ||
        snd_seq_set_client_name(reader->sequencer, client.Name().c_str()) < 0 ||
        (port = snd_seq_create_simple_port(
             reader->sequencer, "midi_in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
             SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION)) < 0 ||
        snd_midi_event_new(16, &reader->decoder) < 0) {
        error = "the ALSA sequencer does not take a client for " + name;
        return nullptr;
    }
    snd_midi_event_no_status(reader->decoder, 1); // every message with its status byte
    if (snd_seq_connect_from(reader->sequencer, port, sourceClient, sourcePort) < 0) {
        error = "the ALSA sequencer does not connect " + name + " (" + std::to_string(sourceClient) + ":" +
                std::to_string(sourcePort) + ") to orke-host";
        return nullptr;
    }
    Reader* running = reader.get();
    reader->thread = std::thread([running] { running->Run(); });
    return std::unique_ptr<SequencerInput>(new SequencerInput(std::move(reader)));
#else
    (void)client;
    error = "this build of orke-host reads no ALSA sequencer, so it cannot take MIDI from " + name;
    return nullptr;
#endif
}

SequencerInput::SequencerInput(std::unique_ptr<Reader> reader)
    : m_reader(std::move(reader)) {}

SequencerInput::~SequencerInput() = default;

} // namespace orke::host
