// The MIDI file reader: tracks merged by tick, running status, tempo and meter; broken files refused.
#include "MidiFile.h"

#include "MidiBytes.h"
#include "TempoMap.h"

#include <gtest/gtest.h>

using namespace orke::host;
using namespace orke::host::test;

TEST(MidiFile, MergesTracksByTickWithRunningStatusTempoAndMeter) {
    const Bytes song = TestSong();
    MidiFile file;
    std::string error;
    ASSERT_TRUE(ParseMidiFile(song.data(), song.size(), file, error)) << error;
    std::vector<std::string> messages;
    for (const MidiMessage& message : file.messages) { // "TICK: BYTE BYTE ..."
        messages.push_back(std::to_string(message.tick) + ":");
        for (uint8_t i = 0; i < message.size; ++i) {
            messages.back() += " " + std::to_string(message.bytes[i]);
        }
    }
    EXPECT_EQ(messages,
              (std::vector<std::string>{"0: 144 60 100", "1: 144 62 100", "240: 144 60 0", "240: 144 60 80",
                                        "480: 128 72 64", "480: 176 7 100", "480: 144 72 100",
                                        "960: 128 62 64", "973: 128 60 64", "973: 192 5", "992: 224 0 64"}));
    EXPECT_EQ(file.endTick, 1000u);
    ASSERT_EQ(file.tempi.size(), 2u);
    EXPECT_EQ(file.tempi[1].microsecondsPerQuarter, 1000000u);
    ASSERT_EQ(file.meters.size(), 1u);
    EXPECT_EQ(file.meters[0].numerator * 10 + file.meters[0].denominator, 34);

    // Time code: 25 frames of 40 ticks a second.
    const Bytes timeCode = MidiFileBytes(0, 0xE728, {MidiTrack({{1000, {0x90, 60, 100}}})});
    ASSERT_TRUE(ParseMidiFile(timeCode.data(), timeCode.size(), file, error)) << error;
    EXPECT_DOUBLE_EQ(TempoMap::FromMidiFile(file, 0.0, nullptr).SecondsAtTick(file.messages[0].tick), 1.0);
}

TEST(MidiFile, RefusesEveryBrokenFileWithItsReason) {
    const Bytes song = TestSong();
    const Bytes oneNote = MidiTrack({{0, {0x90, 60, 100}}});
    auto withTrack = [](uint16_t format, uint16_t division, const Bytes& track) {
        return MidiFileBytes(format, division, {track});
    };
    auto oneEvent = [](const Bytes& event) {
        return MidiFileBytes(0, 480, {MidiTrack({{0, event}})});
    };
    const std::pair<Bytes, const char*> cases[] = {
        {{}, "not a MIDI file"},
        {Bytes(song.begin(), song.begin() + 12), "header is cut short"},
        {withTrack(2, 480, oneNote), "format 2 is not supported"},
        {MidiFileBytes(0, 480, {oneNote, oneNote}), "cannot hold 2 tracks"},
        {withTrack(0, 0, oneNote), "0 ticks per quarter"},
        {withTrack(0, 0xE300, oneNote), "not a time code"},
        {MidiFileBytes(1, 480, {}), "cannot hold 0 tracks"},
        {Bytes(song.begin(), song.end() - 3), "runs past the end"},
        {oneEvent({60, 100}), "data byte 0x3C follows no status"},
        {oneEvent({0x90, 60, 0x90}), "is cut short by 0x90"},
        {oneEvent({0xF2, 1, 2}), "status byte 0xF2"},
        {oneEvent({0xFF, 0x51, 2, 1, 2}), "holds no tempo"},
        {oneEvent({0xFF, 0x58, 2, 3, 9}), "holds no time signature"},
        {oneEvent({0xFF, 0x01, 0x7F}), "meta event runs past"},
        {oneEvent({0xF0, 0x8F, 0xFF, 0xFF, 0x7F}), "system-exclusive event runs"},
        {oneEvent({0xF0, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}),
         "system-exclusive event's length runs over the four bytes"},
        {oneEvent({0xFF, 0x01, 0x81, 0x81, 0x81, 0x81, 0x01}), "meta event's length runs over"},
        {withTrack(0, 480, {'M', 'T', 'r', 'k', 0, 0, 0, 5, 0x81, 0x81, 0x81, 0x81, 0x00}),
         "an event's time runs over the four bytes"},
        {withTrack(0, 480, {'M', 'T', 'r', 'k', 0, 0, 0, 2, 0x81, 0x80}), "ends inside an event's time"},
    };
    for (const auto& [bytes, reason] : cases) {
        MidiFile file;
        std::string error;
        EXPECT_FALSE(ParseMidiFile(bytes.data(), bytes.size(), file, error)) << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}
