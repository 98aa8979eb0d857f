// Orke Filter: a stereo effect with one resonant filter (low-pass, high-pass or band-pass) per channel.
// Beside Orke Gain it shows a kernel that keeps state from block to block and derives its work from the
// parameters and the sample rate only when they change.
#pragma once

#include "OrkeAuBase.h"

class OrkeFilter : public OrkeAuBase {
public:
    explicit OrkeFilter(audioMasterCallback audioMaster);
    ~OrkeFilter() override;

    // ---- the framework's operations ---------------------------------------------------------------------
    AUKernelBase* NewKernel() override;
    OSStatus GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) override;
    OSStatus Initialize() override;
    void Cleanup() override;
    SInt32 Version() override;

    // One channel's filter: the audio-EQ cookbook's low-pass, high-pass and band-pass responses (the bilinear
    // transform of the analogue prototypes, the cutoff matched), computed in state-variable form with
    // trapezoidal integrators. It has the same response as the cookbook's direct-form biquad, and its
    // memories stay in proportion to the signal when the host sweeps the parameters block by block.
    class CFilterKernel : public AUKernelBase {
    public:
        explicit CFilterKernel(OrkeFilter* plugin)
            : AUKernelBase(plugin) {}

        void Reset() override;
        void Process(const float* source, float* destination, unsigned long frames, unsigned long channels,
                     bool& silence) override;

    private:
        void ComputeCoefficients();

        // g = tan(pi cutoff / rate), k = 1 / Q; a1 = 1 / (1 + g (g + k)), a2 = g a1, a3 = g a2.
        double m_k = 1.0, m_a1 = 1.0, m_a2 = 0.0, m_a3 = 0.0;
        // The output mix of band-pass (v1), low-pass (v2) and input: y = input x + band v1 + low v2.
        double m_mixInput = 0.0, m_mixBand = 0.0, m_mixLow = 1.0;
        double m_ic1 = 0.0, m_ic2 = 0.0; // the two integrators' memories
    };
};
