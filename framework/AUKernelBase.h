// A processing kernel: one per output channel, made by the framework through NewKernel. Kernel i processes
// input i into output i; a kernel whose channel has no input reads silence.
#pragma once

#include <cstdint>

class OrkeAuBase;
struct OrkeTransport;

class AUKernelBase {
public:
    explicit AUKernelBase(OrkeAuBase* owner)
        : m_owner(owner) {}
    // [main thread] when the plug-in is closed.
    virtual ~AUKernelBase() = default;

    AUKernelBase(const AUKernelBase&) = delete;
    AUKernelBase& operator=(const AUKernelBase&) = delete;

    // [audio thread] Clears whatever the kernel carries from one block to the next (filter memories, ramps).
    // The framework calls it at the start of the first block after the host resumed the plug-in or changed
    // the sample rate, before Process and with GetSampleRate already answering the new rate.
    virtual void Reset() {}

    // [audio thread: no allocation, no lock] Reads `frames` samples from `source` and writes `frames` samples
    // to `destination`; the two may be the same buffer. `channels` is the interleaving of both buffers (the
    // framework always passes 1). `silence` is shared by the kernels of one block.
    virtual void Process(const float* source, float* destination, unsigned long frames,
                         unsigned long channels, bool& silence) = 0;

    // ---- what a kernel reads while it processes [audio thread]: no lock, no allocation -----------------
    // (Defined in OrkeAuBase.h, which a kernel's source includes.)
    // The real value of a parameter in the current program; 0 for a number outside the table.
    float GetParameter(int index) const;
    // True when a parameter may have changed since the previous call: on the first call, after the framework
    // reset the kernel, and after any parameter was set or the program switched. One atomic load when
    // nothing changed, so a kernel can ask every block and recompute what it derives from its parameters
    // only when this answers true.
    bool ParametersChanged();
    // The sample rate the kernel renders at, in Hz.
    float GetSampleRate() const { return m_sampleRate; }
    // The host's transport at the start of the block being processed, for a plug-in that asks for it
    // (kOrkeWantsTransport); without it, or when the host gives none, no field is valid.
    const OrkeTransport& GetTransport() const;

protected:
    OrkeAuBase* m_owner; // not owned

private:
    friend class OrkeAuBase;
    // Written only by the framework, before a kernel's first block and on the audio thread after that.
    float m_sampleRate = 44100.0f;
    uint32_t m_seenChanges = 0;
    bool m_changesForced = true;
};
