// What Orke Synth's voices aim at, in the units they compute with: made from the parameters at the start
// of a block, read by every voice as it renders.
#pragma once

#include <cstdint>

struct SynthSettings {
    // Counted up by whoever changes the rest, so that a voice reads them again only then; never 0.
    uint32_t version = 1;
    // The oscillators: their shapes (SynthWave), the second's offset in whole semitones and its detune in
    // cents, the square's part of the cycle at +1 (0.05 to 0.95), and the mix from the first (0) to the
    // second (1). The noise's level, 0 to 1, is added on top.
    int wave1 = 0, wave2 = 0;
    float semitones2 = 0.0f;
    float detune = 0.0f;
    float pulseWidth = 0.5f;
    float mix = 0.5f;
    float noise = 0.0f;
    // The low-pass: its cutoff in Hz, resonance 0 to 1 (Q 0.5 to 20), how far its envelope moves the cutoff
    // at full level (octaves, either way) and how far the cutoff follows the key (1: an octave per octave,
    // from middle C).
    float cutoff = 8000.0f;
    float resonance = 0.0f;
    float envelopeOctaves = 0.0f;
    float keyTracking = 0.0f;
    // The envelopes: stage times in seconds, sustain levels 0 to 1.
    float ampAttack = 0.005f, ampDecay = 0.2f, ampSustain = 1.0f, ampRelease = 0.2f;
    float filterAttack = 0.005f, filterDecay = 0.3f, filterSustain = 0.0f, filterRelease = 0.2f;
    // How much the velocity scales the level and the filter envelope, 0 (not at all) to 1.
    float velocity = 0.5f;
    // The time a monophonic voice takes from one note's pitch to the next, in seconds; 0: none.
    float glide = 0.0f;
};
