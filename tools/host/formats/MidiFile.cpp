// The Standard MIDI File reader: chunks, tracks, running status and meta events, merged into one list.
#include "MidiFile.h"

#include <algorithm>
#include <cstdio>

namespace orke::host {
namespace {

// A cursor over bytes that never reads past its end.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size)
        : m_data(data)
        , m_size(size) {}

    size_t Offset() const { return m_offset; }
    size_t Left() const { return m_size - m_offset; }
    bool AtEnd() const { return m_offset >= m_size; }

    bool Byte(uint8_t& value) {
        if (AtEnd()) {
            return false;
        }
        value = m_data[m_offset++];
        return true;
    }
    bool Peek(uint8_t& value) const {
        if (AtEnd()) {
            return false;
        }
        value = m_data[m_offset];
        return true;
    }
    bool BigEndian(int bytes, uint32_t& value) {
        if (Left() < static_cast<size_t>(bytes)) {
            return false;
        }
        value = 0;
        for (int i = 0; i < bytes; ++i) {
            value = (value << 8) | m_data[m_offset++];
        }
        return true;
    }
    // A variable-length quantity: at most four bytes of seven bits each.
    enum class Quantity { Read, Ended, TooLong };
    Quantity Variable(uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t byte = 0;
            if (!Byte(byte)) {
                return Quantity::Ended;
            }
            value = (value << 7) | (byte & 0x7Fu);
            if ((byte & 0x80) == 0) {
                return Quantity::Read;
            }
        }
        return Quantity::TooLong;
    }
    bool Skip(size_t count) {
        if (count > Left()) {
            return false;
        }
        m_offset += count;
        return true;
    }
    const uint8_t* Here() const { return m_data + m_offset; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_offset = 0;
};

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

struct TrackParts {
    std::vector<MidiMessage> messages;
    std::vector<TempoChange> tempi;
    std::vector<MeterChange> meters;
};

// What a meta event tells the song at `tick`: a tempo or a time signature. What is wrong with it, or null.
const char* takeMeta(uint8_t type, const uint8_t* body, uint32_t length, uint64_t tick, TrackParts& parts) {
    if (type == 0x51) {
        const uint32_t tempo = length == 3 ? (uint32_t{body[0]} << 16) | (body[1] << 8) | body[2] : 0;
        if (tempo == 0) {
            return "a tempo event holds no tempo";
        }
        parts.tempi.push_back({tick, tempo});
    } else if (type == 0x58) {
        if (length < 2 || body[0] == 0 || body[1] > 7) {
            return "a time signature event holds no time signature";
        }
        parts.meters.push_back({tick, body[0], 1 << body[1]});
    }
    return nullptr;
}

// One track's events from its chunk `track`; `base` is the chunk's offset in the file, for messages.
bool parseTrack(Bytes track, size_t base, TrackParts& parts, uint64_t& endTick, std::string& error) {
    uint64_t tick = 0;
    uint8_t running = 0; // the status that data bytes without their own continue, 0 when none
    auto fail = [&](const std::string& what) {
        error = what + " at byte " + std::to_string(base + track.Offset());
        return false;
    };
    // A quantity of five bytes or more is no MIDI file's, however long the track.
    auto tooLong = [&](const std::string& what) {
        return fail(what + " runs over the four bytes a variable-length quantity may take");
    };
    while (!track.AtEnd()) {
        uint32_t delta = 0;
        if (const auto read = track.Variable(delta); read != Bytes::Quantity::Read) {
            return read == Bytes::Quantity::TooLong ? tooLong("an event's time")
                                                    : fail("the track ends inside an event's time");
        }
        tick += delta;
        uint8_t status = 0;
        if (!track.Peek(status)) {
            return fail("the track ends before its event");
        }
        if (status == 0xFF) {
            uint8_t type = 0;
            uint32_t length = 0;
            track.Skip(1);
            const auto read = track.Byte(type) ? track.Variable(length) : Bytes::Quantity::Ended;
            if (read == Bytes::Quantity::TooLong) {
                return tooLong("a meta event's length");
            }
            if (read == Bytes::Quantity::Ended || length > track.Left()) {
                return fail("a meta event runs past the end of its track");
            }
            const uint8_t* body = track.Here();
            track.Skip(length);
            running = 0;        // meta and system-exclusive events end running status
            if (type == 0x2F) { // end of track: whatever follows is not part of it
                break;
            }
            if (const char* wrong = takeMeta(type, body, length, tick, parts)) {
                return fail(wrong);
            }
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            uint32_t length = 0;
            track.Skip(1);
            const auto read = track.Variable(length);
            if (read == Bytes::Quantity::TooLong) {
                return tooLong("a system-exclusive event's length");
            }
            if (read == Bytes::Quantity::Ended || !track.Skip(length)) {
                return fail("a system-exclusive event runs past the end of its track");
            }
            running = 0;
            continue;
        }
        if ((status & 0x80) != 0) {
            if (status > 0xEF) {
                return fail("status byte " + hex(status) + " has no place in a MIDI file");
            }
            running = status;
            track.Skip(1);
        } else if (running == 0) {
            return fail("data byte " + hex(status) + " follows no status");
        }
        MidiMessage message{tick, {running, 0, 0}, 0};
        const uint8_t kind = running & 0xF0;
        message.size = kind == 0xC0 || kind == 0xD0 ? 2 : 3;
        for (uint8_t i = 1; i < message.size; ++i) {
            if (!track.Byte(message.bytes[i])) {
                return fail("the track ends inside a message");
            }
            if ((message.bytes[i] & 0x80) != 0) {
                return fail("message " + hex(running) + " is cut short by " + hex(message.bytes[i]));
            }
        }
        parts.messages.push_back(message);
    }
    endTick = std::max(endTick, tick);
    return true;
}

template <typename T>
void orderByTick(std::vector<T>& items) {
    std::stable_sort(items.begin(), items.end(), [](const T& a, const T& b) { return a.tick < b.tick; });
}

} // namespace

