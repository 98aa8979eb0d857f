// Standard MIDI Files as the tests write them: a header and tracks of timed events, as bytes.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace orke::host::test {

using Bytes = std::vector<uint8_t>;

inline void appendBigEndian(Bytes& bytes, uint32_t value, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
}

// A track chunk: each event is its delta time and its bytes (status included or, for running status, not);
// the end-of-track event is added.
inline Bytes MidiTrack(const std::vector<std::pair<uint32_t, Bytes>>& events) {
    Bytes body;
    for (const auto& [delta, event] : events) {
        Bytes quantity = {static_cast<uint8_t>(delta & 0x7F)};
        for (uint32_t rest = delta >> 7; rest != 0; rest >>= 7) {
            quantity.insert(quantity.begin(), static_cast<uint8_t>(0x80 | (rest & 0x7F)));
        }
        body.insert(body.end(), quantity.begin(), quantity.end());
        body.insert(body.end(), event.begin(), event.end());
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes chunk = {'M', 'T', 'r', 'k'};
    appendBigEndian(chunk, static_cast<uint32_t>(body.size()), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

inline Bytes MidiFileBytes(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks) {
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    appendBigEndian(file, format, 2);
    appendBigEndian(file, static_cast<uint32_t>(tracks.size()), 2);
    appendBigEndian(file, division, 2);
    for (const Bytes& track : tracks) {
        file.insert(file.end(), track.begin(), track.end());
    }
    return file;
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The file every render test plays (480 ticks a quarter note): 120 then, from tick 960, 60 quarter notes a
// minute, in 3/4. Its second track has running status, a note ended and struck again at one tick, and a
// note that the first track ends at the tick the second strikes it.
inline Bytes TestSong() {
    const Bytes tempoTrack = MidiTrack({{0, {0xFF, 0x51, 3, 0x07, 0xA1, 0x20}},
                                        {0, {0xFF, 0x58, 4, 3, 2, 24, 8}},
                                        {480, {0x80, 72, 64}},
                                        {480, {0xFF, 0x51, 3, 0x0F, 0x42, 0x40}},
                                        {40, {0xFF, 0x01, 3, 'e', 'n', 'd'}}});
    const Bytes notes = MidiTrack({{0, {0x90, 60, 100}},
                                   {1, {62, 100}},
                                   {239, {60, 0}},
                                   {0, {60, 80}},
                                   {240, {0xB0, 7, 100}},
                                   {0, {0x90, 72, 100}},
                                   {0, {0xF0, 2, 0x7E, 0xF7}},
                                   {480, {0x80, 62, 64}},
                                   {13, {60, 64}},
                                   {0, {0xC0, 5}},
                                   {19, {0xE0, 0, 64}}});
    return MidiFileBytes(1, 480, {tempoTrack, notes});
}

} // namespace orke::host::test
