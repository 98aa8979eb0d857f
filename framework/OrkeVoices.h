// The voices of an instrument: a fixed set of the plug-in's own voice objects that the notes are dealt to
// (note on and off, the sustain pedal, pitch bend, all notes off, all sound off) and that are rendered over
// the frames between one note event and the next. Polyphonic (a free voice per note, the oldest stolen when
// none is free) or monophonic (last-note priority, optionally legato). Header only, and independent of the
// parameter table. Thread tags are those of AudioEffectBase.h.
//
// A plug-in's voice class derives from OrkeVoice and supplies these operations, all [audio thread], none
// allowed to allocate or lock:
//   void Start(OrkeVoiceStart how, bool glide)  a note begins on this voice; Key(), Velocity(), PitchBend()
//                                               and SampleRate() already answer for it. `how` says whether
//                                               the voice was silent (kFresh: start from silence), sounding
//                                               and struck again (kRetrigger: envelopes restart from the
//                                               level they are at, so nothing clicks) or moved to another key
//                                               with its envelopes left running (kLegato). `glide` is true
//                                               when a monophonic voice goes on from the note it was playing
//                                               (it may glide from that pitch).
//   void Release()                              the note ended (key up, pedal up): begin the release.
//   void Fade()                                 end within a few milliseconds without a click: the voice was
//                                               stolen, or all sound was turned off.
//   void Stop()                                 silence at once and forget the note (resume, new sample
//   rate). bool IsSounding() const                     false once a release or fade has reached silence. void
//   Render(float* const* outputs, int32_t channels, int32_t begin, int32_t end)
//                                               add frames begin to end - 1 of the voice to the outputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

// How a note begins on a voice (see Start above).
enum class OrkeVoiceStart { kFresh, kRetrigger, kLegato };

// What the voices tell each voice about its note; the plug-in's voice class reads it while it renders.
class OrkeVoice {
public:
    int Key() const { return m_key; }               // the MIDI key, 0 to 127
    int Velocity() const { return m_velocity; }     // 1 to 127
    float PitchBend() const { return m_pitchBend; } // in semitones: the wheel times the bend range
    double SampleRate() const { return m_sampleRate; }
    // The pitch to sound as a key number with a fraction: the key moved by the wheel.
    double Pitch() const { return m_key + double(m_pitchBend); }

private:
    template <class>
    friend class OrkeVoices;
    int m_key = 60;
    int m_velocity = 0;
    float m_pitchBend = 0.0f;
    double m_sampleRate = 44100.0;
};

template <class Voice>
class OrkeVoices {
    static_assert(std::is_base_of<OrkeVoice, Voice>::value, "a voice class derives from OrkeVoice");

public:
    // [main thread] At most `polyphony` notes sound together. As many voices again are made for notes that
    // fade out after being stolen, so that a new note starts at its own frame while the stolen one fades
    // beside it, instead of waiting for the fade or cutting it short: a whole chord can replace a whole
    // chord without a click. `voiceArguments` go to every voice's constructor. Nothing is allocated later.
    template <class... Arguments>
    explicit OrkeVoices(int polyphony, Arguments&&... voiceArguments)
        : m_polyphony(polyphony > 0 ? polyphony : 1) {
        m_voices.reserve(size_t(2 * m_polyphony));
        for (int k = 0; k < 2 * m_polyphony; ++k) {
            m_voices.emplace_back(voiceArguments...);
        }
        m_slots.resize(m_voices.size());
    }

    OrkeVoices(const OrkeVoices&) = delete;
    OrkeVoices& operator=(const OrkeVoices&) = delete;

