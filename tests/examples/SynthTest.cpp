// Orke Synth through its module's record, played as a host plays it: MIDI events sent before each block at
// their frames. The pitch of a note and of the wheel, the first sounding frame and identical output whatever
// the block size, eight voices and the ninth note stealing the oldest without a click, silence within the
// release after a note off, all notes off and the pedal, and the monophonic modes with their glide.
#include "HostedPlugin.h"
#ifdef ORKE_HOST_PATH
#include "MidiBytes.h"
#include "ToolRun.h"
#endif

#include <complex>
#include <utility>

namespace {

constexpr double kRate = 48000.0;
// Program numbers and parameter numbers, as the host sees them.
constexpr int kSawLead = 0, kPureSine = 5, kPrograms = 7;
constexpr int kVoiceModeParameter = 20, kGlideParameter = 21;
constexpr long kBlock = 64; // HostedSynth::Play's blocks

// clang-format off
Message NoteOn(long frame, int key) { return {frame, 0x90, uint8_t(key), 100}; }
Message NoteOff(long frame, int key) { return {frame, 0x80, uint8_t(key), 64}; }
double KeyFrequency(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }
// clang-format on

class HostedSynth : public HostedPlugin {
public:
    explicit HostedSynth(int program)
        : HostedPlugin(ORKE_SYNTH_PATH, float(kRate), 4096) {
        SetProgram(program);
    }

    // The longest a note sounds after its key is up, as the host is told it.
    long Tail() { return long(Dispatch(effect, effGetTailSize)); }

    // `frames` frames in blocks of `block`, as a host plays them; the left channel, which the right must
    // equal.
    std::vector<float> Play(const std::vector<Message>& messages, long frames, long block = kBlock) {
        const Channels output =
            HostedPlugin::Play(Channels(2, std::vector<float>(size_t(frames))), size_t(block), messages);
        EXPECT_EQ(output[0], output[1]) << "the two channels differ";
        return output[0];
    }
};

// Where the signal rises through 0 in [from, to), each crossing placed between its two frames.
std::vector<double> Crossings(const std::vector<float>& x, long from, long to) {
    std::vector<double> crossings;
    for (long k = from + 1; k < to; ++k) {
        if (x[size_t(k - 1)] < 0.0f && x[size_t(k)] >= 0.0f) {
            crossings.push_back(double(k - 1) + x[size_t(k - 1)] / (x[size_t(k - 1)] - x[size_t(k)]));
        }
    }
    return crossings;
}

// The mean frequency over [from, to), from the first to the last crossing.
double Frequency(const std::vector<float>& x, long from, long to) {
    const std::vector<double> c = Crossings(x, from, to);
    return c.size() > 1 ? double(c.size() - 1) * kRate / (c.back() - c.front()) : 0.0;
}

// The frequency of each period in [from, to), one per pair of crossings.
std::vector<double> PeriodFrequencies(const std::vector<float>& x, long from, long to) {
    const std::vector<double> c = Crossings(x, from, to);
    std::vector<double> frequencies;
    for (size_t k = 1; k < c.size(); ++k) {
        frequencies.push_back(kRate / (c[k] - c[k - 1]));
    }
    return frequencies;
}

// The amplitude of the component at `frequency` over [from, to), through a Hann window.
double Amplitude(const std::vector<float>& x, double frequency, long from, long to) {
    std::complex<double> sum = 0.0;
    const double length = double(to - from);
    for (long k = from; k < to; ++k) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * M_PI * double(k - from) / length);
        sum += double(x[size_t(k)]) * window * std::polar(1.0, -2.0 * M_PI * frequency * double(k) / kRate);
    }
    return 4.0 * std::abs(sum) / length;
}

