// A small stereo effect that halves its input, with one fault planted where orke-host is meant to find it;
// which one is chosen when the module is compiled:
//   PLANTED_EXIT         ends the process with _exit(0) in its first process call
//   PLANTED_SLEEPY       sleeps in every process call
//   PLANTED_LONG_LABEL   writes 32 bytes into its parameter's 8-byte label
//   PLANTED_ENTRY_CRASH  crashes in its entry
#include "EffectOpcodes.h"
#include "EffectRecord.h"

#include <unistd.h>

#include <cstring>

namespace {

intptr_t dispatch(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    if (ptr == nullptr) {
        return 0;
    }
    switch (opcode) {
    case effGetParamLabel:
#if defined(PLANTED_LONG_LABEL)
        std::strncpy(static_cast<char*>(ptr), "dB", 32); // pads with NULs to the width it believes in
#else
        std::strcpy(static_cast<char*>(ptr), "dB");
#endif
        return 0;
    case effGetParamName:
        std::strcpy(static_cast<char*>(ptr), "Gain");
        return 0;
    case effGetParamDisplay:
        std::strcpy(static_cast<char*>(ptr), "-6.0");
        return 0;
    case effGetVstVersion:
        return 2400;
    default:
        return 0;
    }
}

void process(AEffect*, float** inputs, float** outputs, int32_t frames) {
#if defined(PLANTED_EXIT)
    _exit(0);
#elif defined(PLANTED_SLEEPY)
    usleep(20);
#endif
    for (int c = 0; c < 2; ++c) {
        for (int32_t i = 0; i < frames; ++i) {
            outputs[c][i] = 0.5f * inputs[c][i];
        }
    }
}

void setParameter(AEffect*, int32_t, float) {}
float getParameter(AEffect*, int32_t) {
    return 0.5f;
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
#if defined(PLANTED_ENTRY_CRASH)
    *static_cast<volatile int*>(nullptr) = 1;
#endif
    static AEffect record{};
    record.magic = kEffectMagic;
    record.dispatcher = dispatch;
    record.processReplacing = process;
    record.setParameter = setParameter;
    record.getParameter = getParameter;
    record.numParams = record.numPrograms = 1;
    record.numInputs = record.numOutputs = 2;
    record.flags = effFlagsCanReplacing;
    record.uniqueID = orke::fourCharCode("Plnt");
    return &record;
}
