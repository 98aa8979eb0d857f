// The voices helper with voices that write down what they are told: which voice a note goes to, which is
// stolen, when releases and fades begin, the pedal, the monophonic key order and legato, the wheel, and the
// voices freed once their release has rendered.
#include "OrkeVoices.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kReleaseFrames = 50;
constexpr int kFadeFrames = 5;

struct Log {
    std::vector<std::string> lines;
    int voicesMade = 0;
};

// Sounds its key's number into every frame until its release or fade has rendered.
class WritingVoice : public OrkeVoice {
public:
    explicit WritingVoice(Log& log)
        : m_log(&log)
        , m_index(log.voicesMade++) {}

    void Start(OrkeVoiceStart how, bool glide) {
        const char* const kinds[] = {"fresh", "retrigger", "legato"};
        Write(std::string(kinds[int(how)]) + " " + std::to_string(Key()) + "@" + std::to_string(Velocity()) +
              (glide ? " glide" : ""));
        m_remaining = -1;
    }
    void Release() { End("release", kReleaseFrames); }
    void Fade() { End("fade", kFadeFrames); }
    void Stop() { End("stop", 0); }
    bool IsSounding() const { return m_remaining != 0; }
    void Render(float* const* outputs, int32_t channels, int32_t begin, int32_t end) {
        for (int32_t c = 0; c < channels; ++c) {
            for (int32_t k = begin; k < end; ++k) {
                outputs[c][k] += float(Key());
            }
        }
        if (m_remaining > 0) {
            m_remaining = end - begin >= m_remaining ? 0 : m_remaining - (end - begin);
        }
    }

private:
    void Write(const std::string& what) {
        m_log->lines.push_back("v" + std::to_string(m_index) + " " + what);
    }
    void End(const char* what, int frames) {
        Write(what);
        m_remaining = frames;
    }

    Log* m_log;
    int m_index;
    int m_remaining = 0;
};

using Voices = OrkeVoices<WritingVoice>;

// Plays a script: "+60" note on at velocity 100, "+60@30" at velocity 30, "-60" note off, "P"/"p" pedal down
// and up, "N" all notes off, "S" all sound off, "M" monophonic, "r" renders long enough for every release.
void Play(Voices& voices, const std::string& script) {
    std::istringstream words(script);
    std::string word;
    float left[200] = {}, right[200] = {};
    float* outputs[2] = {left, right};
    using Step = std::function<void(int key, int velocity)>;
    // clang-format off
    const std::map<char, Step> steps = {
        {'+', [&](int key, int velocity) { voices.NoteOn(key, velocity); }},
        {'-', [&](int key, int) { voices.NoteOff(key); }},
        {'P', [&](int, int) { voices.SetSustain(true); }},
        {'p', [&](int, int) { voices.SetSustain(false); }},
        {'N', [&](int, int) { voices.AllNotesOff(); }},
        {'S', [&](int, int) { voices.AllSoundOff(); }},
        {'M', [&](int, int) { voices.SetMonophonic(true, false); }},
        {'r', [&](int, int) { voices.Render(outputs, 2, 0, 200); }},
    };
    // clang-format on
    while (words >> word) {
        const size_t at = word.find('@');
        const auto step = steps.find(word[0]);
        ASSERT_NE(step, steps.end()) << "no such step: " << word;
        step->second(word.size() > 1 ? std::stoi(word.substr(1)) : 0,
                     at == std::string::npos ? 100 : std::stoi(word.substr(at + 1)));
    }
}

enum Mode { kPoly, kMono, kLegato };

