// Orke Echo: a stereo ping-pong delay that follows the host's tempo. It is the guide's example of the
// whole-block path (both channels at once, in ProcessBlock), the host's transport, state kept as a chunk, a
// logarithmic taper, and a tail reported from the parameters.
#pragma once

#include "OrkeAuBase.h"
#include "PingPongDelay.h"
#include "RelaxedAtomic.h"

class OrkeEcho : public OrkeAuBase {
public:
    explicit OrkeEcho(audioMasterCallback audioMaster);
    ~OrkeEcho() override;

    // ---- the framework's operations ---------------------------------------------------------------------
    OSStatus GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) override;
    OSStatus Initialize() override;
    void Cleanup() override;
    SInt32 Version() override;

    // ---- the whole-block path ---------------------------------------------------------------------------
    void ProcessBlock(const OrkeBlock& block) override;
    void Reset() override;
    // The echoes ring until they fall below -120 dB: more round trips the more feedback.
    int32_t Tail() override;

    // The delay's length in quarter notes for each of the Note parameter's values, and their names.
    static const double kNoteLengths[12];

private:
    // The delay the parameters and the host's tempo ask for, in frames at `sampleRate`.
    double DelayFrames(const OrkeTransport& transport, float sampleRate) const;

    PingPongDelay m_delay;
    double m_tempoInUse = 0.0; // the host's tempo the delay was last set for
    // The delay in frames, for Tail on the main thread; 32 bits, so that it is lock-free on every processor.
    orke::RelaxedAtomic<float> m_delayInUse{24000.0f};
};
