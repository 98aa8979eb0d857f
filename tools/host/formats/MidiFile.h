// A Standard MIDI File (formats 0 and 1) read from bytes into one time-ordered list of channel messages, with
// its tempo and time-signature changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orke::host {

struct MidiMessage {
    uint64_t tick;
    uint8_t bytes[3]; // status, then one or two data bytes; unused bytes are 0
    uint8_t size;     // 2 or 3
};

struct TempoChange {
    uint64_t tick;
    uint32_t microsecondsPerQuarter; // 1 to 16777215
};

struct MeterChange {
    uint64_t tick;
    int32_t numerator;   // 1 to 255
    int32_t denominator; // the note value of a beat: 1, 2, 4, ... 128
};

struct MidiFile {
    int32_t format = 0; // 0 or 1
    int32_t tracks = 0;
    // Time is counted either in quarter notes (ticksPerQuarter) or in frames of SMPTE time code
    // (ticksPerSecond), never both: the other is 0.
    int32_t ticksPerQuarter = 0;
    double ticksPerSecond = 0.0;
    // Every track merged by tick; messages at one tick keep the order of their tracks, then of the file.
    std::vector<MidiMessage> messages;
    std::vector<TempoChange> tempi;  // ordered by tick, as merged
    std::vector<MeterChange> meters; // ordered by tick, as merged
    uint64_t endTick = 0;            // the last track's end
};

// Reads a whole file from `size` bytes at `data`. Every length in the file is checked against the bytes that
// remain; false, with a one-line reason in `error`, for anything that is not a sound format 0 or 1 file.
// System-exclusive events and meta events other than tempo and time signature are skipped.
bool ParseMidiFile(const uint8_t* data, size_t size, MidiFile& file, std::string& error);

} // namespace orke::host
