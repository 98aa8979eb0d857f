// Orke Gain: a stereo effect that changes the level of its input, and can invert its polarity. It is the
// example the guide (docs/writing-a-plugin.md) walks through: a parameter table, programs, a kernel that
// reads parameters on the audio thread, and the effect class that answers the host.
#pragma once

#include "OrkeAuBase.h"
#include "OrkeSmoothedValue.h"

class OrkeGain : public OrkeAuBase {
public:
    explicit OrkeGain(audioMasterCallback audioMaster);
    ~OrkeGain() override;

    // ---- the framework's operations ---------------------------------------------------------------------
    AUKernelBase* NewKernel() override;
    OSStatus GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) override;
    OSStatus Initialize() override;
    void Cleanup() override;
    SInt32 Version() override;

    // One channel's gain. A new gain is reached by a linear ramp over 10 ms (OrkeSmoothedValue), so that
    // automation does not click, and the ramp ends on the target itself: a settled gain of 1 leaves every
    // sample as it was.
    class CGainKernel : public AUKernelBase {
    public:
        explicit CGainKernel(OrkeGain* plugin)
            : AUKernelBase(plugin) {}

        void Reset() override;
        void Process(const float* source, float* destination, unsigned long frames, unsigned long channels,
                     bool& silence) override;

    private:
        // The factor the parameters ask for: the level in decibels as a factor, negated when inverted.
        float TargetGain() const;
        // Out of line, so that the settled path of Process stays small.
        [[gnu::noinline]] void Retarget();
        [[gnu::noinline]] void Ramp(const float* source, float* destination, unsigned long frames,
                                    unsigned long channels);

        OrkeSmoothedValue m_gain{1.0f}; // its current value was applied to the last sample
        bool m_fresh = true;            // nothing to ramp from: the first block after construction or a reset
    };
};
