// Small plug-in modules that misbehave in one way each, for the host tool's error paths. Which way is chosen
// when the module is compiled:
//   FIXTURE_NULL_RECORD  the entry answers null
//   FIXTURE_BAD_MAGIC    the entry answers a record without the effect magic
//   FIXTURE_NO_ENTRY     no entry at all
//   FIXTURE_RUDE         only the older entry name "main"; calls the host with requests it does not know,
//                        names itself with bytes that need escaping, and crashes on a null parameter-name
//                        buffer
#include "EffectOpcodes.h"
#include "EffectRecord.h"

#include <cstring>
#include <initializer_list>

#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))

#if defined(FIXTURE_NULL_RECORD)

FIXTURE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    return nullptr;
}

#elif defined(FIXTURE_BAD_MAGIC)

FIXTURE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    static AEffect record{};
    record.magic = orke::fourCharCode("Oops");
    return &record;
}

#elif defined(FIXTURE_NO_ENTRY)

FIXTURE_EXPORT int fixtureHasNoEntry() {
    return 1;
}

#elif defined(FIXTURE_RUDE)

namespace {

intptr_t dispatch(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    switch (opcode) {
    case effGetParamName:
        *static_cast<volatile char*>(ptr) = 'x'; // trusts the host's pointer, null or not
        static_cast<char*>(ptr)[1] = '\0';
        return 0;
    case effGetEffectName:
        if (ptr != nullptr) {
            std::strcpy(static_cast<char*>(ptr), "Rude \"fx\"\x01\xff");
            return 1;
        }
        return 0;
    case effGetVstVersion:
        return 2400;
    default:
        return 0;
    }
}

void processReplacing(AEffect*, float** inputs, float** outputs, int32_t frames) {
    std::memmove(outputs[0], inputs[0], sizeof(float) * static_cast<size_t>(frames > 0 ? frames : 0));
}

void setParameter(AEffect*, int32_t, float) {}
float getParameter(AEffect*, int32_t) {
    return 0.5f;
}

AEffect* rudeEntry(audioMasterCallback host) {
    // Requests no host knows, and a vendor string asked into no buffer.
    for (int32_t opcode : {5, 9, 36, 47, 999, -1}) {
        host(nullptr, opcode, 0, 0, nullptr, 0.0f);
    }
    host(nullptr, 32, 0, 0, nullptr, 0.0f);
    static AEffect record{};
    record.magic = kEffectMagic;
    record.dispatcher = dispatch;
    record.setParameter = setParameter;
    record.getParameter = getParameter;
    record.processReplacing = processReplacing;
    record.numInputs = 1;
    record.numOutputs = 1;
    record.numParams = 1;
    record.flags = effFlagsCanReplacing;
    record.uniqueID = orke::fourCharCode("Rude");
    return &record;
}

} // namespace

// Older Linux plug-ins export their entry as "main".
FIXTURE_EXPORT AEffect* rudeMain(audioMasterCallback host) __asm__("main");
FIXTURE_EXPORT AEffect* rudeMain(audioMasterCallback host) {
    return rudeEntry(host);
}

#elif defined(FIXTURE_SLOPPY)

namespace {

float g_sampleRate = 44100.0f;
float g_parameter = 0.0f;
intptr_t g_program = 0;

intptr_t sloppyDispatch(AEffect*, int32_t opcode, int32_t, intptr_t value, void* ptr, float opt) {
    switch (opcode) {
    case effSetProgram:
        g_program = value; // takes any number, also one beyond its programs
        return 0;
    case effGetProgram:
        return g_program;
    case effGetParamName:
        std::strcpy(static_cast<char*>(ptr), "a name far too long for its field");
        return 0;
    case effGetVendorString: {
        volatile bool waiting = ptr == nullptr; // never answers a vendor request without a buffer
        while (waiting) {
        }
        std::strcpy(static_cast<char*>(ptr), "Sloppy");
        return 1;
    }
    case effSetSampleRate:
        g_sampleRate = opt;
        return 0;
    default:
        return 0;
    }
}

void sloppyProcess(AEffect*, float** inputs, float** outputs, int32_t frames) {
    for (int32_t i = 0; i < frames; ++i) {
        outputs[0][i] = inputs[0][i];
        if (g_sampleRate > 90000.0f) {
            outputs[1][i] = 0.0f / (g_parameter - g_parameter); // NaN at high rates
        } else if (g_sampleRate > 46000.0f) {
            outputs[1][i] = 1e-40f; // denormal
        } else {
            outputs[1][i] = inputs[1][i];
        }
    }
    if (frames > 0 && g_sampleRate < 30000.0f) {
        inputs[0][0] = 0.25f; // scribbles on its input at low rates
    }
    if (frames > 0 && g_sampleRate < 45000.0f && g_sampleRate > 44000.0f) {
        outputs[0][frames] = 0.0f; // one sample past the block at 44100 Hz
    }
}

void sloppySetParameter(AEffect*, int32_t, float value) {
    g_parameter = value;
}
float sloppyGetParameter(AEffect*, int32_t) {
    return g_parameter * 1.5f;
} // beyond 1 for values above 2/3

} // namespace

FIXTURE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    static AEffect record{};
    record.magic = kEffectMagic;
    record.dispatcher = sloppyDispatch;
    record.setParameter = sloppySetParameter;
    record.getParameter = sloppyGetParameter;
    record.processReplacing = sloppyProcess;
    record.numInputs = 2;
    record.numOutputs = 2;
    record.numParams = 1;
    record.numPrograms = 1;
    record.flags = effFlagsCanReplacing;
    record.uniqueID = orke::fourCharCode("Slop");
    return &record;
}

#endif