    // ---- notes [audio thread] --------------------------------------------------------------------------
    // A key outside 0 to 127 is ignored; velocity 0 ends the note, as MIDI's note on with velocity 0 does.
    void NoteOn(int key, int velocity) {
        if (key < 0 || key > 127) {
            return;
        }
        if (velocity <= 0) {
            NoteOff(key);
            return;
        }
        velocity = velocity > 127 ? 127 : velocity;
        if (m_monophonic) {
            MonoNoteOn(key, velocity);
        } else {
            PolyNoteOn(key, velocity);
        }
    }
    // Under the sustain pedal the note keeps sounding until the pedal lifts.
    void NoteOff(int key) {
        if (m_monophonic) {
            MonoNoteOff(key);
            return;
        }
        for (size_t k = 0; k < m_slots.size(); ++k) {
            if (m_slots[k].state == kHeld && m_voices[k].m_key == key) {
                EndNote(k);
            }
        }
    }
    void SetSustain(bool down) {
        m_sustain = down;
        if (!down) {
            for (size_t k = 0; k < m_slots.size(); ++k) {
                if (m_slots[k].state == kSustained) {
                    Release(k);
                }
            }
        }
    }
    // The wheel, -1 to 1 (held there); every voice hears it at once, as the wheel times the range.
    void SetPitchBend(float wheel) {
        m_wheel = wheel < -1.0f ? -1.0f : wheel > 1.0f ? 1.0f : wheel;
        TellPitchBend();
    }
    // The bend at full wheel, in semitones.
    void SetPitchBendRange(float semitones) {
        m_bendRange = semitones;
        TellPitchBend();
    }
    // Every note is released, those the pedal holds too, and the pedal counts as lifted until it is pressed
    // again: the host sends this when it stops, and a stuck note must not outlive it.
    void AllNotesOff() {
        m_sustain = false;
        m_heldCount = 0;
        for (size_t k = 0; k < m_slots.size(); ++k) {
            if (m_slots[k].state == kHeld || m_slots[k].state == kSustained) {
                Release(k);
            }
        }
    }
    // Every voice fades out within its few milliseconds; the pedal stays as it is.
    void AllSoundOff() {
        m_heldCount = 0;
        for (size_t k = 0; k < m_slots.size(); ++k) {
            if (m_slots[k].state != kIdle && m_slots[k].state != kFading) {
                Fade(k);
            }
        }
    }
    // Monophonic: one note at a time, the last key pressed; when it is lifted the latest key still held
    // sounds again. Legato: a key pressed or returned to while another is held changes the pitch without
    // restarting the envelopes. Changing between polyphonic and monophonic releases every note.
    void SetMonophonic(bool monophonic, bool legato) {
        if (monophonic != m_monophonic) {
            AllNotesOff();
            m_monophonic = monophonic;
            m_monoSlot = -1;
        }
        m_legato = legato;
    }

    // ---- the stream [audio thread, or suspended] ---------------------------------------------------------
    // Every voice stops at once and forgets its note: the stream starts again (a resume), so nothing of the
    // old one may sound. The pedal and the wheel stay where they are.
    void Reset() {
        for (size_t k = 0; k < m_slots.size(); ++k) {
            m_voices[k].Stop();
            m_slots[k].state = kIdle;
        }
        m_heldCount = 0;
        m_monoSlot = -1;
    }
    // A new sample rate: every voice is told and stopped.
    void SetSampleRate(double sampleRate) {
        for (Voice& voice : m_voices) {
            voice.m_sampleRate = sampleRate;
        }
        Reset();
    }

    // ---- rendering [audio thread] ------------------------------------------------------------------------
    // Adds frames begin to end - 1 of every sounding voice to the outputs, always in the same voice order,
    // so that the sum of a frame does not depend on where the host's blocks begin. A released or fading
    // voice that has reached silence is free again afterwards.
    void Render(float* const* outputs, int32_t channels, int32_t begin, int32_t end) {
        for (size_t k = 0; k < m_slots.size(); ++k) {
            if (m_slots[k].state == kIdle) {
                continue;
            }
            m_voices[k].Render(outputs, channels, begin, end);
            if ((m_slots[k].state == kReleased || m_slots[k].state == kFading) && !m_voices[k].IsSounding()) {
                m_slots[k].state = kIdle;
            }
        }
    }
    // True while any voice sounds: the instrument's tail.
    bool IsSounding() const {
        for (const Slot& slot : m_slots) {
            if (slot.state != kIdle) {
                return true;
            }
        }
        return false;
    }

    // ---- the voices themselves [any thread] ------------------------------------------------------------
    // All the voices made, twice the polyphony; their number never changes.
    int VoiceCount() const { return int(m_voices.size()); }
    Voice& VoiceAt(int index) { return m_voices[size_t(index)]; }
    const Voice& VoiceAt(int index) const { return m_voices[size_t(index)]; }
    int Polyphony() const { return m_polyphony; }

private:
    enum State : uint8_t {
        kIdle,      // free
        kHeld,      // its key is down
        kSustained, // its key is up, the pedal holds it
        kReleased,  // in its release
        kFading,    // stolen or sound off: ending within milliseconds
    };
    struct Slot {
        State state = kIdle;
        uint32_t order = 0; // when its note began, or its fade: smaller is older
    };
    struct HeldKey {
        uint8_t key, velocity;
    };

    // Whether a is older than b; the counts may wrap around.
    static bool Older(uint32_t a, uint32_t b) { return int32_t(a - b) < 0; }

    void TellPitchBend() {
        const float semitones = m_wheel * m_bendRange;
        for (Voice& voice : m_voices) {
            voice.m_pitchBend = semitones;
        }
    }

    void Begin(size_t slot, int key, int velocity, OrkeVoiceStart how, bool glide) {
        m_voices[slot].m_key = key;
        m_voices[slot].m_velocity = velocity;
        m_slots[slot].state = kHeld;
        m_slots[slot].order = m_order++;
        m_voices[slot].Start(how, glide);
    }
    void Release(size_t slot) {
        m_slots[slot].state = kReleased;
        m_voices[slot].Release();
    }
    void Fade(size_t slot) {
        m_slots[slot].state = kFading;
        m_slots[slot].order = m_order++;
        m_voices[slot].Fade();
    }
    // A key went up: the pedal may hold its note.
    void EndNote(size_t slot) {
        if (m_sustain) {
            m_slots[slot].state = kSustained;
        } else {
            Release(slot);
        }
    }

