// Orke Synth's parameters: the unit of each row chooses the host's mapping, its label and its display. The
// envelope times ask for a logarithmic taper, so the host's knob spends as much travel on 1 to 10 ms as on
// 1 to 10 s; the semitone rows ask for whole steps.
#include "PluginParameters.h"

const ParamInfo astParamInfos[kParameterCount] = {
    // name, unit, minimum, maximum, default (real values), then flags and steps where a row needs them
    {CFSTR("Osc 1 Wave"), kUnitIndexed, 0.0f, 3.0f, 0.0f}, // shown as "Saw", "Square", "Triangle", "Sine"
    {CFSTR("Osc 2 Wave"), kUnitIndexed, 0.0f, 3.0f, 0.0f},
    {CFSTR("Osc 2 Semis"), kUnitGeneric, -24.0f, 24.0f, 0.0f, 0, 48},
    {CFSTR("Osc 2 Detune"), kUnitCents, -50.0f, 50.0f, 7.0f},
    {CFSTR("Osc Mix"), kUnitPercent, 0.0f, 100.0f, 50.0f},
    {CFSTR("Pulse Width"), kUnitPercent, 5.0f, 95.0f, 50.0f},
    {CFSTR("Noise"), kUnitPercent, 0.0f, 100.0f, 0.0f},
    {CFSTR("Cutoff"), kUnitHertz, 20.0f, 20000.0f, 2000.0f},
    {CFSTR("Resonance"), kUnitPercent, 0.0f, 100.0f, 20.0f},
    {CFSTR("Filter Env"), kUnitPercent, -100.0f, 100.0f, 40.0f},
    {CFSTR("Key Track"), kUnitPercent, 0.0f, 100.0f, 50.0f},
    {CFSTR("Amp Attack"), kUnitSeconds, 0.001f, 10.0f, 0.005f, kParamLogTaper},
    {CFSTR("Amp Decay"), kUnitSeconds, 0.001f, 10.0f, 0.3f, kParamLogTaper},
    {CFSTR("Amp Sustain"), kUnitPercent, 0.0f, 100.0f, 80.0f},
    {CFSTR("Amp Release"), kUnitSeconds, 0.001f, 10.0f, 0.3f, kParamLogTaper},
    {CFSTR("Filt Attack"), kUnitSeconds, 0.001f, 10.0f, 0.005f, kParamLogTaper},
    {CFSTR("Filt Decay"), kUnitSeconds, 0.001f, 10.0f, 0.4f, kParamLogTaper},
    {CFSTR("Filt Sustain"), kUnitPercent, 0.0f, 100.0f, 20.0f},
    {CFSTR("Filt Release"), kUnitSeconds, 0.001f, 10.0f, 0.3f, kParamLogTaper},
    {CFSTR("Velocity"), kUnitPercent, 0.0f, 100.0f, 50.0f},
    {CFSTR("Voice Mode"), kUnitIndexed, 0.0f, 2.0f, 0.0f}, // shown as "Poly", "Mono", "Legato"
    {CFSTR("Glide"), kUnitSeconds, 0.0f, 2.0f, 0.0f},
    {CFSTR("Bend Range"), kUnitGeneric, 0.0f, 24.0f, 2.0f, 0, 24},
    {CFSTR("Volume"), kUnitDecibels, -60.0f, 0.0f, -6.0f},
};
