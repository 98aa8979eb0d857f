// The tests' LV2 host, in process: a plug-in of a built bundle loaded through lilv and driven port by port,
// with a URID map, MIDI and time positions forged into its event port, and its state interface called
// directly; beside it (HostedPlugin), the plug-in's VST 2.4 module, for renders to compare.
#pragma once

#include "HostedPlugin.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

// URIs to numbers, as a host maps them: 1, 2, ... in the order first asked.
struct UridMap {
    LV2_URID Map(const char* uri) {
        const auto found = std::find(uris.begin(), uris.end(), uri);
        if (found == uris.end()) {
            uris.emplace_back(uri);
            return static_cast<LV2_URID>(uris.size());
        }
        return static_cast<LV2_URID>(found - uris.begin() + 1);
    }
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
                  bool withMap = true) {
        lilv_world_load_bundle(world, Own(lilv_new_file_uri(world, nullptr, (bundle + "/").c_str())).get());
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world),
                                         Own(lilv_new_uri(world, uri.c_str())).get());
        const LV2_Feature* features[] = {withMap ? &urids.feature : nullptr, nullptr};
        m_instance = plugin != nullptr ? lilv_plugin_instantiate(plugin, sampleRate, features) : nullptr;
        if (m_instance == nullptr) { // the destructor is not run for an object never made
            lilv_world_free(world);
            throw std::runtime_error(
                uri + (plugin == nullptr ? " is not in " + bundle : " could not be instantiated"));
        }
        m_state = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(m_instance, LV2_STATE__interface));
        const uint32_t ports = lilv_plugin_get_num_ports(plugin);
        std::vector<float> defaults(ports);
        lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
        // The maps' elements stay where they are as others are added, so each is connected as it is made.
        for (uint32_t i = 0; i < ports; ++i) {
            const auto isA = [&](const char* kind) {
                return lilv_port_is_a(plugin, lilv_plugin_get_port_by_index(plugin, i),
                                      Own(lilv_new_uri(world, kind)).get());
            };
            if (isA(LV2_CORE__AudioPort)) {
                m_audio[i].assign(kMaxBlock, 0.0f);
                lilv_instance_connect_port(m_instance, i, m_audio[i].data());
            } else if (isA(LV2_CORE__ControlPort)) {
                m_controls[i] = defaults[i];
                lilv_instance_connect_port(m_instance, i, &m_controls[i]);
            } else if (isA(LV2_ATOM__AtomPort)) {
                lilv_instance_connect_port(m_instance, i, m_sequence.data());
            }
        }
        lilv_instance_activate(m_instance);
    }
    ~Lv2TestPlugin() {
        lilv_instance_deactivate(m_instance);
        lilv_instance_free(m_instance);
        lilv_world_free(world);
    }

    // A node freed when it goes.
    static std::unique_ptr<LilvNode, void (*)(LilvNode*)> Own(LilvNode* node) {
        return {node, lilv_node_free};
    }
    // Fails the test for an unknown symbol.
    uint32_t Port(const char* symbol) const {
        const LilvPort* port =
            lilv_plugin_get_port_by_symbol(plugin, Own(lilv_new_string(world, symbol)).get());
        EXPECT_NE(port, nullptr) << "no port " << symbol;
        return port != nullptr ? lilv_port_get_index(plugin, port) : 0;
    }
    float& Control(const char* symbol) { return m_controls[Port(symbol)]; }
    std::vector<float>& Audio(const char* symbol) { return m_audio[Port(symbol)]; }

    // Events for the next run only: a MIDI message or a time position at `frame`.
    void AddMidi(int64_t frame, std::vector<uint8_t> bytes) {
        m_events.emplace_back(frame, bytes, TimeFields{});
    }
    void AddTime(int64_t frame, const TimeFields& fields) { m_events.emplace_back(frame, Bytes{}, fields); }
    // Runs `frames` frames (at most kMaxBlock) with the events added since the last run.
    void Run(uint32_t frames) {
        ASSERT_LE(frames, kMaxBlock);
        LV2_Atom_Forge forge;
        lv2_atom_forge_init(&forge, &urids.map);
        lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(m_sequence.data()),
                                  m_sequence.size() * sizeof(uint64_t));
        LV2_Atom_Forge_Frame sequence, object;
        lv2_atom_forge_sequence_head(&forge, &sequence, 0);
        for (const auto& [frame, midi, t] : m_events) {
            lv2_atom_forge_frame_time(&forge, frame);
            if (!midi.empty()) {
                lv2_atom_forge_atom(&forge, static_cast<uint32_t>(midi.size()),
                                    urids.Map(LV2_MIDI__MidiEvent));
                lv2_atom_forge_write(&forge, midi.data(), static_cast<uint32_t>(midi.size()));
                continue;
            }
            lv2_atom_forge_object(&forge, &object, 0, urids.Map(LV2_TIME__Position));
            // Each key as the type a host forges it in: a long, a float or an int.
            // clang-format off
            const std::tuple<const char*, double, char> fields[] = {
                {LV2_TIME__frame, t.frame, 'l'}, {LV2_TIME__speed, t.speed, 'f'},
                {LV2_TIME__barBeat, t.barBeat, 'f'}, {LV2_TIME__beatsPerBar, t.beatsPerBar, 'f'},
                {LV2_TIME__beatsPerMinute, t.beatsPerMinute, 'f'}, {LV2_TIME__bar, t.bar, 'l'},
                {LV2_TIME__beatUnit, t.beatUnit, 'i'}};
            // clang-format on
            for (const auto& [key, value, kind] : fields) {
                if (value >= 0) {
                    lv2_atom_forge_key(&forge, urids.Map(key));
                    kind == 'l'   ? lv2_atom_forge_long(&forge, static_cast<int64_t>(value))
                    : kind == 'f' ? lv2_atom_forge_float(&forge, static_cast<float>(value))
                                  : lv2_atom_forge_int(&forge, static_cast<int32_t>(value));
                }
            }
            lv2_atom_forge_pop(&forge, &object);
        }
        lv2_atom_forge_pop(&forge, &sequence);
        m_events.clear();
        lilv_instance_run(m_instance, frames);
    }

    // The state interface's save and restore; the status they answer.
    int Save(SavedState& state) {
        const auto store = [](LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                              uint32_t type, uint32_t) {
            const auto* bytes = static_cast<const uint8_t*>(value);
            (*static_cast<SavedState*>(handle))[key] = {type, {bytes, bytes + size}};
            return LV2_STATE_SUCCESS;
        };
        EXPECT_NE(m_state, nullptr) << "no state interface";
        return m_state == nullptr ? -1
                                  : m_state->save(lilv_instance_get_handle(m_instance), store, &state,
                                                  LV2_STATE_IS_POD, nullptr);
    }
    int Restore(const SavedState& state) {
        const auto retrieve = [](LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                                 uint32_t* flags) -> const void* {
            const SavedState& saved = *static_cast<const SavedState*>(handle);
            const auto found = saved.find(key);
            if (found == saved.end()) {
                return nullptr;
            }
            *size = found->second.bytes.size();
            *type = found->second.type;
            *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
            static const uint8_t kNothing = 0; // an empty value is still a value
            return found->second.bytes.empty() ? &kNothing : found->second.bytes.data();
        };
        EXPECT_NE(m_state, nullptr) << "no state interface";
        return m_state == nullptr ? -1
                                  : m_state->restore(lilv_instance_get_handle(m_instance), retrieve,
                                                     const_cast<SavedState*>(&state), 0, nullptr);
    }

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
inline Channels NoiseBurst(size_t frames, size_t burst, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    Channels channels(2, std::vector<float>(frames, 0.0f));
    for (std::vector<float>& channel : channels) {
        std::generate_n(channel.begin(), burst, [&] { return noise(random); });
    }
    return channels;
}

// An LV2 render against the VST 2.4 module's: every sample agrees within 1e-6, and the VST render is loud
// enough (its left channel's magnitudes from frame `loudFrom` on summing past 100) for that to prove
// something.
inline void ExpectSameSamples(const Channels& lv2, const Channels& vst, size_t loudFrom) {
    ASSERT_EQ(lv2.size(), 2u);
    for (size_t k = 0; k < vst[0].size(); ++k) {
        if (std::fabs(lv2[0].at(k) - vst[0][k]) > 1e-6 || std::fabs(lv2[1].at(k) - vst[1][k]) > 1e-6) {
            ADD_FAILURE() << "the two formats' samples differ from frame " << k << ": " << lv2[0][k] << ", "
                          << lv2[1][k] << " against " << vst[0][k] << ", " << vst[1][k];
            break;
        }
    }
    const double energy = std::accumulate(vst[0].begin() + long(loudFrom), vst[0].end(), 0.0,
                                          [](double sum, float v) { return sum + std::fabs(v); });
    EXPECT_GT(energy, 100.0) << "the render is too quiet from frame " << loudFrom
                             << ": the comparison proves nothing";
}
