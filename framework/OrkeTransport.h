// The host's transport as one block sees it: tempo, musical position, time signature, play state. The
// framework asks the host once per block, for plug-ins that want it, and keeps only what the host really
// gave.
#pragma once

#include <cstdint>

struct OrkeTransport {
    // One bit per group of fields the host gave for this block; a field outside `valid` is 0 (or false).
    enum Field : uint32_t {
        kSamplePosition = 1u << 0, // samplePosition, and the play state: playing, recording, looping
        kTempo = 1u << 1,          // tempo
        kPosition = 1u << 2,       // quarterNotePosition
        kBarStart = 1u << 3,       // barStartPosition
        kTimeSignature = 1u << 4,  // timeSignatureNumerator, timeSignatureDenominator
        kLoopRange = 1u << 5,      // loopStart, loopEnd
    };

    uint32_t valid = 0;             // 0: no transport (the host gave none, or the plug-in did not ask)
    double samplePosition = 0.0;    // frames since the song's start, at the block's first frame
    double tempo = 0.0;             // quarter notes per minute, above 0
    double quarterNotePosition = 0; // quarter notes since the song's start, at the block's first frame
    double barStartPosition = 0.0;  // the quarter-note position of the current bar's first beat
    double loopStart = 0.0;         // the loop's quarter-note positions (looping says whether it plays)
    double loopEnd = 0.0;
    int32_t timeSignatureNumerator = 0; // 3 for 3/4; above 0
    int32_t timeSignatureDenominator = 0;
    bool playing = false;
    bool recording = false;
    bool looping = false;

    // Whether the host gave every field of `fields` (bits of Field) for this block.
    bool Has(uint32_t fields) const { return (valid & fields) == fields; }
    // The length of a quarter note in frames at `sampleRate`; 0 without a tempo.
    double FramesPerQuarterNote(double sampleRate) const {
        return Has(kTempo) ? sampleRate * 60.0 / tempo : 0.0;
    }
};
