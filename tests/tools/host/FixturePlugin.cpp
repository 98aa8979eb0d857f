// Small plug-in modules that misbehave in one way each, for the host tool's error paths. Which way is chosen
// when the module is compiled:
//   FIXTURE_NULL_RECORD  the entry answers null
//   FIXTURE_BAD_MAGIC    the entry answers a record without the effect magic
//   FIXTURE_NO_ENTRY     no entry at all
//   FIXTURE_RUDE         only the older entry name "main"; calls the host with requests it does not know,
//                        describes itself with control bytes, broken UTF-8, flags, a category and a
//                        parameter value that need escaping or have no name, crashes on a null parameter-name
//                        buffer, and names as its product what the host answered to it
//   FIXTURE_SLOPPY       a little of every fault the validator looks for
//   FIXTURE_RECKLESS     chatters on its standard output and error, throws from the vendor request,
//                        crashes on a zero-frame block at 48000 Hz, reads past the block at 96000 Hz, and at
//                        44100 Hz allocates and locks in its process calls and comes out 32 frames late
//                        while declaring 64
#include "EffectOpcodes.h"
#include "EffectRecord.h"

#include <unistd.h>

#include <cstring>
#include <initializer_list>

#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

[[maybe_unused]] AEffect* makeRecord(AEffectDispatcherProc dispatcher, AEffectProcessProc process,
                                     AEffectSetParameterProc set, AEffectGetParameterProc get,
                                     int32_t channels, int32_t flags, int32_t uniqueID) {
    static AEffect record{};
    record.magic = kEffectMagic;
    record.dispatcher = dispatcher;
    record.processReplacing = process;
    record.setParameter = set;
    record.getParameter = get;
    record.numInputs = record.numOutputs = channels;
    record.numParams = record.numPrograms = 1;
    record.flags = flags;
    record.uniqueID = uniqueID;
    return &record;
}

} // namespace

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

#include "HostOpcodes.h"

#include <cmath>
#include <cstdio>

namespace {

audioMasterCallback g_host;

intptr_t rudeDispatch(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    switch (opcode) {
    case effGetParamName:
        *static_cast<volatile char*>(ptr) = 'x'; // trusts the host's pointer, null or not
        static_cast<char*>(ptr)[1] = '\0';
        return 0;
    case effGetEffectName:
        return ptr != nullptr &&
               std::strcpy(static_cast<char*>(ptr),
                           "Rude \"fx\"\x01\xff\xc3\xa9\xc0\x80\xed\xa0\x80\xf4\x90\x80\x80\xe2\x82") !=
                   nullptr;
    case effGetProductString: { // what the host answered, for the tests to read
        char vendor[64] = {}, yes[] = "startStopProcess", no[] = "sendVstTimeInfo";
        g_host(nullptr, audioMasterGetVendorString, 0, 0, vendor, 0.0f);
        auto ask = [](int32_t request, void* p = nullptr) {
            return long(g_host(nullptr, request, 0, 0, p, 0));
        };
        std::snprintf(static_cast<char*>(ptr), 64, "%ld %ld %ld %ld %ld%ld %s", ask(audioMasterVersion),
                      ask(audioMasterGetSampleRate), ask(audioMasterGetBlockSize), ask(audioMasterGetTime),
                      ask(audioMasterCanDo, yes), ask(audioMasterCanDo, no), vendor);
        return 1;
    }
    case effGetPlugCategory:
        return 12;
    case effGetVstVersion:
        return 2400;
    default:
        return 0;
    }
}

void rudeProcess(AEffect*, float** inputs, float** outputs, int32_t frames) {
    std::memmove(outputs[0], inputs[0], sizeof(float) * static_cast<size_t>(frames > 0 ? frames : 0));
}

void rudeSet(AEffect*, int32_t, float) {}
float rudeGet(AEffect*, int32_t) {
    return std::nanf("");
}

} // namespace

