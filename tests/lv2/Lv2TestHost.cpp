// The in-process LV2 host, and what its renders are compared with.
#include "Lv2TestHost.h"

#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <stdexcept>

LV2_URID UridMap::Map(const char* uri) {
    const auto found = std::find(uris.begin(), uris.end(), uri);
    if (found == uris.end()) {
        uris.emplace_back(uri);
        return static_cast<LV2_URID>(uris.size());
    }
    return static_cast<LV2_URID>(found - uris.begin() + 1);
}

Lv2TestPlugin::Lv2TestPlugin(const std::string& bundle, const std::string& uri, double sampleRate,
                             bool withMap) {
    const auto node = [&](LilvNode* made, auto use) {
        const auto result = use(made);
        lilv_node_free(made);
        return result;
    };
    node(lilv_new_file_uri(world, nullptr, (bundle + "/").c_str()),
         [&](LilvNode* n) { return lilv_world_load_bundle(world, n), 0; });
    plugin = node(lilv_new_uri(world, uri.c_str()),
                  [&](LilvNode* n) { return lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), n); });
    const LV2_Feature* features[] = {withMap ? &urids.feature : nullptr, nullptr};
    m_instance = plugin != nullptr ? lilv_plugin_instantiate(plugin, sampleRate, features) : nullptr;
    if (m_instance == nullptr) { // the destructor is not run for an object never made
        lilv_world_free(world);
        throw std::runtime_error(uri +
                                 (plugin == nullptr ? " is not in " + bundle : " could not be instantiated"));
    }
    m_state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(m_instance, LV2_STATE__interface));
    const uint32_t ports = lilv_plugin_get_num_ports(plugin);
    std::vector<float> defaults(ports);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    // The maps' elements stay where they are as others are added, so each is connected as it is made.
    for (uint32_t i = 0; i < ports; ++i) {
        const auto isA = [&](const char* kind) {
            return node(lilv_new_uri(world, kind), [&](LilvNode* n) {
                return lilv_port_is_a(plugin, lilv_plugin_get_port_by_index(plugin, i), n);
            });
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

Lv2TestPlugin::~Lv2TestPlugin() {
    lilv_instance_deactivate(m_instance);
    lilv_instance_free(m_instance);
    lilv_world_free(world);
}

uint32_t Lv2TestPlugin::Port(const char* symbol) const {
    LilvNode* name = lilv_new_string(world, symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, name);
    lilv_node_free(name);
    EXPECT_NE(port, nullptr) << "no port " << symbol;
    return port != nullptr ? lilv_port_get_index(plugin, port) : 0;
}

void Lv2TestPlugin::Run(uint32_t frames) {
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
            lv2_atom_forge_atom(&forge, static_cast<uint32_t>(midi.size()), urids.Map(LV2_MIDI__MidiEvent));
            lv2_atom_forge_write(&forge, midi.data(), static_cast<uint32_t>(midi.size()));
            continue;
        }
        lv2_atom_forge_object(&forge, &object, 0, urids.Map(LV2_TIME__Position));
        // Each key as the type a host forges it in: a long, a float or an int.
        const std::tuple<const char*, double, char> fields[] = {
            {LV2_TIME__frame, t.frame, 'l'},
            {LV2_TIME__speed, t.speed, 'f'},
            {LV2_TIME__barBeat, t.barBeat, 'f'},
            {LV2_TIME__beatsPerBar, t.beatsPerBar, 'f'},
            {LV2_TIME__beatsPerMinute, t.beatsPerMinute, 'f'},
            {LV2_TIME__bar, t.bar, 'l'},
            {LV2_TIME__beatUnit, t.beatUnit, 'i'}};
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

int Lv2TestPlugin::Save(SavedState& state) {
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

int Lv2TestPlugin::Restore(const SavedState& state) {
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

Channels NoiseBurst(size_t frames, size_t burst, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    Channels channels(2, std::vector<float>(frames, 0.0f));
    for (std::vector<float>& channel : channels) {
        std::generate_n(channel.begin(), burst, [&] { return noise(random); });
    }
    return channels;
}

void ExpectSameSamples(const Channels& lv2, const Channels& vst, size_t loudFrom) {
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
