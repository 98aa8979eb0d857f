// OrkeMusicDevice through its effect's entries, as a host drives it: the block's MIDI events become calls,
// each with its frame, between runs of rendering that end at the events' frames; outputs start silent.
#include "MidiEvents.h"
#include "OrkeMusicDevice.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr OrkeEffectDescription kDescription =
    OrkeEffectDescription("Recording Device", orke::fourCharCode("ORmd"))
        .Channels(0, 2)
        .Options(kOrkeInstrument);

// Writes down every call, and renders 1 into every frame of every output it is asked for.
class RecordingDevice : public OrkeMusicDevice {
public:
    RecordingDevice()
        : OrkeMusicDevice(nullptr, kDescription) {}
    OSStatus Initialize() override { return noErr; }
    void Cleanup() override {}
    SInt32 Version() override { return 1; }

    void RenderFrames(const OrkeBlock& block, int32_t begin, int32_t end) override {
        calls.push_back("render " + std::to_string(begin) + "-" + std::to_string(end));
        for (int32_t c = 0; c < block.numOutputs; ++c) {
            for (int32_t k = begin; k < end; ++k) {
                block.outputs[c][k] += 1.0f;
            }
        }
    }
    void NoteOn(int ch, int key, int vel, int32_t at) override { Write(at, ch, "on", key, vel); }
    void NoteOff(int ch, int key, int vel, int32_t at) override { Write(at, ch, "off", key, vel); }
    void ControlChange(int ch, int cc, int value, int32_t at) override { Write(at, ch, "cc", cc, value); }
    void PitchBend(int channel, float wheel, int32_t frame) override {
        std::ostringstream text;
        text << channel << " bend " << wheel << " @" << frame;
        calls.push_back(text.str());
    }
    void ChannelPressure(int ch, int value, int32_t at) override { Write(at, ch, "pressure", value); }
    void PolyPressure(int ch, int key, int v, int32_t at) override { Write(at, ch, "key pressure", key, v); }
    void ProgramChange(int ch, int program, int32_t at) override { Write(at, ch, "program", program); }
    void SustainPedal(int ch, bool on, int32_t at) override { Write(at, ch, on ? "pedal down" : "pedal up"); }
    void AllNotesOff(int ch, int32_t at) override { Write(at, ch, "notes off"); }
    void AllSoundOff(int ch, int32_t at) override { Write(at, ch, "sound off"); }

    std::vector<std::string> calls;

private:
    // Each call as "channel what numbers @frame", without the numbers it has not got (-1).
    void Write(int32_t frame, int channel, const char* what, int a = -1, int b = -1) {
        std::string call = std::to_string(channel) + " " + what;
        for (const int number : {a, b}) {
            call += number >= 0 ? " " + std::to_string(number) : "";
        }
        calls.push_back(call + " @" + std::to_string(frame));
    }
};

TEST(OrkeMusicDevice, CallsEachEventAtItsFrameBetweenRuns) {
    const struct {
        const char* what;
        int32_t frames;
        std::vector<Message> messages;
        std::vector<std::string> calls;
    } cases[] = {
        // clang-format off
        {"no events: one run", 16, {}, {"render 0-16"}},
        {"notes, velocity 0 as a note off, and the channel", 40,
         {{10, 0x90, 60, 100}, {20, 0x9F, 60, 0}, {30, 0x83, 62, 33}},
         {"render 0-10", "0 on 60 100 @10", "render 10-20", "15 off 60 64 @20", "render 20-30",
          "3 off 62 33 @30", "render 30-40"}},
        {"events of one frame all before it renders, the first frame and the last", 8,
         {{0, 0x90, 1, 1}, {5, 0x90, 2, 2}, {5, 0x80, 1, 0}, {7, 0x90, 3, 3}},
         {"0 on 1 1 @0", "render 0-5", "0 on 2 2 @5", "0 off 1 0 @5", "render 5-7", "0 on 3 3 @7",
          "render 7-8"}},
        {"the pedal, sound off, notes off and the mode messages that end notes", 4,
         {{0, 0xB0, 64, 64}, {0, 0xB0, 64, 63}, {1, 0xB1, 120, 0}, {1, 0xB1, 123, 0}, {2, 0xB0, 124, 0},
          {2, 0xB0, 125, 0}, {2, 0xB0, 126, 1}, {2, 0xB0, 127, 0}},
         {"0 pedal down @0", "0 pedal up @0", "render 0-1", "1 sound off @1", "1 notes off @1", "render 1-2",
          "0 notes off @2", "0 notes off @2", "0 notes off @2", "0 notes off @2", "render 2-4"}},
        {"other controllers pass; reset all controllers lifts the pedal and centres the wheel first", 2,
         {{1, 0xB2, 1, 90}, {1, 0xB2, 121, 0}},
         {"render 0-1", "2 cc 1 90 @1", "2 pedal up @1", "2 bend 0 @1", "2 pressure 0 @1", "2 cc 121 0 @1",
          "render 1-2"}},
        {"the wheel reaches -1 and 1 exactly, 0 at its centre", 2,
         {{0, 0xE0, 0, 0}, {0, 0xE0, 0, 64}, {0, 0xE0, 127, 127}, {0, 0xE0, 127, 63}},
         {"0 bend -1 @0", "0 bend 0 @0", "0 bend 1 @0", "0 bend -0.00012207 @0", "render 0-2"}},
        {"pressure, key pressure and program changes", 2,
         {{0, 0xD4, 77, 0}, {0, 0xA4, 60, 5}, {1, 0xC9, 12, 0}},
         {"4 pressure 77 @0", "4 key pressure 60 5 @0", "render 0-1", "9 program 12 @1", "render 1-2"}},
        {"system messages and data bytes without a status are skipped; data bytes keep their low 7 bits", 3,
         {{0, 0xF8, 0, 0}, {0, 0xF0, 1, 2}, {1, 0x40, 60, 100}, {2, 0x90, 0xBC, 0xE4}},
         {"render 0-2", "0 on 60 100 @2", "render 2-3"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        RecordingDevice device;
        MidiEvents events;
        for (const Message& m : c.messages) {
            events.Add(m);
        }
        std::vector<float> left(size_t(c.frames), -7.0f), right(size_t(c.frames), -7.0f);
        float* outputs[2] = {left.data(), right.data()};
        EXPECT_EQ(device.processEvents(events.List()), 1) << c.what;
        device.processReplacing(nullptr, outputs, c.frames);
        EXPECT_EQ(device.calls, c.calls) << c.what;
        // Every frame rendered once, into outputs cleared first.
        EXPECT_EQ(left, std::vector<float>(size_t(c.frames), 1.0f)) << c.what;
        EXPECT_EQ(right, left) << c.what;
    }
}

} // namespace
