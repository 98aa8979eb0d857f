// Orke Synth's parameter table. The framework is compiled against this header: it sizes every program by
// kParameterCount and reads the rows of astParamInfos by number.
#pragma once

#include "ParamInfo.h"

// The parameter numbers, in table order; the host sees the same numbers.
enum SynthParameter : int {
    kWave1,          // indexed: the first oscillator's SynthWave (saw, square, triangle, sine)
    kWave2,          // indexed: the second oscillator's
    kSemitones2,     // -24 to 24 in whole steps: the second oscillator's offset in semitones
    kDetune,         // cents, -50 to 50: the second oscillator's fine offset
    kMix,            // percent: 0 only the first oscillator, 100 only the second
    kPulseWidth,     // percent, 5 to 95: the squares' part of the cycle at the top
    kNoise,          // percent: white noise added to the oscillators
    kCutoff,         // hertz, 20 to 20000: the low-pass
    kResonance,      // percent: Q from 0.5 to 20
    kFilterEnvelope, // percent, -100 to 100: the filter envelope's swing of the cutoff, 100 = 8 octaves
    kKeyTracking,    // percent: 100 moves the cutoff an octave with each octave of the key
    kAmpAttack,      // seconds, 1 ms to 10 s on a logarithmic taper
    kAmpDecay,       // seconds, likewise
    kAmpSustain,     // percent
    kAmpRelease,     // seconds, likewise
    kFilterAttack,   // the filter envelope's, likewise
    kFilterDecay,
    kFilterSustain,
    kFilterRelease,
    kVelocity,  // percent: how much the velocity scales the level and the filter envelope
    kVoiceMode, // indexed: kPoly, kMono or kLegato below
    kGlide,     // seconds, 0 to 2: the monophonic voice's time from one pitch to the next
    kBendRange, // 0 to 24 in whole steps: the wheel's reach in semitones either way
    kVolume,    // decibels, -60 to 0
};

enum SynthVoiceMode : int { kPoly, kMono, kLegato };

inline constexpr int kParameterCount = 24;

extern const ParamInfo astParamInfos[kParameterCount];
