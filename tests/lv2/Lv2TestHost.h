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
#include <tuple>
#include <vector>

// URIs to numbers, as a host maps them: 1, 2, ... in the order first asked.
struct UridMap {
    LV2_URID Map(const char* uri);
    std::vector<std::string> uris;
    LV2_URID_Map map{this, [](void* self, const char* uri) {
                         return static_cast<UridMap*>(self)->Map(uri);
                     }};
    LV2_Feature feature{LV2_URID__map, &map};
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

// A plug-in of the bundle in `bundle` (a folder) instantiated as `uri` at `sampleRate`, with the URID map
// unless `withMap` is false; every port is connected, the event port to an empty sequence. Making it throws,
// failing the test that wanted it, when the plug-in cannot be made.
class Lv2TestPlugin {
public:
    static constexpr uint32_t kMaxBlock = 8192;
    Lv2TestPlugin(const std::string& bundle, const std::string& uri, double sampleRate = 48000.0,
                  bool withMap = true);
    ~Lv2TestPlugin();

    uint32_t Port(const char* symbol) const; // fails the test for an unknown symbol
    float& Control(const char* symbol) { return m_controls[Port(symbol)]; }
    std::vector<float>& Audio(const char* symbol) { return m_audio[Port(symbol)]; }

    // Events for the next run only: a MIDI message or a time position at `frame`.
    void AddMidi(int64_t frame, std::vector<uint8_t> bytes) {
        m_events.emplace_back(frame, bytes, TimeFields{});
    }
    void AddTime(int64_t frame, const TimeFields& fields) { m_events.emplace_back(frame, Bytes{}, fields); }
    // Runs `frames` frames (at most kMaxBlock) with the events added since the last run.
    void Run(uint32_t frames);

    // The state interface's save and restore; the status they answer.
    int Save(SavedState& state);
    int Restore(const SavedState& state);

    UridMap urids;
    LilvWorld* world = lilv_world_new();
    const LilvPlugin* plugin = nullptr;

private:
    using Bytes = std::vector<uint8_t>;
    LilvInstance* m_instance = nullptr;
    const LV2_State_Interface* m_state = nullptr;
    std::map<uint32_t, std::vector<float>> m_audio;
    std::map<uint32_t, float> m_controls;
    std::vector<uint64_t> m_sequence = std::vector<uint64_t>(kMaxBlock); // the event port's, 8-byte aligned
    std::vector<std::tuple<int64_t, Bytes, TimeFields>> m_events;
};

// Two channels of `frames` frames, noise in [-1, 1) from `seed` for the first `burst` of them, silence after.
Channels NoiseBurst(size_t frames, size_t burst, uint32_t seed);

// An LV2 render against the VST 2.4 module's: every sample agrees within 1e-6, and the VST render is loud
// enough (its left channel's magnitudes from frame `loudFrom` on summing past 100) for that to prove
// something.
void ExpectSameSamples(const Channels& lv2, const Channels& vst, size_t loudFrom);
