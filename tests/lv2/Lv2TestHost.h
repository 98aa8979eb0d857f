// The tests' LV2 host, in process: a plug-in of a built bundle loaded through lilv and driven port by port,
// with a URID map, MIDI and time positions forged into its event port, and its state interface called
// directly; beside it (HostedPlugin), the plug-in's VST 2.4 module, for renders to compare.
#pragma once

#include "HostedPlugin.h"

#include <lilv/lilv.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// URIs to numbers, as a host maps them: 1, 2, ... in the order first asked.
class UridMap {
public:
    UridMap();
    LV2_URID Map(const char* uri);
    const LV2_Feature* Feature() const { return &m_feature; }

private:
    std::vector<std::string> m_uris;
    LV2_URID_Map m_map;
    LV2_Feature m_feature;
};

// A saved state: each key's type and bytes.
struct SavedProperty {
    LV2_URID type = 0;
    std::vector<uint8_t> bytes;
};
using SavedState = std::map<LV2_URID, SavedProperty>;

// One time position, as a host sends it; fields left negative are not sent.
struct TimeFields {
    double frame = -1, speed = -1, bar = -1, barBeat = -1, beatUnit = -1, beatsPerBar = -1,
           beatsPerMinute = -1;
};

class Lv2TestPlugin {
public:
    static constexpr uint32_t kMaxBlock = 8192;

    // Loads the bundle in `bundle` (a folder) and instantiates `uri` at `sampleRate`, with the URID map
    // unless `withMap` is false; every port is connected, the event port to an empty sequence. It throws,
    // failing the test that wanted it, when the plug-in cannot be made.
    Lv2TestPlugin(const std::string& bundle, const std::string& uri, double sampleRate = 48000.0,
                  bool withMap = true);
    ~Lv2TestPlugin();

    Lv2TestPlugin(const Lv2TestPlugin&) = delete;
    Lv2TestPlugin& operator=(const Lv2TestPlugin&) = delete;

    uint32_t Port(const char* symbol) const; // fails the test for an unknown symbol
    float& Control(const char* symbol) { return m_controls[Port(symbol)]; }
    std::vector<float>& Audio(const char* symbol) { return m_audio[Port(symbol)]; }
    LilvWorld* World() const { return m_world; }
    const LilvPlugin* Plugin() const { return m_plugin; }
    UridMap& Urids() { return m_urids; }

    // Events for the next run only: a MIDI message or a time position at `frame`.
    void AddMidi(int64_t frame, std::vector<uint8_t> bytes);
    void AddTime(int64_t frame, const TimeFields& fields);
    // Runs `frames` frames (at most kMaxBlock) with the events added since the last run.
    void Run(uint32_t frames);

    // The state interface's save and restore; the status they answer.
    int Save(SavedState& state);
    int Restore(const SavedState& state);

private:
    struct Event {
        int64_t frame;
        std::vector<uint8_t> midi;
        TimeFields time;
    };
    void ForgeEvents();
    const LV2_State_Interface* StateInterface() const; // fails the test when there is none

    UridMap m_urids;
    LilvWorld* m_world = nullptr;
    const LilvPlugin* m_plugin = nullptr;
    LilvInstance* m_instance = nullptr;
    std::map<uint32_t, std::vector<float>> m_audio;
    std::map<uint32_t, float> m_controls;
    std::vector<uint64_t> m_sequence; // the event port's buffer, 8-byte aligned
    int32_t m_eventPort = -1;
    std::vector<Event> m_events;
};

// Two channels of `frames` frames, noise in [-1, 1) from `seed` for the first `burst` of them, silence after.
Channels NoiseBurst(size_t frames, size_t burst, uint32_t seed);

// An LV2 render against the VST 2.4 module's: every sample agrees within 1e-6, and the VST render is loud
// enough (its left channel's magnitudes from frame `loudFrom` on summing past 100) for that to prove
// something.
void ExpectSameSamples(const Channels& lv2, const Channels& vst, size_t loudFrom);