// The first frame from `from` on that is not 0, or -1.
long FirstSound(const std::vector<float>& x, long from = 0) {
    const auto found =
        std::find_if(x.begin() + std::min(from, long(x.size())), x.end(), [](float v) { return v != 0.0f; });
    return found == x.end() ? -1 : long(found - x.begin());
}
// The last frame that is not silent (below -120 dBFS), or -1.
long LastSound(const std::vector<float>& x) {
    const auto found = std::find_if(x.rbegin(), x.rend(), [](float v) { return std::fabs(v) >= 1e-6f; });
    return long(x.rend() - found) - 1;
}

TEST(OrkeSynth, NotesAndTheWheelSoundAtTheirPitch) {
    HostedSynth synth(kPureSine);
    const std::vector<float> a = synth.Play({NoteOn(0, 69)}, 48000);
    EXPECT_NEAR(Frequency(a, 4800, 48000), 440.0, 0.1);

    // The wheel all the way up and down, over the program's range of 2 semitones.
    for (const auto& [end, cents] : {std::pair{uint8_t(0x7F), 200.0}, {uint8_t(0), -200.0}}) {
        const std::vector<float> bent = synth.Play({NoteOn(0, 69), {0, 0xE0, end, end}}, 48000);
        EXPECT_NEAR(1200.0 * std::log2(Frequency(bent, 4800, 48000) / 440.0), cents, 1.0)
            << "the wheel at " << int(end);
    }
}

// A note sounds from the frame its event names, not sooner, whatever the host's blocks; and the blocks
// change no sample, not even with a program change from the keyboard in between.
TEST(OrkeSynth, FirstSoundAtTheNoteFrameAndTheSameOutputForEveryBlockSize) {
    for (const long frame : {0L, 1L, 63L, 4000L}) {
        std::vector<std::vector<float>> outputs;
        for (const long block : {1L, 64L, 4096L}) {
            HostedSynth synth(kSawLead);
            outputs.push_back(synth.Play({NoteOn(frame, 69),
                                          NoteOn(frame + 700, 76),
                                          NoteOff(frame + 2000, 69),
                                          {frame + 2100, 0xE0, 0x00, 0x50},
                                          {frame + 2500, 0xC0, kPureSine, 0},
                                          NoteOn(frame + 2600, 64)},
                                         frame + 9000, block));
            EXPECT_EQ(FirstSound(outputs.back()), frame)
                << "note at frame " << frame << ", blocks of " << block;
            EXPECT_TRUE(outputs.back() == outputs.front())
                << "note at frame " << frame << ": blocks of " << block << " and of 1 differ";
        }
    }
}

// Eight held notes sound together at their eight pitches; a ninth takes the oldest's voice, which fades
// rather than stopping dead: no step between two frames is larger than the notes' own.
TEST(OrkeSynth, EightVoicesAndTheNinthNoteStealsTheOldest) {
    // The ninth is the lowest: with it the notes' own steps can only get smaller.
    const int keys[9] = {36, 40, 43, 47, 50, 53, 57, 60, 31};
    HostedSynth synth(kPureSine);
    const double single = Amplitude(synth.Play({NoteOn(0, 60)}, 24000), KeyFrequency(60), 4800, 24000);
    std::vector<Message> messages;
    for (int k = 0; k < 8; ++k) {
        messages.push_back(NoteOn(k, keys[k]));
    }
    constexpr long kNinth = 24000;
    messages.push_back(NoteOn(kNinth, keys[8]));
    const std::vector<float> out = synth.Play(messages, 48000);
    for (int k = 0; k < 9; ++k) {
        const double before = Amplitude(out, KeyFrequency(keys[k]), 4800, kNinth);
        const double after = Amplitude(out, KeyFrequency(keys[k]), kNinth + 2400, 48000);
        EXPECT_NEAR(before, k < 8 ? single : 0.0, 0.05 * single) << "key " << keys[k] << " before the ninth";
        EXPECT_NEAR(after, k > 0 ? single : 0.0, 0.05 * single) << "key " << keys[k] << " after the ninth";
    }
    float steadyStep = 0.0f, stealStep = 0.0f;
    for (long k = 4801; k < 48000; ++k) {
        float& largest = k < kNinth ? steadyStep : stealStep;
        largest = std::max(largest, std::fabs(out[size_t(k)] - out[size_t(k - 1)]));
    }
    EXPECT_LT(stealStep, 1.2f * steadyStep)
        << "a step of " << stealStep << " where the voices step " << steadyStep;
}

