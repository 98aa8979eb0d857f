// One instance of an Orke plug-in as an LV2 host sees it: the ports of its PortLayout, connected by the host,
// and a run that hands the plug-in its changed parameters, its MIDI events and the host's time position, then
// processes the block through the plug-in's record. Everything run needs is made when the instance is.
#pragma once

#include "HostedEffect.h"
#include "PortLayout.h"
#include "TimePosition.h"
#include "Uris.h"

#include "lv2/atom/atom.h"
#include "lv2/core/lv2.h"
#include "lv2/state/state.h"

#include <cstdint>
#include <memory>

namespace orke::lv2 {

class Lv2Plugin {
public:
    // The largest part of a block the plug-in is handed at once; longer blocks are processed in parts.
    static constexpr uint32_t kMaxPart = 4096;

    // [main thread] instantiate: the plug-in made at `sampleRate`, with the host's features (a URID map
    // makes the event port and the state work; none is required). Valid is false when it could not be made.
    Lv2Plugin(double sampleRate, const LV2_Feature* const* features);

    Lv2Plugin(const Lv2Plugin&) = delete;
    Lv2Plugin& operator=(const Lv2Plugin&) = delete;

    bool Valid() const { return m_effect.Valid(); }
    const PortLayout& Layout() const { return m_layout; }

    // [audio thread] connect_port: ports out of the layout are ignored.
    void Connect(uint32_t port, void* data);
    // [main thread] activate and deactivate: the plug-in resumed and suspended.
    void Activate();
    void Deactivate();
    // [audio thread] run: no allocation, no lock.
    void Run(uint32_t frames);

    // [main thread] The state interface: the plug-in's chunk, or its values and program. Restore refuses a
    // state that is truncated, of another plug-in or of another form, and then changes nothing.
    LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

private:
    void ApplyControls();
    // The parameters' values as the plug-in now holds them count as seen, so that ports already at those
    // values change nothing.
    void SeeCurrentValues();
    void Process(uint32_t offset, uint32_t frames);
    // Adds a MIDI channel message to the part's list, `frame` frames into the part.
    void Midi(const uint8_t* bytes, uint32_t size, uint32_t frame);

    // The events of the host's sequence, in order, each read whole from a copy of its header.
    class SequenceReader {
    public:
        struct Event {
            int64_t frame;
            uint32_t type;
            uint32_t size;       // of the body
            const uint8_t* atom; // the event's atom: its header, then its body
        };
        // False, with no events, for no port, no map or a port holding no sequence.
        bool Start(const void* port, const Uris& uris);
        // The event at hand; false past the last whole one.
        bool Peek(Event& event) const;
        void Next(const Event& event);

    private:
        const uint8_t* m_at = nullptr;
        const uint8_t* m_end = nullptr;
    };

    HostedEffect m_effect;
    PortLayout m_layout;
    Uris m_uris;
    TimePosition m_time;

    std::unique_ptr<float*[]> m_audio;          // audioInputs + audioOutputs, as the host connected them
    std::unique_ptr<const float*[]> m_controls; // one per parameter
    const void* m_events = nullptr;             // the host's sequence, aligned as the host aligned it
    float* m_latency = nullptr;

    std::unique_ptr<float[]> m_seen; // the control values last handed to the plug-in (NaN: none yet)

    // What one process call gets: the channel arrays (silence and a discarded buffer stand in for ports the
    // host left unconnected) and the MIDI events of the part, in a list made here with room for as many as
    // the plug-in takes in one block.
    uint32_t m_eventCapacity = 0;
    std::unique_ptr<float*[]> m_inputs;
    std::unique_ptr<float*[]> m_outputs;
    std::unique_ptr<float[]> m_silence;
    std::unique_ptr<float[]> m_discarded;
    std::unique_ptr<VstMidiEvent[]> m_midi;
    // A time position is read from an aligned copy of it; larger objects are not positions a host sends.
    static constexpr size_t kObjectBytes = 1024;
    std::unique_ptr<uint64_t[]> m_object;
    std::unique_ptr<unsigned char[]> m_eventListBytes;
    VstEvents* m_eventList = nullptr;
};

} // namespace orke::lv2
