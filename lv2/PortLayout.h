// The ports an Orke plug-in has as an LV2 plug-in, in index order: its audio inputs, its audio outputs, one
// control input per parameter (in table order), an atom input for MIDI and the host's time position when it
// takes either, and a latency output when it declares a delay. The running plug-in and the description
// written at build time count them from the same answers, so both agree.
#pragma once

#include <cstdint>

namespace orke::lv2 {

class HostedEffect;

struct PortLayout {
    uint32_t audioInputs = 0;
    uint32_t audioOutputs = 0;
    uint32_t controls = 0;
    bool midi = false;      // the plug-in takes MIDI events
    bool transport = false; // it asks for the host's transport
    bool latency = false;   // it declares a delay: in its description, or at its first program

    bool HasEventPort() const { return midi || transport; }
    uint32_t FirstControl() const { return audioInputs + audioOutputs; }
    uint32_t EventPort() const { return FirstControl() + controls; } // meaningful with HasEventPort
    uint32_t LatencyPort() const { return EventPort() + (HasEventPort() ? 1 : 0); }
    uint32_t Count() const { return LatencyPort() + (latency ? 1 : 0); }

    // [main thread] From a plug-in just made: its record, its can-do answers and its description.
    static PortLayout Of(const HostedEffect& effect);
};

} // namespace orke::lv2
