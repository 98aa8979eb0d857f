// Small plug-in modules that misbehave in one way each, for the host tool's error paths and its validator.
// Which module it is comes from how it is compiled: the family (FIXTURE, PLANTED or NOTES) and one of its
// variants.
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
// The mid/side effect below with one parameter ("Gain", "-6.0" "dB") and one fault the battery must find
// whatever ran before:
//   PLANTED_EXIT         ends the process with _exit(0) in its first process call
//   PLANTED_SLEEPY       sleeps in every process call
//   PLANTED_LONG_LABEL   writes 32 bytes into its parameter's 8-byte label
//   PLANTED_ENTRY_CRASH  crashes in its entry
// A small instrument (no inputs, two outputs: a decaying sine per note, played at the events' frames) or a
// stereo mid/side effect, each with at most one fault for the note, buffer-layout and channel set-up checks:
//   NOTES_SYNTH           the instrument, without fault
//   NOTES_CRASH           crashes on a note on
//   NOTES_ALLOCATES       allocates on each note on, and releases it when the note has died away
//   NOTES_NEVER_RELEASES  takes neither note off nor all notes off
//   NOTES_LATE_OFF        takes a note off only at the first frame of a block
//   NOTES_NULL_INPUTS     reads its input array, which it has no business with
//   NOTES_EFFECT          the effect, without fault
//   NOTES_SLIP            the effect writing the left output before the right has read the left input
//   NOTES_THIRD_OUTPUT    the effect also writing a third output, which it does not declare
//   NOTES_WIDENER         the effect declaring one input (mono to stereo) but reading a second
//   NOTES_MINOR           the effect with two minor faults: it stays at program 0 whatever program it is
//                         switched to, and its parameter set from its display text takes half the value shown
#include "Module.h"

#include <mutex>
#include <stdexcept>

#if defined(FIXTURE_NULL_RECORD)

MODULE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    return nullptr;
}

#elif defined(FIXTURE_BAD_MAGIC)

MODULE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    static AEffect record{};
    record.magic = orke::fourCharCode("Oops");
    return &record;
}

#elif defined(FIXTURE_NO_ENTRY)

MODULE_EXPORT int fixtureHasNoEntry() {
    return 1;
}

#elif defined(FIXTURE_RUDE)

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
    }
    return 0;
}

void rudeProcess(AEffect*, float** inputs, float** outputs, int32_t frames) {
    std::memmove(outputs[0], inputs[0], sizeof(float) * static_cast<size_t>(frames > 0 ? frames : 0));
}

} // namespace

// Older Linux plug-ins export their entry as "main".
MODULE_EXPORT AEffect* rudeMain(audioMasterCallback host) __asm__("main");
MODULE_EXPORT AEffect* rudeMain(audioMasterCallback host) {
    g_host = host;
    for (int32_t opcode : {5, 9, 36, 47, 999, -1}) { // requests no host knows, with a pointer not to follow
        host(nullptr, opcode, 0, 12345, reinterpret_cast<void*>(1), 0.0f);
    }
    host(nullptr, audioMasterGetVendorString, 0, 0, nullptr, 0.0f); // into no buffer
    host(nullptr, audioMasterCanDo, 0, 0, nullptr, 0.0f);
    static AEffect record = describe(
        rudeDispatch, rudeProcess, ignore, [](AEffect*, int32_t) { return std::nanf(""); }, 1, 1, 1,
        effFlagsCanReplacing | 0x40 | INT32_MIN, "\0A\\\x7F");
    return &record;
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
    }
    return 0;
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

} // namespace

MODULE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    // Its parameter reads back beyond 1 for values above 2/3.
    static AEffect record = describe(
        sloppyDispatch, sloppyProcess, [](AEffect*, int32_t, float value) { g_parameter = value; },
        [](AEffect*, int32_t) { return g_parameter * 1.5f; }, 2, 2, 1, effFlagsCanReplacing, "Slop");
    return &record;
}

#elif defined(FIXTURE_RECKLESS)

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
    }
    return 0;
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

} // namespace

