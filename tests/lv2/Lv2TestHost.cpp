// The in-process LV2 host and the VST 2.4 host beside it.
#include "Lv2TestHost.h"

#include "BaseHostCallback.h"
#include "EffectOpcodes.h"
#include "MidiEvents.h"

#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

UridMap::UridMap()
    : m_map{this, MapUri}
    , m_feature{LV2_URID__map, &m_map} {}

LV2_URID UridMap::Map(const char* uri) {
    const auto found = std::find(m_uris.begin(), m_uris.end(), uri);
    if (found != m_uris.end()) {
        return static_cast<LV2_URID>(found - m_uris.begin() + 1);
    }
    m_uris.emplace_back(uri);
    return static_cast<LV2_URID>(m_uris.size());
}

LV2_URID UridMap::MapUri(LV2_URID_Map_Handle handle, const char* uri) {
    return static_cast<UridMap*>(handle)->Map(uri);
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
    if (m_plugin == nullptr) {
        ADD_FAILURE() << uri << " is not in " << bundle;
        return;
    }
    const LV2_Feature* features[] = {withMap ? m_urids.Feature() : nullptr, nullptr};
    m_instance = lilv_plugin_instantiate(m_plugin, sampleRate, features);
    if (m_instance == nullptr) {
        ADD_FAILURE() << uri << " could not be instantiated";
        return;
    }
    LilvNode* audio = lilv_new_uri(m_world, LV2_CORE__AudioPort);
    LilvNode* control = lilv_new_uri(m_world, LV2_CORE__ControlPort);
    LilvNode* atom = lilv_new_uri(m_world, LV2_ATOM__AtomPort);
    const uint32_t ports = lilv_plugin_get_num_ports(m_plugin);
    std::vector<float> defaults(ports);
    lilv_plugin_get_port_ranges_float(m_plugin, nullptr, nullptr, defaults.data());
    for (uint32_t i = 0; i < ports; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(m_plugin, i);
        if (lilv_port_is_a(m_plugin, port, audio)) {
            m_audio[i].assign(kMaxBlock, 0.0f);
        } else if (lilv_port_is_a(m_plugin, port, control)) {
            m_controls[i] = defaults[i];
        } else if (lilv_port_is_a(m_plugin, port, atom)) {
            m_eventPort = static_cast<int32_t>(i);
        }
    }
    lilv_node_free(audio);
    lilv_node_free(control);
    lilv_node_free(atom);
    for (auto& [index, buffer] : m_audio) {
        lilv_instance_connect_port(m_instance, index, buffer.data());
    }
    for (auto& [index, value] : m_controls) {
        lilv_instance_connect_port(m_instance, index, &value);
    }
    if (m_eventPort >= 0) {
        lilv_instance_connect_port(m_instance, static_cast<uint32_t>(m_eventPort), m_sequence.data());
    }
    lilv_instance_activate(m_instance);
}

Lv2TestPlugin::~Lv2TestPlugin() {
    if (m_instance != nullptr) {
        lilv_instance_deactivate(m_instance);
        lilv_instance_free(m_instance);
    }
    lilv_world_free(m_world);
}

uint32_t Lv2TestPlugin::Port(const char* symbol) const {
    LilvNode* name = lilv_new_string(m_world, symbol);
    const LilvPort* port = m_plugin != nullptr ? lilv_plugin_get_port_by_symbol(m_plugin, name) : nullptr;
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
    LV2_URID_Map* map = static_cast<LV2_URID_Map*>(m_urids.Feature()->data);
    lv2_atom_forge_init(&forge, map);
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
        if (t.frame >= 0) {
            lv2_atom_forge_key(&forge, m_urids.Map(LV2_TIME__frame));
            lv2_atom_forge_long(&forge, static_cast<int64_t>(t.frame));
        }
        const std::pair<const char*, double> floats[] = {{LV2_TIME__speed, t.speed},
                                                         {LV2_TIME__barBeat, t.barBeat},
                                                         {LV2_TIME__beatsPerBar, t.beatsPerBar},
                                                         {LV2_TIME__beatsPerMinute, t.beatsPerMinute}};
        for (const auto& [key, value] : floats) {
            if (value >= 0) {
                lv2_atom_forge_key(&forge, m_urids.Map(key));
                lv2_atom_forge_float(&forge, static_cast<float>(value));
            }
        }
        if (t.bar >= 0) {
            lv2_atom_forge_key(&forge, m_urids.Map(LV2_TIME__bar));
            lv2_atom_forge_long(&forge, static_cast<int64_t>(t.bar));
        }
        if (t.beatUnit >= 0) {
            lv2_atom_forge_key(&forge, m_urids.Map(LV2_TIME__beatUnit));
            lv2_atom_forge_int(&forge, static_cast<int32_t>(t.beatUnit));
        }
        lv2_atom_forge_pop(&forge, &object);
    }
    lv2_atom_forge_pop(&forge, &sequence);
    m_events.clear();
}

