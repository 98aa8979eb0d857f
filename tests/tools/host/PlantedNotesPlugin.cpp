// A small instrument (no inputs, two outputs: a decaying sine per note, played at the events' frames) or a
// stereo mid/side effect, each with at most one fault planted where the note, buffer-layout and channel
// set-up checks are meant to find it; which one is chosen when the module is compiled:
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
#include "EffectOpcodes.h"
#include "EffectRecord.h"
#include "VstRecords.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(NOTES_EFFECT) || defined(NOTES_SLIP) || defined(NOTES_THIRD_OUTPUT) || defined(NOTES_MINOR) ||   \
    defined(NOTES_WIDENER)
#define NOTES_IS_EFFECT 1
#endif

namespace {

struct Voice {
    int key = -1;
    bool released = false;
    float level = 0.0f;
    float phase = 0.0f;
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
    float sampleRate = 44100.0f;
    float parameter = 0.0f;
};

Planted& of(AEffect* effect) {
    return *reinterpret_cast<Planted*>(effect);
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
#endif
#if defined(NOTES_LATE_OFF)
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

intptr_t dispatch(AEffect* effect, int32_t opcode, int32_t, intptr_t, void* ptr, float opt) {
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
        for (int32_t i = 0; i < list->numEvents && planted.noteCount < 2048; ++i) {
            const auto* event = reinterpret_cast<const VstMidiEvent*>(list->events[i]);
            planted.notes[planted.noteCount++] = {
                event->deltaFrames, static_cast<uint8_t>(event->midiData[0]),
                static_cast<uint8_t>(event->midiData[1]), static_cast<uint8_t>(event->midiData[2])};
        }
        return 1;
    }
    case effGetVstVersion:
        return 2400;
#if defined(NOTES_MINOR)
    case effGetParamDisplay:
        std::snprintf(static_cast<char*>(ptr), 8, "%.2f", static_cast<double>(planted.parameter));
        return 1;
    case effString2Parameter:
        planted.parameter = 0.5f * std::strtof(static_cast<const char*>(ptr), nullptr);
        return 1;
#endif
    default:
        return 0;
    }
}

#if defined(NOTES_IS_EFFECT)
void process(AEffect*, float** inputs, float** outputs, int32_t frames) {
#if defined(NOTES_SLIP)
    for (int32_t i = 0; i < frames; ++i) {
        outputs[0][i] = 0.5f * (inputs[0][i] + inputs[1][i]);
    }
    for (int32_t i = 0; i < frames; ++i) {
        outputs[1][i] = 0.5f * (inputs[0][i] - inputs[1][i]);
    }
#else
    for (int32_t i = 0; i < frames; ++i) {
        const float mid = 0.5f * (inputs[0][i] + inputs[1][i]);
        const float side = 0.5f * (inputs[0][i] - inputs[1][i]);
        outputs[0][i] = mid;
        outputs[1][i] = side;
#if defined(NOTES_THIRD_OUTPUT)
        outputs[2][i] = mid + side;
#endif
    }
#endif
}
#else
void process(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
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

void setParameter(AEffect* effect, int32_t, float value) {
    of(effect).parameter = value;
}
float getParameter(AEffect* effect, int32_t) {
    return of(effect).parameter;
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
    auto* planted = new Planted;
    AEffect& record = planted->record;
    record.magic = kEffectMagic;
    record.dispatcher = dispatch;
    record.processReplacing = process;
    record.setParameter = setParameter;
    record.getParameter = getParameter;
#if defined(NOTES_WIDENER)
    record.numInputs = 1;
    record.flags = effFlagsCanReplacing;
#elif defined(NOTES_IS_EFFECT)
    record.numInputs = 2;
    record.flags = effFlagsCanReplacing;
#else
    record.flags = effFlagsCanReplacing | effFlagsIsSynth;
#endif
    record.numOutputs = 2;
#if defined(NOTES_MINOR)
    record.numPrograms = 2;
    record.numParams = 1;
#endif
    record.uniqueID = orke::fourCharCode("PlNt");
    return &record;
}
