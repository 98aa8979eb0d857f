// A plug-in played live as a client of a running JACK server: a JACK audio port per plug-in input and output,
// a JACK MIDI input, and MIDI that another thread receives (the ALSA sequencer's) handed over without a lock.
// The process callback JACK calls takes no lock and allocates nothing: every buffer is made before the client
// is activated.
#pragma once

#include "Effect.h"

#include <jack/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orke::host {

// What the plug-in's ports are connected to once it plays.
struct LiveConnections {
    std::vector<std::string> outputs; // ports the outputs feed, in order; empty: the physical playback ports
    std::vector<std::string> inputs;  // ports the inputs take, in order; empty: the physical capture ports
    std::string midi;                 // a JACK MIDI port to take MIDI from; empty: none
    bool automatic = true;            // connect to the physical ports when none are named
};

struct LiveEngine; // what the process callback reads

class LiveClient {
public:
    // A client named `name` (or as near as the server allows) of the running server, which is never
    // started. Null, with a one-line reason, when no server runs or it refuses the client.
    static std::unique_ptr<LiveClient> Open(const std::string& name, std::string& error);
    // Stops the calls and leaves the server.
    ~LiveClient();

    LiveClient(const LiveClient&) = delete;
    LiveClient& operator=(const LiveClient&) = delete;

    const std::string& Name() const { return m_name; }
    int SampleRate() const;
    int32_t Period() const; // frames per process call now
    // The largest period the plug-in is prepared for: the server's, or more should it grow.
    int32_t LargestPeriod() const;

    // Full names of the server's ports of `type` ("audio", "midi") that others may read from (`outputs`)
    // or write to.
    std::vector<std::string> Ports(const char* type, bool outputs, bool physical = false) const;
    // Whether a port of that name and type is one others may read from.
    bool IsSource(const std::string& port, const char* type) const;

    // Registers the ports for `effect`, which is prepared, set up and resumed for LargestPeriod() frames,
    // starts calling it and connects the ports. The effect must outlive Stop. False with a one-line reason.
    bool Play(Effect& effect, double tempo, const LiveConnections& connections, std::string& error);
    // Hands a MIDI message received on another thread to the next period; false when the queue is full.
    bool QueueMidi(const uint8_t* bytes, size_t size);
    // Stops calling the effect; it may be suspended afterwards.
    void Stop();

    // Why the client can go on no more, once it cannot ("" while it plays): the server ended, its period
    // grew past what the plug-in was prepared for, or the plug-in threw.
    std::string Trouble() const;
    int64_t FramesPlayed() const;
    // What the real-time watch saw the process callback do that it must not (the plug-in's calls or this
    // host's), once stopped; "" for nothing.
    std::string RealtimeActs() const;
    // "out_1 -> system:playback_1, ..." for the start line.
    const std::string& Connected() const { return m_connected; }

private:
    LiveClient() = default;
    bool connect(const std::string& from, const std::string& to, std::string& error);

    jack_client_t* m_client = nullptr;
    std::string m_name;
    std::unique_ptr<LiveEngine> m_engine;
    std::string m_connected;
    bool m_active = false;
};

} // namespace orke::host