void Lv2TestPlugin::Run(uint32_t frames) {
    ASSERT_TRUE(Made());
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

const LV2_State_Interface* stateOf(LilvInstance* instance) {
    return static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
}

} // namespace

int Lv2TestPlugin::Save(SavedState& state) {
    const LV2_State_Interface* interface = Made() ? stateOf(m_instance) : nullptr;
    if (interface == nullptr) {
        ADD_FAILURE() << "no state interface";
        return -1;
    }
    return interface->save(lilv_instance_get_handle(m_instance), store, &state, LV2_STATE_IS_POD, nullptr);
}

int Lv2TestPlugin::Restore(const SavedState& state) {
    const LV2_State_Interface* interface = Made() ? stateOf(m_instance) : nullptr;
    if (interface == nullptr) {
        ADD_FAILURE() << "no state interface";
        return -1;
    }
    return interface->restore(lilv_instance_get_handle(m_instance), retrieve, const_cast<SavedState*>(&state),
                              0, nullptr);
}

VstTestPlugin::VstTestPlugin(const char* path, double sampleRate)
    : m_module(path) {
    m_effect = m_module.Create(Callback);
    if (m_effect == nullptr) {
        ADD_FAILURE() << path << ": no effect (" << m_module.Error() << ")";
        return;
    }
    m_effect->user = this;
    m_effect->dispatcher(m_effect, effOpen, 0, 0, nullptr, 0.0f);
    m_effect->dispatcher(m_effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    m_effect->dispatcher(m_effect, effSetBlockSize, 0, 4096, nullptr, 0.0f);
    m_effect->dispatcher(m_effect, effMainsChanged, 0, 1, nullptr, 0.0f);
}

VstTestPlugin::~VstTestPlugin() {
    if (m_effect != nullptr) {
        m_effect->dispatcher(m_effect, effMainsChanged, 0, 0, nullptr, 0.0f);
        m_effect->dispatcher(m_effect, effClose, 0, 0, nullptr, 0.0f);
    }
}

intptr_t VstTestPlugin::Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
    auto* host = effect != nullptr ? static_cast<VstTestPlugin*>(effect->user) : nullptr;
    if (opcode == audioMasterGetTime) {
        return host != nullptr && host->m_hasTime ? reinterpret_cast<intptr_t>(&host->m_time) : 0;
    }
    return orke::BaseHostCallback(effect, opcode, index, value, ptr, opt);
}

float VstTestPlugin::RealValue(uint32_t index, float normalised) const {
    using Mapping = float (*)(float, const void*);
    const auto fromLinear = reinterpret_cast<Mapping>(m_module.Symbol("AUParameterValueFromLinear"));
    if (fromLinear == nullptr) {
        ADD_FAILURE() << "no AUParameterValueFromLinear";
        return 0.0f;
    }
    const uint32_t reference[4] = {0, index, 0, 0};
    return fromLinear(normalised, reference);
}

void VstTestPlugin::AddMidi(int64_t frame, std::vector<uint8_t> bytes) {
    m_midi.emplace_back(frame, std::move(bytes));
}

void VstTestPlugin::Render(const std::vector<float>& left, const std::vector<float>& right,
                           std::vector<float>& outLeft, std::vector<float>& outRight, size_t block) {
    ASSERT_NE(m_effect, nullptr);
    outLeft.assign(left.size(), 0.0f);
    outRight.assign(left.size(), 0.0f);
    for (size_t start = 0; start < left.size(); start += block) {
        const size_t frames = std::min(block, left.size() - start);
        float* inputs[2] = {const_cast<float*>(left.data()) + start,
                            const_cast<float*>(right.data()) + start};
        float* outputs[2] = {outLeft.data() + start, outRight.data() + start};
        MidiEvents events;
        for (const auto& [frame, bytes] : m_midi) {
            if (frame >= int64_t(start) && frame < int64_t(start + frames)) {
                events.Add(int32_t(frame - int64_t(start)), bytes[0], bytes.size() > 1 ? bytes[1] : 0,
                           bytes.size() > 2 ? bytes[2] : 0);
            }
        }
        if (!events.Empty()) {
            m_effect->dispatcher(m_effect, effProcessEvents, 0, 0, events.List(), 0.0f);
        }
        m_effect->processReplacing(m_effect, m_effect->numInputs > 0 ? inputs : nullptr, outputs,
                                   static_cast<int32_t>(frames));
        if (m_hasTime && (m_time.flags & kVstTransportPlaying) != 0) {
            m_time.samplePos += static_cast<double>(frames);
            m_time.ppqPos += static_cast<double>(frames) * m_time.tempo / (60.0 * m_time.sampleRate);
        }
    }
}
