// The note check: a plug-in that takes MIDI played as keyboards and sequencers play it: notes across the
// keyboard and the velocities at frames inside the block, overlapping and stacked, all notes off, all sound
// off and a dense burst. Its output must stay finite, sound after a note on and fall back to silence after
// the notes end, with no allocation or lock in the calls that play them.
#include "ValidationChecks.h"

#include "CallTrace.h"
#include "EffectOpcodes.h"
#include "ProcessingHarness.h"
#include "RealtimeReport.h"
#include "VstRecords.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <vector>

namespace orke::host {
namespace {

constexpr int32_t kNoteBlock = 512;
constexpr int32_t kBurstEvents = 1000;
// Output below -100 dBFS is silence; a plug-in that comes no higher than -80 dBFS after a note on made no
// sound.
constexpr float kSilence = 1e-5f;
constexpr float kSound = 1e-4f;
// How long the first note is held to hear it, and how long the sound may take to die away after the notes
// end: longer than any release or reverberation a preset sensibly holds.
constexpr double kHeldSeconds = 0.5;
constexpr double kReleaseSeconds = 6.0;

struct Message {
    int32_t frame;
    uint8_t status, data1, data2;
};

Message noteOn(int32_t frame, int key, int velocity) {
    return {frame, 0x90, static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)};
}
Message noteOff(int32_t frame, int key, int velocity = 0) {
    return {frame, 0x80, static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)};
}
Message control(int32_t frame, int controller, int value) {
    return {frame, 0xB0, static_cast<uint8_t>(controller), static_cast<uint8_t>(value)};
}
constexpr int kAllSoundOff = 120;
constexpr int kAllNotesOff = 123;

std::string describe(const Message& message) {
    const std::string key = std::to_string(message.data1);
    std::string what;
    switch (message.status & 0xF0) {
    case 0x90:
        what = message.data2 == 0 ? "note on " + key + " with velocity 0"
                                  : "note on " + key + " (velocity " + std::to_string(message.data2) + ")";
        break;
    case 0x80:
        what = "note off " + key;
        break;
    case 0xB0:
        what = message.data1 == kAllNotesOff   ? "all notes off"
               : message.data1 == kAllSoundOff ? "all sound off"
                                               : "controller " + key;
        break;
    default:
        what = "pitch bend";
    }
    return what + " at frame " + std::to_string(message.frame);
}