// After the last key is up, every program is silent within its release (the tail it reports) and one block.
TEST(OrkeSynth, SilentWithinTheReleaseOfEveryProgram) {
    constexpr long kOff = 24000;
    for (int program = 0; program < kPrograms; ++program) {
        HostedSynth synth(program);
        const long tail = synth.Tail();
        const std::vector<float> out = synth.Play(
            {NoteOn(0, 60), NoteOn(100, 67), NoteOff(kOff, 60), NoteOff(kOff, 67)}, kOff + tail + 4800);
        EXPECT_GE(FirstSound(out, kOff - 10), 0) << "program " << program << " sounds until the note off";
        EXPECT_LT(LastSound(out), kOff + tail + kBlock) << "program " << program << ", tail " << tail;
    }
}

// The pedal holds released notes until it lifts; all notes off ends held and pedalled notes alike, and the
// pedal stays lifted for the notes after it.
TEST(OrkeSynth, ThePedalHoldsNotesAndAllNotesOffEndsThem) {
    HostedSynth synth(kPureSine);
    const long tail = synth.Tail();
    const std::vector<float> held =
        synth.Play({{0, 0xB0, 64, 127}, NoteOn(0, 60), NoteOff(4800, 60), {24000, 0xB0, 64, 0}}, 48000);
    EXPECT_GE(FirstSound(held, 23900), 0) << "the pedal holds the note";
    EXPECT_LT(LastSound(held), 24000 + tail + kBlock);

    // clang-format off
    const std::vector<float> ended = synth.Play({{0, 0xB0, 64, 127}, NoteOn(0, 60), NoteOn(0, 64),
                                                 NoteOff(100, 64), {9600, 0xB0, 123, 0}, NoteOn(30000, 67),
                                                 NoteOff(31000, 67)}, 48000);
    // clang-format on
    EXPECT_LT(LastSound(std::vector<float>(ended.begin(), ended.begin() + 29000)), 9600 + tail + kBlock);
    EXPECT_LT(LastSound(ended), 31000 + tail + kBlock) << "the pedal no longer holds";
}

// Monophonic: a lifted key gives the pitch back to the key still held. Legato with glide: the pitch moves
// to the new key in the glide's time, not sooner, and stays there.
TEST(OrkeSynth, MonophonicLastNotePriorityAndGlide) {
    HostedSynth synth(kPureSine);
    synth.SetParameter(kVoiceModeParameter, 0.5f); // Mono
    const std::vector<float> mono = synth.Play({NoteOn(0, 69), NoteOn(9600, 72), NoteOff(19200, 72)}, 38400);
    EXPECT_NEAR(Frequency(mono, 2400, 9600), 440.0, 0.1);
    EXPECT_NEAR(Frequency(mono, 12000, 19200), KeyFrequency(72), 0.1);
    EXPECT_NEAR(Frequency(mono, 21600, 38400), 440.0, 0.1) << "the held key sounds again";

    synth.SetParameter(kVoiceModeParameter, 1.0f); // Legato
    synth.SetParameter(kGlideParameter, 0.05f);    // 0.1 s of 0 to 2 s
    constexpr long kSecond = 24000, kGlideEnd = kSecond + 4800;
    const std::vector<float> glide = synth.Play({NoteOn(0, 69), NoteOn(kSecond, 81)}, 48000);
    EXPECT_NEAR(Frequency(glide, 2400, kSecond), 440.0, 0.1);
    for (const double f : PeriodFrequencies(glide, kGlideEnd - 1200, kGlideEnd - 48)) {
        EXPECT_LT(f, 880.0 * 0.995) << "the glide has not arrived yet";
    }
    const std::vector<double> start = PeriodFrequencies(glide, kSecond, kSecond + 300);
    ASSERT_FALSE(start.empty());
    EXPECT_NEAR(start.front(), 440.0, 10.0) << "it starts at the old pitch";
    for (const double f : PeriodFrequencies(glide, kGlideEnd, 48000)) {
        ASSERT_NEAR(f, 880.0, 0.5) << "after the glide's time";
    }
}

} // namespace

