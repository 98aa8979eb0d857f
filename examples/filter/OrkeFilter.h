// Orke Filter: a stereo effect with one resonant filter (low-pass, high-pass or band-pass) per channel.
// Beside Orke Gain it shows a kernel that keeps state from block to block and derives its work from the
// parameters and the sample rate only when they change.
#pragma once

#include "OrkeAuBase.h"

class OrkeFilter : public OrkeAuBase {
public:
    explicit OrkeFilter(audioMasterCallback audioMaster);
    ~OrkeFilter() override;

    // ---- the host's view --------------------------------------------------------------------------------
    bool getEffectName(char* name) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override;
    int32_t getPlugCategory() override;

    // ---- the framework's operations ---------------------------------------------------------------------
    AUKernelBase* NewKernel() override;
    OSStatus GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) override;
    OSStatus Initialize() override;
    void Cleanup() override;
    SInt32 Version() override;

    // One channel's biquad (the audio-EQ cookbook's forms), in transposed direct form II with double
    // precision coefficients and memories, so that low cutoffs at high sample rates stay accurate.
    class CFilterKernel : public AUKernelBase {
    public:
        explicit CFilterKernel(OrkeFilter* plugin)
            : AUKernelBase(plugin) {}

        void Reset() override;
        void Process(const float* source, float* destination, unsigned long frames, unsigned long channels,
                     bool& silence) override;

    private:
        void ComputeCoefficients();

        // y = b0 x + z1; z1 = b1 x - a1 y + z2; z2 = b2 x - a2 y (a0 divided out).
        double m_b0 = 1.0, m_b1 = 0.0, m_b2 = 0.0, m_a1 = 0.0, m_a2 = 0.0;
        double m_z1 = 0.0, m_z2 = 0.0;
    };
};
