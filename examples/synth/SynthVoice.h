// One voice of Orke Synth: two oscillators and noise, a resonant low-pass with its envelope, and an
// amplitude envelope, computed frame by frame so that the sound depends only on the frames the notes arrive
// at, never on where the host's blocks begin or end.
#pragma once

#include "Envelope.h"
#include "LowPass.h"
#include "OrkeSmoothedValue.h"
#include "OrkeVoices.h"
#include "Oscillator.h"
#include "SynthSettings.h"

#include <cstdint>

class SynthVoice : public OrkeVoice {
public:
    // How long a stolen voice, or every voice at all sound off, takes to fall silent.
    static constexpr double kFadeSeconds = 0.005;

    explicit SynthVoice(const SynthSettings& settings)
        : m_settings(&settings) {}

    // ---- what the voices tell it [audio thread] -----------------------------------------------------------
    void Start(OrkeVoiceStart how, bool glide);
    void Release();
    void Fade();
    void Stop();
    bool IsSounding() const { return !m_amp.IsIdle(); }
    void Render(float* const* outputs, int32_t channels, int32_t begin, int32_t end);

private:
    // The settings' values the ramps aim at, read at the start of every Render and when a note starts: the
    // wheel always, the rest when their version is new.
    void Aim();
    // Every ramp on its target at once: the first frame of a note from silence.
    void JumpToTargets();
    // The oscillators' increments and the key's octaves from middle C, from the pitch as it is now.
    void UpdatePitch();
    double NextFrame();

    const SynthSettings* m_settings; // owned by the plug-in, fixed while the voice renders
    Oscillator m_osc1, m_osc2;
    LowPass m_filter;
    Envelope m_amp, m_cutoffEnvelope;
    // Smoothed settings: the oscillators' mix, detune, width and noise; the filter's cutoff (in octaves),
    // resonance, envelope depth and key tracking; the sustain levels; the velocity's part of both.
    OrkeSmoothedValue m_mix, m_detune, m_width, m_noise;
    OrkeSmoothedValue m_cutoffOctaves, m_resonance, m_envelopeOctaves, m_keyTracking;
    OrkeSmoothedValue m_ampSustain, m_filterSustain;
    OrkeSmoothedValue m_velocityLevel, m_velocityDepth;
    OrkeSmoothedValue m_bend;  // semitones
    float m_cutoffSeen = 0.0f; // the cutoff in Hz that m_cutoffOctaves aims at
    // The note's pitch without the wheel (a key number with a fraction), gliding towards Key().
    double m_notePitch = 60.0, m_glideFrom = 60.0;
    int32_t m_glideFrames = 0, m_glideDone = 0;
    // Derived from the pitch and the filter's inputs, recomputed only when those move.
    double m_increment1 = 0.0, m_increment2 = 0.0, m_keyOctaves = 0.0;
    double m_filterOctaves = -1.0, m_resonanceSeen = -1.0; // what the filter was last tuned for
    uint32_t m_settingsSeen = 0;                           // the settings' version the last Aim took
    // The settings that are not smoothed, as the last Aim found them.
    int m_wave1 = 0, m_wave2 = 0;
    double m_semitones2 = 0.0;
    uint32_t m_noiseState = 1;
};
