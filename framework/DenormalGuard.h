// Flush-to-zero and denormals-are-zero for the span of one block, the caller's mode restored after. A
// feedback path decaying towards silence would otherwise spend its last seconds on denormal numbers, which
// some processors compute a hundred times slower.
#pragma once

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

class OrkeDenormalGuard {
public:
#if defined(__SSE2__)
    // MXCSR bits: flush-to-zero (15) and denormals-are-zero (6). The register is written only when the
    // host's mode lacks them, since a write costs more than a read.
    static constexpr unsigned kFlushBits = 0x8040;

    OrkeDenormalGuard()
        : m_saved(_mm_getcsr()) {
        if ((m_saved & kFlushBits) != kFlushBits) {
            _mm_setcsr(m_saved | kFlushBits);
        }
    }
    ~OrkeDenormalGuard() {
        if ((m_saved & kFlushBits) != kFlushBits) {
            _mm_setcsr(m_saved);
        }
    }

private:
    unsigned m_saved;
#else
    // Elsewhere nothing is switched. PowerPC's scalar unit computes denormals in hardware, and its vector
    // unit already flushes them in its non-Java mode, which Linux turns on for every thread.
    OrkeDenormalGuard() {} // user-provided, so that an unused guard draws no warning
#endif

public:
    OrkeDenormalGuard(const OrkeDenormalGuard&) = delete;
    OrkeDenormalGuard& operator=(const OrkeDenormalGuard&) = delete;
};