// Older Linux plug-ins export their entry as "main".
FIXTURE_EXPORT AEffect* rudeMain(audioMasterCallback host) __asm__("main");
FIXTURE_EXPORT AEffect* rudeMain(audioMasterCallback host) {
    g_host = host;
    for (int32_t opcode : {5, 9, 36, 47, 999, -1}) { // requests no host knows, with a pointer not to follow
        host(nullptr, opcode, 0, 12345, reinterpret_cast<void*>(1), 0.0f);
    }
    host(nullptr, audioMasterGetVendorString, 0, 0, nullptr, 0.0f); // into no buffer
    host(nullptr, audioMasterCanDo, 0, 0, nullptr, 0.0f);
    return makeRecord(rudeDispatch, rudeProcess, rudeSet, rudeGet, 1, effFlagsCanReplacing | 0x40 | INT32_MIN,
                      0x00415C7F);
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
    case effGetVendorString:
        while (ptr == nullptr) { // never answers a vendor request without a buffer
            pause();
        }
        std::strcpy(static_cast<char*>(ptr), "Sloppy");
        return 1;
    case effSetSampleRate:
        g_sampleRate = opt;
        return 0;
    default:
        return 0;
    }
}

void sloppyProcess(AEffect*, float** inputs, float** outputs, int32_t frames) {
    for (int32_t i = 0; i < frames; ++i) {
        outputs[0][i] = g_sampleRate > 90000.0f ? 1.0f / (g_parameter - g_parameter) : inputs[0][i];
        outputs[1][i] = g_sampleRate > 90000.0f
                            ? 0.0f / (g_parameter - g_parameter) // infinities and NaN at high rates
                        : g_sampleRate > 46000.0f ? 1e-40f       // denormal
                                                  : inputs[1][i];
    }
    if (frames > 0 && g_sampleRate < 30000.0f) {
        inputs[0][0] = 0.25f; // scribbles on its input at low rates
    }
    if (frames > 0 && g_sampleRate > 44000.0f && g_sampleRate < 45000.0f) {
        outputs[0][frames] = 0.0f; // one sample past the block at 44100 Hz
    }
}

void sloppySet(AEffect*, int32_t, float value) {
    g_parameter = value;
}
float sloppyGet(AEffect*, int32_t) {
    return g_parameter * 1.5f; // beyond 1 for values above 2/3
}

} // namespace

FIXTURE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    return makeRecord(sloppyDispatch, sloppyProcess, sloppySet, sloppyGet, 2, effFlagsCanReplacing,
                      orke::fourCharCode("Slop"));
}

#elif defined(FIXTURE_RECKLESS)

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>

namespace {

constexpr int32_t kDelay = 32;
float g_sampleRate = 44100.0f;
float g_delayLine[2][kDelay];
int32_t g_delayAt = 0;
std::mutex g_mutex;
void* volatile g_kept;

intptr_t recklessDispatch(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float opt) {
    switch (opcode) {
    case effSetSampleRate:
        g_sampleRate = opt;
        return 0;
    case effGetVendorString:
        throw std::runtime_error("reckless refuses to name its vendor");
    default:
        return 0;
    }
}

void recklessProcess(AEffect*, float** inputs, float** outputs, int32_t frames) {
    if (frames == 0 && g_sampleRate == 48000.0f) {
        *static_cast<volatile int*>(nullptr) = 0;
    }
    if (g_sampleRate == 44100.0f) { // kept where the compiler must believe it is used, or it leaves it out
        std::lock_guard<std::mutex> lock(g_mutex);
        g_kept = new float[static_cast<size_t>(frames) + 1];
        delete[] static_cast<float*>(g_kept);
        g_kept = std::malloc(16);
        std::free(g_kept);
    }
    for (int32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            // One sample ahead at 96000 Hz: the last frame of a block reads past it.
            const float in = g_sampleRate == 96000.0f ? inputs[c][i + 1] : inputs[c][i];
            outputs[c][i] = g_delayLine[c][g_delayAt];
            g_delayLine[c][g_delayAt] = in;
        }
        g_delayAt = (g_delayAt + 1) % kDelay;
    }
}

void recklessSet(AEffect*, int32_t, float) {}
float recklessGet(AEffect*, int32_t) {
    return 0.5f;
}

} // namespace

FIXTURE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    for (int line = 1; line <= 7; ++line) {
        std::printf("reckless: starting up, line %d\n", line);
    }
    std::fprintf(stderr, "reckless: and a word on standard error\n");
    AEffect* record = makeRecord(recklessDispatch, recklessProcess, recklessSet, recklessGet, 2,
                                 effFlagsCanReplacing, orke::fourCharCode("Reck"));
    record->initialDelay = 2 * kDelay;
    return record;
}

#endif