std::string decibels(float peak) {
    if (peak <= 0.0f) {
        return "silence";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.0f dBFS", 20.0 * std::log10(static_cast<double>(peak)));
    return text;
}

bool takesMidi(const Effect& effect) {
    auto canDo = [&effect](const char* what) {
        std::vector<char> text(kTextBufferSize, '\0');
        std::memcpy(text.data(), what, std::strlen(what));
        return effect.Dispatch(effCanDo, 0, 0, text.data()) == 1;
    };
    return (effect.Flags() & effFlagsIsSynth) != 0 || canDo("receiveVstEvents") ||
           canDo("receiveVstMidiEvent");
}

// Blocks with silent inputs and the events of each, counted from 1 since resume as the call trace counts
// process calls; each block's output checked for NaN, infinity and writes outside its buffers.
class NotePlayer {
public:
    NotePlayer(CheckContext& context, Effect& effect)
        : m_context(context)
        , m_effect(effect)
        , m_input(std::max(effect.NumInputs(), 1), kValidationMaxBlock)
        , m_output(effect.NumOutputs(), kValidationMaxBlock, kOutputGuard)
        , m_events(kBurstEvents)
        , m_list(static_cast<VstEvents*>(
              ::operator new(kEventListHeaderSize + kBurstEvents * sizeof(VstEvent*)))) {}

    // One block; the loudest sample it wrote.
    float Play(int32_t frames, const std::vector<Message>& messages = {}) {
        ++m_block;
        if (!messages.empty()) {
            Hand(messages);
        }
        m_input.FillWithGuardPattern();
        for (int32_t c = 0; c < m_input.Channels(); ++c) {
            std::fill(m_input.Channel(c), m_input.Channel(c) + frames, 0.0f);
        }
        m_output.FillWithGuardPattern();
        m_effect.Process(m_input.Pointers(), m_output.Pointers(), frames);
        return Scan(frames);
    }

    // Blocks until one is silent, for at most `seconds`; the loudest sample of the last block.
    float Release(double seconds) {
        const auto blocks = static_cast<int64_t>(seconds * kValidationSampleRate / kNoteBlock);
        float peak = 0.0f;
        for (int64_t block = 0; block < blocks; ++block) {
            if ((peak = Play(kNoteBlock)) < kSilence) {
                break;
            }
        }
        return peak;
    }

    int64_t Block() const { return m_block; }
    // ", while playing block 7: note on 60 (velocity 100) at frame 17", for a finding in block `block`.
    std::string During(int64_t block) const {
        const auto found = m_played.find(block);
        return ", while playing block " + std::to_string(block) +
               (found != m_played.end() ? ": " + found->second : " (no events)");
    }
    // Where the last events were played, for a finding after them.
    std::string LastEvents() const { return m_lastEvents; }

private:
    void Hand(const std::vector<Message>& messages) {
        const auto count = static_cast<int32_t>(std::min<size_t>(messages.size(), kBurstEvents));
        for (int32_t i = 0; i < count; ++i) {
            const Message& message = messages[static_cast<size_t>(i)];
            VstMidiEvent& event = m_events[static_cast<size_t>(i)];
            event = VstMidiEvent{};
            event.type = kVstMidiType;
            event.byteSize = sizeof(VstMidiEvent);
            event.deltaFrames = message.frame;
            event.midiData[0] = static_cast<char>(message.status);
            event.midiData[1] = static_cast<char>(message.data1);
            event.midiData[2] = static_cast<char>(message.data2);
            event.noteOffVelocity = (message.status & 0xF0) == 0x80 ? message.data2 : 0;
            m_list->events[i] = reinterpret_cast<VstEvent*>(&event);
        }
        m_list->numEvents = count;
        m_list->reserved = 0;
        std::string text = count > 4 ? std::to_string(count) + " events at frames " +
                                           std::to_string(messages.front().frame) + " to " +
                                           std::to_string(messages.back().frame)
                                     : "";
        for (int32_t i = 0; count <= 4 && i < count; ++i) {
            text += (i > 0 ? ", " : "") + describe(messages[static_cast<size_t>(i)]);
        }
        m_played[m_block] = text;
        m_lastEvents = text + " of block " + std::to_string(m_block);
        // A crash in the plug-in is then said with the block and the events it was playing.
        m_context.Mark(static_cast<int>(m_block), "block " + std::to_string(m_block) + ": " + text);
        m_effect.Dispatch(effProcessEvents, 0, 0, m_list.get());
    }

    float Scan(int32_t frames) {
        GuardedBuffers::Trespass trespass;
        if (!m_trespassed && m_output.FindTrespass(trespass)) {
            m_trespassed = true;
            m_context.Fail("wrote outside output " + std::to_string(trespass.channel) + ", up to " +
                           Counted(trespass.reach, "sample") + (trespass.before ? " before" : " after") +
                           " it" + During(m_block));
        }
        float peak = 0.0f;
        for (int32_t c = 0; c < m_output.Channels(); ++c) {
            const float* samples = m_output.Channel(c);
            for (int32_t i = 0; i < frames; ++i) {
                const float sample = samples[i];
                if (GuardOrigin(sample) != 0) {
                    continue; // unwritten: the processing checks name that
                }
                if (!std::isfinite(sample)) {
                    if (!m_reportedNan) {
                        m_reportedNan = true;
                        const auto played = m_played.find(m_block);
                        m_context.Fail("output " + std::to_string(c) + " holds " +
                                       (std::isnan(sample) ? "NaN" : "an infinity") + " at frame " +
                                       std::to_string(i) + " of block " + std::to_string(m_block) +
                                       (played != m_played.end() ? ", which plays " + played->second
                                        : m_lastEvents.empty()   ? ", before any event"
                                                                 : ", after " + m_lastEvents));
                    }
                    continue;
                }
                peak = std::max(peak, std::fabs(sample));
            }
        }
        return peak;
    }

    struct FreeList {
        void operator()(VstEvents* list) const { ::operator delete(list); }
    };

    CheckContext& m_context;
    Effect& m_effect;
    GuardedBuffers m_input;
    GuardedBuffers m_output;
    std::vector<VstMidiEvent> m_events;
    std::unique_ptr<VstEvents, FreeList> m_list;
    int64_t m_block = 0;
    std::map<int64_t, std::string> m_played;
    std::string m_lastEvents;
    bool m_trespassed = false;
    bool m_reportedNan = false;
};

// What the sequence found, gathered for the report at its end.
struct Hearing {
    float idle = 0.0f;      // the loudest sample before any note
    float firstNote = 0.0f; // while the first note was held
    bool stuck = false;     // once one phase did not fall silent, the others are not waited for
    double longestRelease = 0.0;
};

// After a phase's last event: the sound must die away within the bounded release.
void awaitSilence(CheckContext& context, NotePlayer& player, Hearing& hearing) {
    if (hearing.idle >= kSilence || hearing.stuck) {
        player.Play(kNoteBlock);
        return;
    }
    const std::string after = player.LastEvents();
    const int64_t start = player.Block();
    const float peak = player.Release(kReleaseSeconds);
    const double took = static_cast<double>((player.Block() - start) * kNoteBlock) / kValidationSampleRate;
    hearing.longestRelease = std::max(hearing.longestRelease, took);
    if (peak >= kSilence) {
        hearing.stuck = true;
        char seconds[16];
        std::snprintf(seconds, sizeof seconds, "%.0f s", kReleaseSeconds);
        context.Warn("still sounds at " + decibels(peak) + " in block " + std::to_string(player.Block()) +
                     ", " + seconds + " after " + after);
    }
}

// The notes in turn, each held a few blocks: the keyboard's ends and middle, soft and hard, at the block's
// first, second, odd and last frames.
void playRange(NotePlayer& player) {
    const int notes[][3] = {{0, 1, 0},      {21, 40, 1},   {36, 64, 17},   {48, 90, 255},
                            {72, 127, 510}, {96, 80, 511}, {108, 20, 100}, {127, 127, 300}};
    for (const auto& [key, velocity, frame] : notes) {
        player.Play(kNoteBlock, {noteOn(frame, key, velocity)});
        for (int block = 0; block < 3; ++block) {
            player.Play(kNoteBlock);
        }
        player.Play(kNoteBlock, {noteOff((frame + 97) % kNoteBlock, key, 64)});
    }
}

// Notes that overlap, a key struck again while it sounds, and one ended by a note on of velocity 0.
void playOverlapping(NotePlayer& player) {
    const std::vector<std::vector<Message>> blocks = {
        {noteOn(100, 60, 90)}, {noteOn(200, 64, 70)}, {noteOn(50, 60, 110), noteOff(400, 60)},
        {noteOn(1, 67, 60)},   {noteOff(511, 64)},    {noteOff(10, 60)},
        {noteOn(300, 67, 0)},
    };
    for (const auto& messages : blocks) {
        player.Play(kNoteBlock, messages);
        player.Play(kNoteBlock);
    }
}

// A chord struck at one frame, one of its notes struck twice, ended at one frame.
std::vector<Message> chord(int32_t frame, bool on) {
    std::vector<Message> messages;
    for (int key : {48, 52, 55, 60, 64, 67, 72, 76, 60}) {
        messages.push_back(on ? noteOn(frame, key, 40 + key) : noteOff(frame, key));
    }
    return messages;
}

void playStacked(NotePlayer& player) {
    player.Play(kNoteBlock, chord(128, true));
    for (int block = 0; block < 5; ++block) {
        player.Play(kNoteBlock);
    }
    player.Play(kNoteBlock, chord(64, false));
}

// A chord ended by a controller instead of its note offs.
void playEndedBy(NotePlayer& player, int controller, int32_t frame) {
    player.Play(kNoteBlock, chord(33, true));
    for (int block = 0; block < 5; ++block) {
        player.Play(kNoteBlock);
    }
    player.Play(kNoteBlock, {control(frame, controller, 0)});
}

// As many events as a dense passage with a controller sweep and pitch bend brings, in one full block: every
// note struck is ended within it.
void playBurst(NotePlayer& player) {
    std::vector<Message> messages;
    for (int i = 0; i < kBurstEvents; ++i) {
        const auto frame = static_cast<int32_t>(static_cast<int64_t>(i) * kValidationMaxBlock / kBurstEvents);
        const int key = 24 + (i / 4) % 84;
        switch (i % 4) {
        case 0:
            messages.push_back(noteOn(frame, key, 1 + i % 127));
            break;
        case 1:
            messages.push_back(control(frame, 1, i % 128));
            break;
        case 2:
            messages.push_back(
                {frame, 0xE0, static_cast<uint8_t>(i % 128), static_cast<uint8_t>((i / 8) % 128)});
            break;
        default:
            messages.push_back(noteOff(frame, key));
        }
    }
    player.Play(kValidationMaxBlock, messages);
    // The controllers back where a player leaves them.
    player.Play(kNoteBlock, {control(0, 1, 0), {0, 0xE0, 0, 64}});
}

} // namespace

