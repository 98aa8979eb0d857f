// The JACK client: the server reached without starting it, the ports, the process callback and the
// connections.
#include "LiveClient.h"

#include "EffectOpcodes.h"
#include "HostCallback.h"
#include "RealtimeWatch.h"
#include "Transport.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace orke::host {

// Periods grow rarely; the plug-in is told to expect this many frames at least, so that a server that
// doubles its period now and then does not stop it.
inline constexpr jack_nframes_t kLeastPreparedPeriod = 4096;
// Messages one period hands the plug-in at most, from JACK and from the sequencer together.
inline constexpr int32_t kMaxEventsPerPeriod = 512;
// A message from the sequencer's thread as it waits in the queue: its size, then up to three bytes.
inline constexpr size_t kQueuedMessageSize = 4;

struct LiveEngine {
    Effect* effect = nullptr;
    std::vector<jack_port_t*> inputPorts;
    std::vector<jack_port_t*> outputPorts;
    jack_port_t* midiPort = nullptr;
    jack_ringbuffer_t* queued = nullptr;
    // The plug-in's inputs are copies: a plug-in may write into them, and JACK's buffers are shared.
    std::vector<std::vector<float>> inputs;
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;
    std::vector<VstMidiEvent> events;
    std::vector<uint8_t> list; // a VstEvents header with room for kMaxEventsPerPeriod pointers
    std::unique_ptr<Transport> transport;
    jack_nframes_t prepared = 0;
    std::atomic<int64_t> frames{0};
    int64_t periods = 0; // the callback's own
    // What the real-time watch saw in the callback: how many periods did any of it, and the first period's
    // tally, written once before `firstSeen` says so.
    std::atomic<int64_t> periodsWithActs{0};
    RealtimeTally first;
    std::atomic<bool> firstSeen{false};
    std::atomic<bool> playing{false};
    std::atomic<int> trouble{0}; // a Trouble below, the first seen
    enum Trouble { kNone, kServerEnded, kPeriodGrew, kPluginThrew };

    VstEvents* List() { return reinterpret_cast<VstEvents*>(list.data()); }
    void Note(Trouble what) {
        int none = kNone;
        trouble.compare_exchange_strong(none, what);
    }
};

namespace {

void quiet(const char*) {}

void silence(const std::vector<jack_port_t*>& ports, jack_nframes_t frames) {
    for (jack_port_t* port : ports) {
        std::memset(jack_port_get_buffer(port, frames), 0, sizeof(float) * frames);
    }
}

void addEvent(LiveEngine& engine, int32_t frame, const uint8_t* bytes, size_t size) {
    VstEvents* list = engine.List();
    // Channel messages only: a VstMidiEvent holds three bytes, and system messages are no plug-in's.
    if (list->numEvents >= kMaxEventsPerPeriod || size == 0 || size > 3 || bytes[0] < 0x80 ||
        bytes[0] >= 0xF0) {
        return;
    }
    VstMidiEvent& event = engine.events[static_cast<size_t>(list->numEvents)];
    event = VstMidiEvent{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = frame;
    event.flags = kVstMidiEventIsRealtime;
    std::memcpy(event.midiData, bytes, size);
    list->events[list->numEvents++] = reinterpret_cast<VstEvent*>(&event);
}

// Gathers the period's messages: the sequencer's first, at its start, then JACK's at their frames.
void gatherEvents(LiveEngine& engine, jack_nframes_t frames) {
    engine.List()->numEvents = 0;
    uint8_t message[kQueuedMessageSize];
    while (engine.queued != nullptr && jack_ringbuffer_read_space(engine.queued) >= kQueuedMessageSize) {
        jack_ringbuffer_read(engine.queued, reinterpret_cast<char*>(message), kQueuedMessageSize);
        addEvent(engine, 0, message + 1, message[0]);
    }
    void* buffer = jack_port_get_buffer(engine.midiPort, frames);
    const uint32_t count = jack_midi_get_event_count(buffer);
    for (uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0 && event.time < frames) {
            addEvent(engine, static_cast<int32_t>(event.time), event.buffer, event.size);
        }
    }
}

int process(jack_nframes_t frames, void* data) {
    auto& engine = *static_cast<LiveEngine*>(data);
    if (!engine.playing.load(std::memory_order_acquire) || frames > engine.prepared ||
        engine.trouble.load(std::memory_order_relaxed) != LiveEngine::kNone) {
        silence(engine.outputPorts, frames);
        if (frames > engine.prepared) {
            engine.Note(LiveEngine::kPeriodGrew);
        }
        return 0;
    }
    // The whole period is watched, this host's part as the plug-in's: neither may allocate, lock or wait.
    WatchThisThread(true, ++engine.periods);
    for (size_t c = 0; c < engine.inputPorts.size(); ++c) {
        std::memcpy(engine.inputPointers[c], jack_port_get_buffer(engine.inputPorts[c], frames),
                    sizeof(float) * frames);
    }
    for (size_t c = 0; c < engine.outputPorts.size(); ++c) {
        engine.outputPointers[c] = static_cast<float*>(jack_port_get_buffer(engine.outputPorts[c], frames));
    }
    gatherEvents(engine, frames);
    try {
        engine.transport->Publish(engine.frames.load(std::memory_order_relaxed));
        if (engine.List()->numEvents > 0) {
            engine.effect->Dispatch(effProcessEvents, 0, 0, engine.List());
        }
        engine.effect->Process(engine.inputPointers.data(), engine.outputPointers.data(),
                               static_cast<int32_t>(frames));
    } catch (...) { // never into JACK's thread; the plug-in plays no more
        engine.Note(LiveEngine::kPluginThrew);
        silence(engine.outputPorts, frames);
    }
    WatchThisThread(false);
    if (const RealtimeTally tally = TakeRealtimeTally(); tally.first != RealtimeAct::None) {
        if (engine.periodsWithActs.fetch_add(1, std::memory_order_relaxed) == 0) {
            engine.first = tally;
            engine.firstSeen.store(true, std::memory_order_release);
        }
    }
    // Released for Stop: JACK's own hand-over (futexes in shared memory) is one a thread checker cannot see.
    engine.frames.fetch_add(frames, std::memory_order_release);
    return 0;
}

int periodChanged(jack_nframes_t frames, void* data) {
    auto& engine = *static_cast<LiveEngine*>(data);
    if (frames > engine.prepared && engine.playing.load(std::memory_order_acquire)) {
        engine.Note(LiveEngine::kPeriodGrew);
    }
    return 0;
}

void serverEnded(void* data) {
    static_cast<LiveEngine*>(data)->Note(LiveEngine::kServerEnded);
}

} // namespace