MODULE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    for (int line = 1; line <= 7; ++line) {
        std::printf("reckless: starting up, line %d\n", line);
    }
    std::fprintf(stderr, "reckless: and a word on standard error\n");
    static AEffect record = describe(
        recklessDispatch, recklessProcess, ignore, [](AEffect*, int32_t) { return 0.5f; }, 2, 2, 1,
        effFlagsCanReplacing, "Reck");
    record.initialDelay = 2 * kDelay;
    return &record;
}

#elif defined(NOTES) || defined(PLANTED)

#if defined(NOTES_EFFECT) || defined(NOTES_SLIP) || defined(NOTES_THIRD_OUTPUT) || defined(NOTES_MINOR) ||   \
    defined(NOTES_WIDENER) || defined(PLANTED)
#define NOTES_IS_EFFECT 1
#endif
#if defined(PLANTED_LONG_LABEL)
constexpr size_t kLabelBytes = 32; // pads with NULs to the width it believes in
#else
constexpr size_t kLabelBytes = 3;
#endif

namespace {

struct Voice {
    int key = -1;
    bool released = false;
    float level = 0.0f, phase = 0.0f;
    float* allocated = nullptr;
};

struct Note {
    int32_t frame;
    uint8_t status, key, velocity;
};

// One instance; the record comes first, so that the record's address is the instance's.
struct Planted {
    AEffect record{};
    Voice voices[16];
    Note notes[2048];
    int noteCount = 0;
    float sampleRate = 44100.0f, parameter = 0.0f;
};

Planted& of(AEffect* effect) {
    return *reinterpret_cast<Planted*>(effect);
}

[[maybe_unused]] void answer(void* ptr, const char* text, size_t bytes) {
    if (ptr != nullptr) {
        std::strncpy(static_cast<char*>(ptr), text, bytes);
    }
}

#if !defined(NOTES_IS_EFFECT)
void start(Planted& planted, int key, float velocity) {
#if defined(NOTES_CRASH)
    *static_cast<volatile int*>(nullptr) = key;
#endif
    for (Voice& voice : planted.voices) {
        if (voice.level <= 0.0f) {
            voice = Voice{key, false, 0.2f * velocity, 0.0f, nullptr};
#if defined(NOTES_ALLOCATES)
            voice.allocated = new float[64];
#endif
            return;
        }
    }
}

// `key` -1 for every note.
void stop(Planted& planted, int key, int32_t frame) {
#if defined(NOTES_NEVER_RELEASES)
    return;
#elif defined(NOTES_LATE_OFF)
    if (frame > 0) {
        return;
    }
#endif
    (void)frame;
    for (Voice& voice : planted.voices) {
        voice.released = voice.released || key < 0 || voice.key == key;
    }
}

void play(Planted& planted, const Note& note) {
    const int kind = note.status & 0xF0;
    if (kind == 0x90 && note.velocity > 0) {
        start(planted, note.key, note.velocity / 127.0f);
    } else if (kind == 0x80 || kind == 0x90) {
        stop(planted, note.key, note.frame);
    } else if (kind == 0xB0 && (note.key == 120 || note.key == 123)) {
        stop(planted, -1, note.frame);
    }
}
#endif

intptr_t notesDispatch(AEffect* effect, int32_t opcode, int32_t, intptr_t, void* ptr, float opt) {
    Planted& planted = of(effect);
    switch (opcode) {
    case effClose:
        delete &planted;
        return 1;
    case effSetSampleRate:
        planted.sampleRate = opt;
        return 0;
    case effProcessEvents: {
        const auto* list = static_cast<const VstEvents*>(ptr);
        planted.noteCount = 0;
        for (int32_t i = 0; list != nullptr && i < list->numEvents && planted.noteCount < 2048; ++i) {
            const auto* event = reinterpret_cast<const VstMidiEvent*>(list->events[i]);
            planted.notes[planted.noteCount++] = {
                event->deltaFrames, static_cast<uint8_t>(event->midiData[0]),
                static_cast<uint8_t>(event->midiData[1]), static_cast<uint8_t>(event->midiData[2])};
        }
        return 1;
    }
    case effGetVstVersion:
        return 2400;
#if defined(PLANTED)
    case effGetParamLabel:
        answer(ptr, "dB", kLabelBytes);
        return 0;
    case effGetParamName:
        answer(ptr, "Gain", 5);
        return 0;
    case effGetParamDisplay:
        answer(ptr, "-6.0", 5);
        return 0;
#elif defined(NOTES_MINOR)
    case effGetParamDisplay:
        std::snprintf(static_cast<char*>(ptr), 8, "%.2f", static_cast<double>(planted.parameter));
        return 1;
    case effString2Parameter:
        planted.parameter = 0.5f * std::strtof(static_cast<const char*>(ptr), nullptr);
        return 1;
#endif
    }
    return 0;
}

#if defined(NOTES_IS_EFFECT)
void notesProcess(AEffect*, float** inputs, float** outputs, int32_t frames) {
#if defined(PLANTED_EXIT)
    _exit(0);
#elif defined(PLANTED_SLEEPY)
    usleep(20);
#endif
#if defined(NOTES_SLIP)
    for (int32_t i = 0; i < frames; ++i) {
        outputs[0][i] = 0.5f * (inputs[0][i] + inputs[1][i]);
    }
    for (int32_t i = 0; i < frames; ++i) {
        outputs[1][i] = 0.5f * (inputs[0][i] - inputs[1][i]);
    }
#else
    for (int32_t i = 0; i < frames; ++i) {
        const float mid = 0.5f * (inputs[0][i] + inputs[1][i]), side = 0.5f * (inputs[0][i] - inputs[1][i]);
        outputs[0][i] = mid;
        outputs[1][i] = side;
#if defined(NOTES_THIRD_OUTPUT)
        outputs[2][i] = mid + side;
#endif
    }
#endif
}
#else
void notesProcess(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
#if defined(NOTES_NULL_INPUTS)
    float* volatile first = inputs[0];
    (void)first;
#else
    (void)inputs;
#endif
    Planted& planted = of(effect);
    int next = 0;
    for (int32_t i = 0; i < frames; ++i) {
        while (next < planted.noteCount && planted.notes[next].frame <= i) {
            play(planted, planted.notes[next++]);
        }
        float sample = 0.0f;
        for (Voice& voice : planted.voices) {
            if (voice.level <= 0.0f) {
                continue;
            }
            sample += voice.level * std::sin(voice.phase);
            voice.phase = std::fmod(voice.phase + 6.2831853f * 440.0f * std::exp2((voice.key - 69) / 12.0f) /
                                                      planted.sampleRate,
                                    6.2831853f);
            if (voice.released && (voice.level *= 0.995f) < 1e-7f) {
                voice.level = 0.0f;
                delete[] voice.allocated;
                voice.allocated = nullptr;
            }
        }
        outputs[0][i] = outputs[1][i] = sample;
    }
    planted.noteCount = 0;
}
#endif

} // namespace

MODULE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
#if defined(PLANTED_ENTRY_CRASH)
    *static_cast<volatile int*>(nullptr) = 1;
#endif
#if defined(NOTES_WIDENER)
    const int32_t inputs = 1, flags = effFlagsCanReplacing;
#elif defined(NOTES_IS_EFFECT)
    const int32_t inputs = 2, flags = effFlagsCanReplacing;
#else
    const int32_t inputs = 0, flags = effFlagsCanReplacing | effFlagsIsSynth;
#endif
    auto* planted = new Planted;
    planted->record = describe(
        notesDispatch, notesProcess,
        [](AEffect* effect, int32_t, float value) { of(effect).parameter = value; },
        [](AEffect* effect, int32_t) { return of(effect).parameter; }, inputs, 2, 0, flags, "PlNt");
#if defined(NOTES_MINOR)
    planted->record.numPrograms = 2;
    planted->record.numParams = 1;
#elif defined(PLANTED)
    planted->record.numPrograms = planted->record.numParams = 1;
#endif
    return &planted->record;
}

#endif
