// A processing kernel: one per output channel, made by the framework through NewKernel.
#pragma once

class OrkeAuBase;

class AUKernelBase {
public:
    explicit AUKernelBase(OrkeAuBase* owner)
        : m_owner(owner) {}
    virtual ~AUKernelBase() = default;

    AUKernelBase(const AUKernelBase&) = delete;
    AUKernelBase& operator=(const AUKernelBase&) = delete;

    // Clears whatever the kernel carries from one block to the next.
    virtual void Reset() {}

    // Reads `frames` samples from `source` and writes `frames` samples to `destination`; the two may be the
    // same buffer. `channels` is the interleaving of both buffers (the framework always passes 1). `silence`
    // is shared by the kernels of one block. [audio thread: no allocation, no lock]
    virtual void Process(const float* source, float* destination, unsigned long frames,
                         unsigned long channels, bool& silence) = 0;

protected:
    OrkeAuBase* m_owner; // not owned
};
