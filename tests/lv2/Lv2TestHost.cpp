// The in-process LV2 host, and what its renders are compared with.
#include "Lv2TestHost.h"

#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <tuple>

UridMap::UridMap()
    : m_map{this,
            [](void* self, const char* uri) {
                return static_cast<UridMap*>(self)->Map(uri);
            }}
    , m_feature{LV2_URID__map, &m_map} {}

LV2_URID UridMap::Map(const char* uri) {
    const auto found = std::find(m_uris.begin(), m_uris.end(), uri);
    if (found != m_uris.end()) {
        return static_cast<LV2_URID>(found - m_uris.begin() + 1);
    }
    m_uris.emplace_back(uri);
    return static_cast<LV2_URID>(m_uris.size());
}

Lv2TestPlugin::Lv2TestPlugin(const std::string& bundle, const std::string& uri, double sampleRate,
                             bool withMap)
    : m_world(lilv_world_new())
    , m_sequence(kMaxBlock) {
    LilvNode* bundleUri = lilv_new_file_uri(m_world, nullptr, (bundle + "/").c_str());
    lilv_world_load_bundle(m_world, bundleUri);
    lilv_node_free(bundleUri);
    LilvNode* pluginUri = lilv_new_uri(m_world, uri.c_str());
    m_plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(m_world), pluginUri);
    lilv_node_free(pluginUri);
    const LV2_Feature* features[] = {withMap ? m_urids.Feature() : nullptr, nullptr};
    m_instance = m_plugin != nullptr ? lilv_plugin_instantiate(m_plugin, sampleRate, features) : nullptr;
    if (m_instance == nullptr) { // the destructor is not run for an object never made
        lilv_world_free(m_world);
        throw std::runtime_error(
            uri + (m_plugin == nullptr ? " is not in " + bundle : " could not be instantiated"));
    }
    const auto isA = [&](const LilvPort* port, const char* kind) {
        LilvNode* node = lilv_new_uri(m_world, kind);
        const bool is = lilv_port_is_a(m_plugin, port, node);
        lilv_node_free(node);
        return is;
    };
    const uint32_t ports = lilv_plugin_get_num_ports(m_plugin);
    std::vector<float> defaults(ports);
    lilv_plugin_get_port_ranges_float(m_plugin, nullptr, nullptr, defaults.data());
    // The maps' elements stay where they are as others are added, so each is connected as it is made.
    for (uint32_t i = 0; i < ports; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(m_plugin, i);
        if (isA(port, LV2_CORE__AudioPort)) {
            m_audio[i].assign(kMaxBlock, 0.0f);
            lilv_instance_connect_port(m_instance, i, m_audio[i].data());
        } else if (isA(port, LV2_CORE__ControlPort)) {
            m_controls[i] = defaults[i];
            lilv_instance_connect_port(m_instance, i, &m_controls[i]);
        } else if (isA(port, LV2_ATOM__AtomPort)) {
            m_eventPort = static_cast<int32_t>(i);
            lilv_instance_connect_port(m_instance, i, m_sequence.data());
        }
    }
    lilv_instance_activate(m_instance);
}

Lv2TestPlugin::~Lv2TestPlugin() {
    lilv_instance_deactivate(m_instance);
    lilv_instance_free(m_instance);
    lilv_world_free(m_world);
}

