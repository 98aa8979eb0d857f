// The LV2 instance: ports, activation and the run that drives the plug-in's record.
#include "Lv2Plugin.h"

#include "ControlValues.h"
#include "EffectOpcodes.h"
#include "OrkeAuBase.h"

#include "lv2/atom/util.h"
#include "lv2/urid/urid.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace orke::lv2 {

namespace {

const LV2_URID_Map* mapOf(const LV2_Feature* const* features) {
    for (const LV2_Feature* const* feature = features; feature != nullptr && *feature != nullptr; ++feature) {
        if (std::strcmp((*feature)->URI, LV2_URID__map) == 0) {
            return static_cast<const LV2_URID_Map*>((*feature)->data);
        }
    }
    return nullptr;
}

// How many bytes a MIDI channel message has, by its status byte; 0 for anything else (SysEx, real-time and
// system messages, stray data bytes), which the plug-in does not take.
uint32_t channelMessageSize(uint8_t status) {
    if (status < 0x80 || status >= 0xF0) {
        return 0;
    }
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

} // namespace

Lv2Plugin::Lv2Plugin(double sampleRate, const LV2_Feature* const* features)
    : m_effect(sampleRate, static_cast<int32_t>(kMaxPart))
    , m_uris(mapOf(features))
    , m_time(m_uris) {
    if (!m_effect.Valid()) {
        return;
    }
    m_layout = PortLayout::Of(m_effect);
    const uint32_t audio = m_layout.audioInputs + m_layout.audioOutputs;
    m_audio.reset(new float*[audio + 1]());
    m_controls.reset(new const float*[m_layout.controls + 1]());
    m_seen.reset(new float[m_layout.controls + 1]);
    std::fill_n(m_seen.get(), m_layout.controls + 1, std::numeric_limits<float>::quiet_NaN());
    m_inputs.reset(new float*[m_layout.audioInputs + 1]());
    m_outputs.reset(new float*[m_layout.audioOutputs + 1]());
    m_silence.reset(new float[kMaxPart]());
    m_discarded.reset(new float[kMaxPart * (m_layout.audioOutputs + 1)]());
    const OrkeEffectDescription* description = m_effect.Plugin().Description();
    m_eventCapacity = static_cast<uint32_t>(
        description != nullptr && description->eventCapacity > 0 ? description->eventCapacity : 512);
    m_midi.reset(new VstMidiEvent[m_eventCapacity]());
    m_object.reset(new uint64_t[kObjectBytes / sizeof(uint64_t)]());
    m_eventListBytes.reset(new unsigned char[kEventListHeaderSize + m_eventCapacity * sizeof(VstEvent*)]());
    m_eventList = reinterpret_cast<VstEvents*>(m_eventListBytes.get());
    for (uint32_t i = 0; i < m_eventCapacity; ++i) {
        m_eventList->events[i] = reinterpret_cast<VstEvent*>(&m_midi[i]);
    }
}

void Lv2Plugin::Connect(uint32_t port, void* data) {
    if (port < m_layout.FirstControl()) {
        m_audio[port] = static_cast<float*>(data);
    } else if (port < m_layout.EventPort()) {
        m_controls[port - m_layout.FirstControl()] = static_cast<const float*>(data);
    } else if (m_layout.HasEventPort() && port == m_layout.EventPort()) {
        m_events = data;
    } else if (m_layout.latency && port == m_layout.LatencyPort()) {
        m_latency = static_cast<float*>(data);
    }
}

void Lv2Plugin::Activate() {
    m_effect.Resume();
}

void Lv2Plugin::Deactivate() {
    m_effect.Suspend();
}

void Lv2Plugin::ApplyControls() {
    AEffect* record = m_effect.Record();
    for (uint32_t i = 0; i < m_layout.controls; ++i) {
        const float* port = m_controls[i];
        if (port == nullptr) {
            continue;
        }
        const float value = *port;
        // Unchanged since the last run (or not a number at all): nothing to do.
        if (value == m_seen[i] || std::isnan(value)) {
            continue;
        }
        m_seen[i] = value;
        const auto index = static_cast<int32_t>(i);
        record->setParameter(record, index, NormalisedValue(index, value));
    }
}

void Lv2Plugin::SeeCurrentValues() {
    for (uint32_t i = 0; i < m_layout.controls; ++i) {
        m_seen[i] = m_effect.Plugin().GetParameterValue(static_cast<int32_t>(i));
    }
}

void Lv2Plugin::Midi(const uint8_t* bytes, uint32_t bytesSize, uint32_t frame) {
    const uint32_t size = bytesSize > 0 ? channelMessageSize(bytes[0]) : 0;
    if (size == 0 || bytesSize < size || m_eventList->numEvents >= static_cast<int32_t>(m_eventCapacity)) {
        return; // not one the plug-in takes, or more than a block holds: left out
    }
    VstMidiEvent& midi = m_midi[m_eventList->numEvents++];
    midi = VstMidiEvent{};
    midi.type = kVstMidiType;
    midi.byteSize = sizeof(VstMidiEvent);
    midi.deltaFrames = static_cast<int32_t>(frame);
    for (uint32_t k = 0; k < size; ++k) {
        midi.midiData[k] = static_cast<char>(bytes[k]);
    }
}

void Lv2Plugin::Process(uint32_t offset, uint32_t frames) {
    for (uint32_t c = 0; c < m_layout.audioInputs; ++c) {
        float* port = m_audio[c];
        m_inputs[c] = port != nullptr ? port + offset : m_silence.get();
    }
    for (uint32_t c = 0; c < m_layout.audioOutputs; ++c) {
        float* port = m_audio[m_layout.audioInputs + c];
        m_outputs[c] = port != nullptr ? port + offset : m_discarded.get() + c * kMaxPart;
    }
    if (m_layout.midi && m_eventList->numEvents > 0) {
        m_effect.Dispatch(effProcessEvents, 0, 0, m_eventList);
    }
    m_effect.SetTimeInfo(m_layout.transport ? m_time.Info(m_effect.SampleRate()) : nullptr);
    AEffect* record = m_effect.Record();
    record->processReplacing(record, m_inputs.get(), m_outputs.get(), static_cast<int32_t>(frames));
    m_eventList->numEvents = 0;
}

// The host's sequence is read through copies of its records: a host may hand a buffer aligned to less than
// the 8 bytes the atom records ask for. Nothing is read past the sequence's own size.
bool Lv2Plugin::SequenceReader::Start(const void* port, const Uris& uris) {
    m_at = m_end = nullptr;
    if (port == nullptr || !uris.known) {
        return false;
    }
    LV2_Atom head;
    std::memcpy(&head, port, sizeof(head));
    if (head.type != uris.atomSequence || head.size < sizeof(LV2_Atom_Sequence_Body)) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(port);
    m_at = bytes + sizeof(LV2_Atom_Sequence);
    m_end = bytes + sizeof(LV2_Atom) + head.size;
    return true;
}

bool Lv2Plugin::SequenceReader::Peek(Event& event) const {
    if (m_at == nullptr || static_cast<size_t>(m_end - m_at) < sizeof(LV2_Atom_Event)) {
        return false;
    }
    LV2_Atom_Event head;
    std::memcpy(&head, m_at, sizeof(head));
    if (static_cast<size_t>(m_end - m_at) - sizeof(head) < head.body.size) {
        return false;
    }
    event = {head.time.frames, head.body.type, head.body.size, m_at + sizeof(head.time)};
    return true;
}

void Lv2Plugin::SequenceReader::Next(const Event& event) {
    m_at += lv2_atom_pad_size(static_cast<uint32_t>(sizeof(LV2_Atom_Event) + event.size));
}

// The block goes to the plug-in in parts: a new part starts where the host's time position changes, so that
// each process call sees the transport of its first frame, and after kMaxPart frames. MIDI events go with
// the part they fall in, at their frames within it.
void Lv2Plugin::Run(uint32_t frames) {
    ApplyControls();
    SequenceReader reader;
    reader.Start(m_events, m_uris);
    uint32_t done = 0;
    SequenceReader::Event event;
    while (done < frames) {
        uint32_t end = std::min(frames, done + kMaxPart);
        m_eventList->numEvents = 0;
        for (; reader.Peek(event); reader.Next(event)) {
            const int64_t at = std::min<int64_t>(std::max<int64_t>(event.frame, done), frames - 1);
            if (at >= end) {
                break;
            }
            const auto* body = event.atom + sizeof(LV2_Atom);
            if (event.type == m_uris.midiEvent) {
                if (m_layout.midi) {
                    Midi(body, event.size, static_cast<uint32_t>(at) - done);
                }
                continue;
            }
            const bool object = event.type == m_uris.atomObject || event.type == m_uris.atomBlank;
            if (!object || event.size < sizeof(LV2_Atom_Object_Body) ||
                sizeof(LV2_Atom) + event.size > kObjectBytes) {
                continue;
            }
            // An aligned copy of the object, which lv2_atom_object_get reads field by field.
            std::memcpy(m_object.get(), event.atom, sizeof(LV2_Atom) + event.size);
            const auto* copy = reinterpret_cast<const LV2_Atom_Object*>(m_object.get());
            if (copy->body.otype != m_uris.timePosition) {
                continue;
            }
            if (at > done) {
                end = static_cast<uint32_t>(at); // this part ends where the new position starts
                break;
            }
            m_time.Read(copy);
        }
        Process(done, end - done);
        m_time.Advance(end - done, m_effect.SampleRate());
        done = end;
    }
    if (m_latency != nullptr) {
        *m_latency = static_cast<float>(m_effect.Record()->initialDelay);
    }
}

} // namespace orke::lv2