    // The oldest slot in `state`, or -1.
    int Oldest(State state) const {
        int oldest = -1;
        for (size_t k = 0; k < m_slots.size(); ++k) {
            if (m_slots[k].state == state &&
                (oldest < 0 || Older(m_slots[k].order, m_slots[size_t(oldest)].order))) {
                oldest = int(k);
            }
        }
        return oldest;
    }
    // A free slot for a new note. When every slot is busy (more notes stolen within a fade than there are
    // voices), the fade that began first is cut short: it has come furthest towards silence.
    size_t FreeSlot() {
        for (size_t k = 0; k < m_slots.size(); ++k) {
            if (m_slots[k].state == kIdle) {
                return k;
            }
        }
        const auto slot = size_t(Oldest(kFading));
        m_voices[slot].Stop();
        m_slots[slot].state = kIdle;
        return slot;
    }

    void PolyNoteOn(int key, int velocity) {
        // The key struck again while its note still sounds: the same voice plays it, from where its
        // envelopes are, so notes of one key never pile up under the pedal.
        for (size_t k = 0; k < m_slots.size(); ++k) {
            const State state = m_slots[k].state;
            if ((state == kHeld || state == kSustained || state == kReleased) && m_voices[k].m_key == key) {
                Begin(k, key, velocity, OrkeVoiceStart::kRetrigger, false);
                return;
            }
        }
        int sounding = 0;
        for (const Slot& slot : m_slots) {
            sounding += slot.state == kHeld || slot.state == kSustained || slot.state == kReleased;
        }
        if (sounding >= m_polyphony) {
            // The least missed goes first: a note in its release, then one the pedal holds, then a key
            // still down; the oldest of its kind.
            int victim = Oldest(kReleased);
            victim = victim >= 0 ? victim : Oldest(kSustained);
            victim = victim >= 0 ? victim : Oldest(kHeld);
            Fade(size_t(victim));
        }
        Begin(FreeSlot(), key, velocity, OrkeVoiceStart::kFresh, false);
    }

    // The held keys, in the order they were pressed; each key at most once.
    void ForgetHeldKey(int key) {
        int kept = 0;
        for (int k = 0; k < m_heldCount; ++k) {
            if (m_held[k].key != key) {
                m_held[kept++] = m_held[k];
            }
        }
        m_heldCount = kept;
    }
    bool MonoVoiceSounds() const {
        if (m_monoSlot < 0) {
            return false;
        }
        const State state = m_slots[size_t(m_monoSlot)].state;
        return state == kHeld || state == kSustained || state == kReleased;
    }
    void MonoNoteOn(int key, int velocity) {
        const bool keyWasHeld = m_heldCount > 0;
        ForgetHeldKey(key);
        m_held[m_heldCount++] = {uint8_t(key), uint8_t(velocity)};
        if (MonoVoiceSounds()) {
            const bool legato = m_legato && keyWasHeld && m_slots[size_t(m_monoSlot)].state == kHeld;
            Begin(size_t(m_monoSlot), key, velocity,
                  legato ? OrkeVoiceStart::kLegato : OrkeVoiceStart::kRetrigger, true);
            return;
        }
        m_monoSlot = int(FreeSlot());
        Begin(size_t(m_monoSlot), key, velocity, OrkeVoiceStart::kFresh, false);
    }
    void MonoNoteOff(int key) {
        const bool wasLast = m_heldCount > 0 && m_held[m_heldCount - 1].key == key;
        ForgetHeldKey(key);
        if (!wasLast || m_monoSlot < 0 || m_slots[size_t(m_monoSlot)].state != kHeld) {
            return;
        }
        const auto slot = size_t(m_monoSlot);
        if (m_heldCount > 0) {
            const HeldKey back = m_held[m_heldCount - 1];
            Begin(slot, back.key, back.velocity,
                  m_legato ? OrkeVoiceStart::kLegato : OrkeVoiceStart::kRetrigger, true);
        } else {
            EndNote(slot);
        }
    }

    const int m_polyphony;
    std::vector<Voice> m_voices; // 2 * m_polyphony, made at construction
    std::vector<Slot> m_slots;   // one per voice
    uint32_t m_order = 0;
    bool m_sustain = false;
    float m_wheel = 0.0f;
    float m_bendRange = 2.0f;
    bool m_monophonic = false;
    bool m_legato = false;
    int m_monoSlot = -1; // the voice a monophonic instrument plays on; -1 before its first note
    HeldKey m_held[128];
    int m_heldCount = 0;
};
