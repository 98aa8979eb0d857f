// The effect record shared with the host, and the function types that cross the boundary.
//
// Thread vocabulary of the interface's comments (the shell adds its own, in AudioEffectBase.h):
//   [audio thread]           the host's processing thread; nothing there allocates, locks or throws
//   [any thread]             any host thread, also while audio is processed
//   [between open and close] after effOpen and before effClose
//   [suspended]              after effMainsChanged with value 0 (or before the first resume)
//
// Error contract: an entry answers 0 for "not handled", 1/0 for a boolean, and counts, versions and pointers
// as they are. No C++ exception ever crosses the boundary.
#pragma once

#include "FourCharCode.h"

#include <cstddef>
#include <cstdint>

struct AEffect;

// The host callback: (record, opcode, index, value, ptr, opt) -> answer. `value` and the answer are
// pointer-sized. The record is null only for the version query that the entry makes before any object exists.
typedef intptr_t (*audioMasterCallback)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                        void* ptr, float opt);

typedef intptr_t (*AEffectDispatcherProc)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                          void* ptr, float opt);
typedef void (*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames);
typedef void (*AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                         int32_t sampleFrames);
typedef void (*AEffectSetParameterProc)(AEffect* effect, int32_t index, float value);
typedef float (*AEffectGetParameterProc)(AEffect* effect, int32_t index);

// The record. It is embedded in the effect object, so its address is stable from creation until the host's
// close request, after which the host must not touch it. Every field is written only by the plug-in.
struct AEffect {
    int32_t magic;                        // kEffectMagic ('VstP')
    AEffectDispatcherProc dispatcher;     // numbered requests [any thread]
    AEffectProcessProc process;           // deprecated accumulating process [audio thread]
    AEffectSetParameterProc setParameter; // normalised 0..1 [any thread]
    AEffectGetParameterProc getParameter; // normalised 0..1 [any thread]
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;         // EffectFlags
    intptr_t reserved1;    // the host's; zero
    intptr_t reserved2;    // the host's; zero
    int32_t initialDelay;  // latency in sample frames
    int32_t realQualities; // deprecated
    int32_t offQualities;  // deprecated
    float ioRatio;         // deprecated
    void* object;          // the owning effect object; the plug-in's, never the host's
    void* user;            // the host's own pointer; the plug-in never reads it
    int32_t uniqueID;      // four-character code
    int32_t version;
    AEffectProcessProc processReplacing;             // 32-bit float samples [audio thread]
    AEffectProcessDoubleProc processDoubleReplacing; // 64-bit float samples [audio thread]
    char reserved[56];                               // zero
};

inline constexpr int32_t kEffectMagic = orke::fourCharCode("VstP");
inline constexpr int32_t kNoEffectId = orke::fourCharCode("NoEf");
inline constexpr int32_t kEffectIdentity = orke::fourCharCode("NvEf");
// The codes are numbers, not bytes in memory: the same on either byte order.
static_assert(kEffectMagic == 0x56737450 && kNoEffectId == 0x4E6F4566 && kEffectIdentity == 0x4E764566);

enum EffectFlags : int32_t {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1, // deprecated
    effFlagsHasVu = 1 << 2,   // deprecated
    effFlagsCanMono = 1 << 3, // deprecated
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,   // deprecated
    effFlagsExtHasBuffer = 1 << 11, // deprecated
    effFlagsCanDoubleReplacing = 1 << 12,
};

// The layout is the interface: pointer-sized fields follow the pointer width, everything else is fixed.
static_assert(sizeof(AEffect::reserved) == 56);
#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(AEffect) == 192, "AEffect is 192 bytes on 64-bit processors");
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, reserved1) == 64);
static_assert(offsetof(AEffect, reserved2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, reserved) == 136);
#elif INTPTR_MAX == INT32_MAX
static_assert(sizeof(AEffect) == 144, "AEffect is 144 bytes on 32-bit processors");
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 4);
static_assert(offsetof(AEffect, process) == 8);
static_assert(offsetof(AEffect, setParameter) == 12);
static_assert(offsetof(AEffect, getParameter) == 16);
static_assert(offsetof(AEffect, numPrograms) == 20);
static_assert(offsetof(AEffect, numParams) == 24);
static_assert(offsetof(AEffect, numInputs) == 28);
static_assert(offsetof(AEffect, numOutputs) == 32);
static_assert(offsetof(AEffect, flags) == 36);
static_assert(offsetof(AEffect, reserved1) == 40);
static_assert(offsetof(AEffect, reserved2) == 44);
static_assert(offsetof(AEffect, initialDelay) == 48);
static_assert(offsetof(AEffect, realQualities) == 52);
static_assert(offsetof(AEffect, offQualities) == 56);
static_assert(offsetof(AEffect, ioRatio) == 60);
static_assert(offsetof(AEffect, object) == 64);
static_assert(offsetof(AEffect, user) == 68);
static_assert(offsetof(AEffect, uniqueID) == 72);
static_assert(offsetof(AEffect, version) == 76);
static_assert(offsetof(AEffect, processReplacing) == 80);
static_assert(offsetof(AEffect, processDoubleReplacing) == 84);
static_assert(offsetof(AEffect, reserved) == 88);
#else
#error "The effect record is defined for 32-bit and 64-bit processors only"
#endif