void CheckNotes(CheckContext& context) {
    auto plugin = LoadForProcessing(context);
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    if (!takesMidi(effect)) {
        context.Note("takes no MIDI: neither a synth nor an effect that receives events");
        return;
    }
    effect.Suspend();
    effect.SetSampleRate(kValidationSampleRate);
    effect.SetBlockSize(kValidationMaxBlock);
    effect.Resume();
    effect.StartProcess();
    NotePlayer player(context, effect);
    Hearing hearing;
    TakeRealtimeTally();
    for (int block = 0; block < 4; ++block) {
        hearing.idle = std::max(hearing.idle, player.Play(kNoteBlock));
    }
    // The first note, held long enough for a slow attack.
    player.Play(kNoteBlock, {noteOn(17, 60, 100)});
    const std::string struck = player.LastEvents();
    for (int64_t block = 0; block < static_cast<int64_t>(kHeldSeconds * kValidationSampleRate / kNoteBlock);
         ++block) {
        hearing.firstNote = std::max(hearing.firstNote, player.Play(kNoteBlock));
    }
    player.Play(kNoteBlock, {noteOff(300, 60)});
    awaitSilence(context, player, hearing);
    playRange(player);
    awaitSilence(context, player, hearing);
    playOverlapping(player);
    awaitSilence(context, player, hearing);
    playStacked(player);
    awaitSilence(context, player, hearing);
    playEndedBy(player, kAllNotesOff, 200);
    awaitSilence(context, player, hearing);
    playEndedBy(player, kAllSoundOff, 400);
    awaitSilence(context, player, hearing);
    playBurst(player);
    awaitSilence(context, player, hearing);
    const RealtimeTally tally = TakeRealtimeTally();
    effect.StopProcess();
    effect.Suspend();

    ReportRealtimeActs(context, tally, player.Block(), player.During(tally.firstProcessCall));
    if (hearing.idle >= kSilence) {
        context.Note("sounds before any note, at " + decibels(hearing.idle) +
                     ": its silence after the notes is not looked for");
    } else if (hearing.firstNote < kSound && effect.NumInputs() == 0 && effect.NumOutputs() > 0) {
        context.Warn("made no sound (" + decibels(hearing.firstNote) + ") in the " +
                     std::to_string(static_cast<int>(kHeldSeconds * 1000)) + " ms after " + struck);
    } else if (hearing.firstNote < kSound) {
        context.Note("makes no sound from notes alone: it has inputs, and may shape them by MIDI");
    }
    char release[48];
    std::snprintf(release, sizeof release, ", silent again within %.1f s", hearing.longestRelease);
    context.Note(
        Counted(player.Block(), "block") + " of notes over keys 0 to 127 and velocities 1 to 127, " +
        "overlapping, stacked, all notes off, all sound off and " + std::to_string(kBurstEvents) +
        " events in one block" +
        (hearing.firstNote >= kSound ? "; the first note peaks at " + decibels(hearing.firstNote) : "") +
        (hearing.stuck || hearing.idle >= kSilence ? "" : release));
}

} // namespace orke::host