std::unique_ptr<LiveClient> LiveClient::Open(const std::string& name, std::string& error) {
    // JACK's own messages would say the same as the one line below, in several.
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    jack_status_t status{};
    jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (client == nullptr) {
        const char* server = std::getenv("JACK_DEFAULT_SERVER");
        error = (status & JackServerFailed) != 0 || (status & JackServerError) != 0
                    ? "no JACK server '" + std::string(server != nullptr ? server : "default") +
                          "' is running (start one, e.g. jackd -d alsa; orke-host never starts one)"
                    : "the JACK server refused the client " + name;
        return nullptr;
    }
    std::unique_ptr<LiveClient> live(new LiveClient);
    live->m_client = client;
    live->m_name = jack_get_client_name(client);
    live->m_engine = std::make_unique<LiveEngine>();
    live->m_engine->prepared = std::max(jack_get_buffer_size(client), kLeastPreparedPeriod);
    jack_on_shutdown(client, serverEnded, live->m_engine.get());
    return live;
}

LiveClient::~LiveClient() {
    Stop();
    jack_client_close(m_client);
    if (m_engine && m_engine->queued != nullptr) {
        jack_ringbuffer_free(m_engine->queued);
    }
}

int LiveClient::SampleRate() const {
    return static_cast<int>(jack_get_sample_rate(m_client));
}

int32_t LiveClient::Period() const {
    return static_cast<int32_t>(jack_get_buffer_size(m_client));
}

int32_t LiveClient::LargestPeriod() const {
    return static_cast<int32_t>(m_engine->prepared);
}

std::vector<std::string> LiveClient::Ports(const char* type, bool outputs, bool physical) const {
    const std::string pattern =
        std::strcmp(type, "midi") == 0 ? JACK_DEFAULT_MIDI_TYPE : JACK_DEFAULT_AUDIO_TYPE;
    const unsigned long flags =
        (outputs ? JackPortIsOutput : JackPortIsInput) | (physical ? JackPortIsPhysical : 0);
    std::vector<std::string> names;
    if (const char** ports = jack_get_ports(m_client, nullptr, pattern.c_str(), flags)) {
        for (const char** port = ports; *port != nullptr; ++port) {
            names.emplace_back(*port);
        }
        jack_free(ports);
    }
    return names;
}

bool LiveClient::IsSource(const std::string& name, const char* type) const {
    const std::vector<std::string> sources = Ports(type, true);
    return std::find(sources.begin(), sources.end(), name) != sources.end();
}

bool LiveClient::connect(const std::string& from, const std::string& to, std::string& error) {
    const int refused = jack_connect(m_client, from.c_str(), to.c_str());
    if (refused != 0 && refused != EEXIST) {
        error = "JACK does not connect " + from + " to " + to;
        return false;
    }
    m_connected += (m_connected.empty() ? "" : ", ") + from + " -> " + to;
    return true;
}