TEST(OrkeVoices, DealsNotesToVoices) {
    const struct {
        const char* what;
        int polyphony;
        Mode mode;
        const char* script;
        std::vector<std::string> told;
    } cases[] = {
        // clang-format off
        {"free voices first, then the oldest is stolen and a spare voice plays the new note",
         2, kPoly, "+60 +62 +64", {"v0 fresh 60@100", "v1 fresh 62@100", "v0 fade", "v2 fresh 64@100"}},
        {"a released note goes before a pedal-held one, that before a key still down",
         3, kPoly, "+60 -60 P +62 -62 +64 +65 +67", {"v0 fresh 60@100", "v0 release", "v1 fresh 62@100",
          "v2 fresh 64@100", "v0 fade", "v3 fresh 65@100", "v1 fade", "v4 fresh 67@100"}},
        {"a finished release frees its voice",
         2, kPoly, "+60 +62 -60 r +64", {"v0 fresh 60@100", "v1 fresh 62@100", "v0 release",
          "v0 fresh 64@100"}},
        {"the same key again plays on its voice; velocity 0 ends a note",
         2, kPoly, "+60 -60 +60@30 +60@0", {"v0 fresh 60@100", "v0 release", "v0 retrigger 60@30",
          "v0 release"}},
        {"the pedal holds notes until it lifts",
         2, kPoly, "P +60 -60 +62 -62 p", {"v0 fresh 60@100", "v1 fresh 62@100", "v0 release", "v1 release"}},
        {"all notes off releases what the pedal holds and lifts the pedal",
         2, kPoly, "P +60 -60 +62 N +64 -64", {"v0 fresh 60@100", "v1 fresh 62@100", "v0 release",
          "v1 release", "v0 fade", "v2 fresh 64@100", "v2 release"}},
        {"all sound off fades every voice",
         2, kPoly, "+60 +62 -62 S r +64", {"v0 fresh 60@100", "v1 fresh 62@100", "v1 release", "v0 fade",
          "v1 fade", "v0 fresh 64@100"}},
        {"steals faster than a fade cut the oldest fade",
         1, kPoly, "+60 +62 +64", {"v0 fresh 60@100", "v0 fade", "v1 fresh 62@100", "v1 fade", "v0 stop",
          "v0 fresh 64@100"}},
        {"going monophonic releases every note",
         2, kPoly, "+60 +62 M +64", {"v0 fresh 60@100", "v1 fresh 62@100", "v0 release", "v1 release",
          "v2 fresh 64@100"}},
        {"monophonic: the last key sounds, and the held one returns at its velocity",
         4, kMono, "+60@30 +64 -64 -60", {"v0 fresh 60@30", "v0 retrigger 64@100 glide",
          "v0 retrigger 60@30 glide", "v0 release"}},
        {"monophonic legato: envelopes run on while a key is held",
         4, kLegato, "+60 +64 +67 -64 -67 -60", {"v0 fresh 60@100", "v0 legato 64@100 glide",
          "v0 legato 67@100 glide", "v0 legato 60@100 glide", "v0 release"}},
        {"monophonic legato: a key after the release retriggers, after silence starts afresh",
         4, kLegato, "+60 -60 +62 -62 r +64", {"v0 fresh 60@100", "v0 release", "v0 retrigger 62@100 glide",
          "v0 release", "v0 fresh 64@100"}},
        {"monophonic under the pedal",
         4, kMono, "P +60 -60 +62 -62 p", {"v0 fresh 60@100", "v0 retrigger 62@100 glide", "v0 release"}},
        {"monophonic after all sound off: a new voice while the old one fades",
         4, kLegato, "+60 S +62", {"v0 fresh 60@100", "v0 fade", "v1 fresh 62@100"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        Log log;
        Voices voices(c.polyphony, log);
        voices.SetMonophonic(c.mode != kPoly, c.mode == kLegato);
        Play(voices, c.script);
        EXPECT_EQ(log.lines, c.told) << c.what << ": " << c.script;
    }
}

// Every voice renders into the same outputs in a fixed order; once the last release has rendered, nothing
// sounds and nothing is added.
TEST(OrkeVoices, RenderAddsSoundingVoicesUntilTheirReleaseEnds) {
    Log log;
    Voices voices(4, log);
    EXPECT_EQ(voices.VoiceCount(), 8);
    EXPECT_FALSE(voices.IsSounding());
    voices.NoteOn(60, 100);
    voices.NoteOn(7, 100);
    float left[kReleaseFrames] = {}, right[kReleaseFrames] = {};
    float* outputs[2] = {left, right};
    voices.Render(outputs, 2, 10, 20);
    EXPECT_EQ(left[9], 0.0f);
    EXPECT_EQ(left[10], 67.0f);
    EXPECT_EQ(right[19], 67.0f);
    EXPECT_EQ(left[20], 0.0f);

    voices.NoteOff(60);
    voices.NoteOff(7);
    voices.Render(outputs, 2, 0, kReleaseFrames - 1);
    EXPECT_TRUE(voices.IsSounding());
    voices.Render(outputs, 2, kReleaseFrames - 1, kReleaseFrames);
    EXPECT_FALSE(voices.IsSounding());
    const float before = left[0];
    voices.Render(outputs, 2, 0, 1);
    EXPECT_EQ(left[0], before);
}

// The wheel times the range reaches every voice, held to full wheel; the sample rate too.
TEST(OrkeVoices, TellsEveryVoiceTheBendAndTheSampleRate) {
    // clang-format off
    const struct {
        float wheel, range, semitones;
    } cases[] = {{1.0f, 2.0f, 2.0f}, {-1.0f, 12.0f, -12.0f}, {0.5f, 2.0f, 1.0f}, {3.0f, 2.0f, 2.0f},
                 {-3.0f, 7.0f, -7.0f}};
    // clang-format on
    for (const auto& c : cases) {
        Log log;
        Voices voices(2, log);
        voices.NoteOn(60, 100);
        voices.SetPitchBendRange(c.range);
        voices.SetPitchBend(c.wheel);
        voices.SetSampleRate(96000.0);
        for (int k = 0; k < voices.VoiceCount(); ++k) {
            EXPECT_EQ(voices.VoiceAt(k).PitchBend(), c.semitones) << "wheel " << c.wheel << " voice " << k;
            EXPECT_EQ(voices.VoiceAt(k).SampleRate(), 96000.0) << "voice " << k;
        }
        EXPECT_DOUBLE_EQ(voices.VoiceAt(0).Pitch(), 60.0 + c.semitones);
        EXPECT_FALSE(voices.IsSounding()) << "a new sample rate stops every voice";
    }
}

} // namespace