uint32_t Lv2TestPlugin::Port(const char* symbol) const {
    LilvNode* name = lilv_new_string(m_world, symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(m_plugin, name);
    lilv_node_free(name);
    if (port == nullptr) {
        ADD_FAILURE() << "no port " << symbol;
        return 0;
    }
    return lilv_port_get_index(m_plugin, port);
}

void Lv2TestPlugin::AddMidi(int64_t frame, std::vector<uint8_t> bytes) {
    m_events.push_back({frame, std::move(bytes), {}});
}

void Lv2TestPlugin::AddTime(int64_t frame, const TimeFields& fields) {
    m_events.push_back({frame, {}, fields});
}

void Lv2TestPlugin::ForgeEvents() {
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, static_cast<LV2_URID_Map*>(m_urids.Feature()->data));
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(m_sequence.data()),
                              m_sequence.size() * sizeof(uint64_t));
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    const LV2_URID midi = m_urids.Map(LV2_MIDI__MidiEvent);
    for (const Event& event : m_events) {
        lv2_atom_forge_frame_time(&forge, event.frame);
        if (!event.midi.empty()) {
            lv2_atom_forge_atom(&forge, static_cast<uint32_t>(event.midi.size()), midi);
            lv2_atom_forge_write(&forge, event.midi.data(), static_cast<uint32_t>(event.midi.size()));
            continue;
        }
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_object(&forge, &object, 0, m_urids.Map(LV2_TIME__Position));
        const TimeFields& t = event.time;
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
                lv2_atom_forge_key(&forge, m_urids.Map(key));
                kind == 'l'   ? lv2_atom_forge_long(&forge, static_cast<int64_t>(value))
                : kind == 'f' ? lv2_atom_forge_float(&forge, static_cast<float>(value))
                              : lv2_atom_forge_int(&forge, static_cast<int32_t>(value));
            }
        }
        lv2_atom_forge_pop(&forge, &object);
    }
    lv2_atom_forge_pop(&forge, &sequence);
    m_events.clear();
}

void Lv2TestPlugin::Run(uint32_t frames) {
    ASSERT_LE(frames, kMaxBlock);
    if (m_eventPort >= 0) {
        ForgeEvents();
    }
    lilv_instance_run(m_instance, frames);
}

namespace {

LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
                       uint32_t) {
    SavedProperty& property = (*static_cast<SavedState*>(handle))[key];
    property.type = type;
    const auto* bytes = static_cast<const uint8_t*>(value);
    property.bytes.assign(bytes, bytes + size);
    return LV2_STATE_SUCCESS;
}

const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
    const SavedState& state = *static_cast<const SavedState*>(handle);
    const auto found = state.find(key);
    if (found == state.end()) {
        return nullptr;
    }
    *size = found->second.bytes.size();
    *type = found->second.type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    static const uint8_t kNothing = 0; // an empty value is still a value
    return found->second.bytes.empty() ? &kNothing : found->second.bytes.data();
}

} // namespace

const LV2_State_Interface* Lv2TestPlugin::StateInterface() const {
    const auto* interface = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(m_instance, LV2_STATE__interface));
    EXPECT_NE(interface, nullptr) << "no state interface";
    return interface;
}

int Lv2TestPlugin::Save(SavedState& state) {
    const LV2_State_Interface* interface = StateInterface();
    return interface == nullptr ? -1
                                : interface->save(lilv_instance_get_handle(m_instance), store, &state,
                                                  LV2_STATE_IS_POD, nullptr);
}

int Lv2TestPlugin::Restore(const SavedState& state) {
    const LV2_State_Interface* interface = StateInterface();
    return interface == nullptr ? -1
                                : interface->restore(lilv_instance_get_handle(m_instance), retrieve,
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
    double largest = 0.0, energy = 0.0;
    size_t firstDifference = vst[0].size();
    for (size_t k = 0; k < vst[0].size(); ++k) {
        const double difference = std::max(std::fabs(double(lv2[0].at(k)) - vst[0][k]),
                                           std::fabs(double(lv2[1].at(k)) - vst[1][k]));
        if (difference > 1e-6 && firstDifference == vst[0].size()) {
            firstDifference = k;
        }
        largest = std::max(largest, difference);
        energy += k >= loudFrom ? std::fabs(vst[0][k]) : 0.0;
    }
    EXPECT_LE(largest, 1e-6) << "the two formats' samples differ from frame " << firstDifference;
    EXPECT_GT(energy, 100.0) << "the render is too quiet from frame " << loudFrom
                             << ": the comparison proves nothing";
}