bool ParseMidiFile(const uint8_t* data, size_t size, MidiFile& file, std::string& error) {
    file = MidiFile{};
    Bytes bytes(data, size);
    uint32_t magic = 0, length = 0, format = 0, tracks = 0, division = 0;
    if (!bytes.BigEndian(4, magic) || magic != 0x4D546864) { // "MThd"
        error = "not a MIDI file (it does not start with MThd)";
        return false;
    }
    if (!bytes.BigEndian(4, length) || length < 6 || length > bytes.Left() || !bytes.BigEndian(2, format) ||
        !bytes.BigEndian(2, tracks) || !bytes.BigEndian(2, division) || !bytes.Skip(length - 6)) {
        error = "the MIDI file's header is cut short";
        return false;
    }
    if (format > 1) {
        error = "MIDI file format " + std::to_string(format) + " is not supported (only 0 and 1)";
        return false;
    }
    if (tracks == 0 || (format == 0 && tracks != 1)) {
        error = "a format " + std::to_string(format) + " MIDI file cannot hold " + std::to_string(tracks) +
                " tracks";
        return false;
    }
    if ((division & 0x8000) != 0) {
        const int framesPerSecond = -static_cast<int8_t>(division >> 8);
        const uint32_t ticksPerFrame = division & 0xFF;
        if ((framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 &&
             framesPerSecond != 30) ||
            ticksPerFrame == 0) {
            error = "the MIDI file's time division " + hex(division) + " is not a time code";
            return false;
        }
        file.ticksPerSecond = (framesPerSecond == 29 ? 30000.0 / 1001.0 : framesPerSecond) * ticksPerFrame;
    } else if (division == 0) {
        error = "the MIDI file has 0 ticks per quarter note";
        return false;
    } else {
        file.ticksPerQuarter = static_cast<int32_t>(division);
    }
    file.format = static_cast<int32_t>(format);
    file.tracks = static_cast<int32_t>(tracks);

    uint32_t found = 0;
    while (found < tracks) {
        if (bytes.AtEnd()) {
            error = "the MIDI file announces " + std::to_string(tracks) + " tracks but holds " +
                    std::to_string(found);
            return false;
        }
        const size_t chunkStart = bytes.Offset();
        if (!bytes.BigEndian(4, magic) || !bytes.BigEndian(4, length) || length > bytes.Left()) {
            error = "a chunk at byte " + std::to_string(chunkStart) + " runs past the end of the MIDI file";
            return false;
        }
        const size_t body = bytes.Offset();
        const uint8_t* here = bytes.Here();
        bytes.Skip(length);
        if (magic != 0x4D54726B) { // not "MTrk": a chunk of a kind this reader does not know is skipped
            continue;
        }
        ++found;
        TrackParts parts;
        std::string trackError;
        if (!parseTrack(Bytes(here, length), body, parts, file.endTick, trackError)) {
            error = "track " + std::to_string(found) + ": " + trackError;
            return false;
        }
        file.messages.insert(file.messages.end(), parts.messages.begin(), parts.messages.end());
        file.tempi.insert(file.tempi.end(), parts.tempi.begin(), parts.tempi.end());
        file.meters.insert(file.meters.end(), parts.meters.begin(), parts.meters.end());
    }
    // Stable, so that messages at one tick keep the order of their tracks and of each track.
    orderByTick(file.messages);
    orderByTick(file.tempi);
    orderByTick(file.meters);
    return true;
}

} // namespace orke::host