bool LiveClient::Play(Effect& effect, double tempo, const LiveConnections& connections, std::string& error) {
    LiveEngine& engine = *m_engine;
    engine.effect = &effect;
    const auto prepared = static_cast<size_t>(engine.prepared);
    for (int32_t c = 0; c < effect.NumInputs(); ++c) {
        const std::string name = "in_" + std::to_string(c + 1);
        engine.inputPorts.push_back(
            jack_port_register(m_client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
    }
    for (int32_t c = 0; c < effect.NumOutputs(); ++c) {
        const std::string name = "out_" + std::to_string(c + 1);
        engine.outputPorts.push_back(
            jack_port_register(m_client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
    }
    engine.midiPort = jack_port_register(m_client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    const auto missing = [](jack_port_t* port) {
        return port == nullptr;
    };
    if (engine.midiPort == nullptr ||
        std::any_of(engine.inputPorts.begin(), engine.inputPorts.end(), missing) ||
        std::any_of(engine.outputPorts.begin(), engine.outputPorts.end(), missing)) {
        error = "the JACK server refused " + m_name + "'s ports";
        return false;
    }
    // A plug-in without inputs still gets one silent channel, as in a render.
    engine.inputs.assign(std::max<size_t>(engine.inputPorts.size(), 1), std::vector<float>(prepared, 0.0f));
    for (auto& channel : engine.inputs) {
        engine.inputPointers.push_back(channel.data());
    }
    engine.outputPointers.assign(engine.outputPorts.size(), nullptr);
    engine.events.resize(kMaxEventsPerPeriod);
    engine.list.assign(sizeof(VstEvents) + sizeof(VstEvent*) * kMaxEventsPerPeriod, 0);
    engine.queued = jack_ringbuffer_create(kQueuedMessageSize * 4096);
    engine.transport = std::make_unique<Transport>(TempoMap(tempo, Meter{}), SampleRate());
    jack_set_process_callback(m_client, process, &engine);
    jack_set_buffer_size_callback(m_client, periodChanged, &engine);
    engine.playing.store(true, std::memory_order_release);
    if (jack_activate(m_client) != 0) {
        error = "the JACK server does not start " + m_name;
        return false;
    }
    m_active = true;
    auto connectAll = [&](const std::vector<std::string>& named, const std::vector<jack_port_t*>& ours,
                          bool outputs) {
        std::vector<std::string> ports = named;
        if (ports.empty() && connections.automatic) {
            ports = Ports("audio", !outputs, true);
            if (ours.size() == 1 && ports.size() > 1 && outputs) {
                ports.resize(2); // one output to the first two speakers
            } else {
                ports.resize(std::min(ports.size(), ours.size()));
            }
        }
        for (size_t i = 0; i < ports.size(); ++i) {
            const std::string port = jack_port_name(ours[std::min(i, ours.size() - 1)]);
            if (!(outputs ? connect(port, ports[i], error) : connect(ports[i], port, error))) {
                return false;
            }
        }
        return true;
    };
    if (connections.outputs.size() > engine.outputPorts.size() ||
        connections.inputs.size() > engine.inputPorts.size()) {
        error = "more ports named than the plug-in has " +
                std::string(connections.inputs.size() > engine.inputPorts.size() ? "inputs" : "outputs");
        return false;
    }
    if (!connectAll(connections.outputs, engine.outputPorts, true) ||
        (!engine.inputPorts.empty() && !connectAll(connections.inputs, engine.inputPorts, false))) {
        return false;
    }
    return connections.midi.empty() || connect(connections.midi, jack_port_name(engine.midiPort), error);
}

bool LiveClient::QueueMidi(const uint8_t* bytes, size_t size) {
    jack_ringbuffer_t* queued = m_engine->queued;
    if (queued == nullptr || size == 0 || size > 3 ||
        jack_ringbuffer_write_space(queued) < kQueuedMessageSize) {
        return false;
    }
    uint8_t message[kQueuedMessageSize] = {static_cast<uint8_t>(size)};
    std::memcpy(message + 1, bytes, size);
    jack_ringbuffer_write(queued, reinterpret_cast<const char*>(message), kQueuedMessageSize);
    return true;
}

void LiveClient::Stop() {
    if (m_active) {
        jack_deactivate(m_client);
        m_active = false;
        m_engine->frames.load(std::memory_order_acquire); // everything the last period did is seen from here
    }
    m_engine->playing.store(false, std::memory_order_release);
}

std::string LiveClient::Trouble() const {
    switch (m_engine->trouble.load()) {
    case LiveEngine::kServerEnded:
        return "the JACK server ended";
    case LiveEngine::kPeriodGrew:
        return "JACK's period grew past the " + std::to_string(m_engine->prepared) +
               " frames the plug-in was prepared for";
    case LiveEngine::kPluginThrew:
        return "the plug-in threw an exception in a process call";
    default:
        return "";
    }
}

std::string LiveClient::RealtimeActs() const {
    const int64_t periods = m_engine->periodsWithActs.load(std::memory_order_relaxed);
    if (periods == 0 || !m_engine->firstSeen.load(std::memory_order_acquire)) {
        return "";
    }
    const RealtimeTally& first = m_engine->first;
    return "the audio thread did what a real-time thread must not in " + std::to_string(periods) + " of " +
           std::to_string(m_engine->periods) + " periods, first " +
           DescribeRealtimeAct(first.first, first.firstSize, first.firstCaller) + " in period " +
           std::to_string(first.firstProcessCall);
}

int64_t LiveClient::FramesPlayed() const {
    return m_engine->frames.load(std::memory_order_relaxed);
}

} // namespace orke::host