#ifdef ORKE_HOST_PATH
// ---- through orke-host, from a MIDI file -----------------------------------------------------------------

using namespace orke::host::test;

// A song of two note tracks under a tempo track that moves from 120 to 100 to 150 quarter notes a minute
// (50, 60 and 40 frames a tick at 48 kHz and 480 ticks a quarter note): every note begins at the frame its
// tick comes to, however the host's blocks fall, and the blocks change no sample.
TEST(OrkeSynth, AFileRenderedByOrkeHostSoundsEachNoteAtItsFrame) {
    const ScratchFolder dir;
    const Bytes tempo = MidiTrack({{0, {0xFF, 0x51, 3, 0x07, 0xA1, 0x20}},
                                   {1920, {0xFF, 0x51, 3, 0x09, 0x27, 0xC0}},
                                   {1920, {0xFF, 0x51, 3, 0x06, 0x1A, 0x80}}});
    std::vector<std::pair<uint32_t, Bytes>> tracks[2];
    std::vector<long> onsets;
    for (uint32_t note = 0; note < 12; ++note) {
        const uint32_t tick = 480 * note + (note % 3) * 7; // some off the beat
        const long frame = tick < 1920   ? 50L * tick
                           : tick < 3840 ? 96000L + 60L * (tick - 1920)
                                         : 211200L + 40L * (tick - 3840);
        onsets.push_back(frame);
        auto& track = tracks[note % 2];
        const uint32_t last = note < 2 ? 0 : 480 * (note - 2) + ((note - 2) % 3) * 7 + 120;
        const auto key = uint8_t(57 + note);
        track.push_back({tick - last, {0x90, key, 100}});
        track.push_back({120, {0x80, key, 64}});
    }
    WriteBytes(dir.Path("song.mid"),
               MidiFileBytes(1, 480, {tempo, MidiTrack(tracks[0]), MidiTrack(tracks[1])}));

    std::vector<std::vector<float>> renders;
    for (const int block : {1, 64, 4096}) {
        const ToolRun ran =
            RunTool({"process", ORKE_SYNTH_PATH, "--midi", dir.Path("song.mid"), "--tail", "1", "--program",
                     std::to_string(kPureSine), "--block", std::to_string(block), dir.Path("out.wav")});
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        const Sound sound = readSound(dir.Path("out.wav"));
        EXPECT_EQ(sound.info.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT) << "not float samples";
        renders.push_back(sound.Channel(0));
        EXPECT_TRUE(renders.back() == renders.front()) << "blocks of " << block << " and of 1 differ";
    }
    // Each note has faded out before the next, so the first sound after each silence is an onset.
    long from = 0;
    for (const long onset : onsets) {
        const long heard = FirstSound(renders[1], from);
        EXPECT_EQ(heard, onset) << "the note at frame " << onset;
        // On past the onset to the note's silence.
        const long past = std::min(std::max(heard, onset) + 10000, long(renders[1].size()));
        from = long(std::find(renders[1].begin() + past, renders[1].end(), 0.0f) - renders[1].begin());
    }

    // What orke-host tells of it: an instrument of 0 inputs and 2 outputs, taking MIDI on 16 channels.
    const ToolRun info = RunTool({"info", "--json", ORKE_SYNTH_PATH});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    expectAll(info.out, {"\"inputs\": 0,", "\"outputs\": 2,", "\"is-synth\"", "\"midi_input\": true,",
                         "\"midi_input_channels\": 16,"});
}
#endif
