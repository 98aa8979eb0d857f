// The MIDI events of one block, as the framework hands them to a plug-in: copied from the host's list into a
// list of fixed capacity made with the effect, in frame order, every frame inside the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct VstEvents;

// One MIDI channel message (at most three bytes).
struct OrkeEvent {
    int32_t frame;  // into the block: 0 to frames - 1
    uint8_t status; // the status byte: the message kind in the high four bits, the channel in the low
    uint8_t data1;  // 0 to 127 (a key, a controller, ...)
    uint8_t data2;  // 0 to 127, 0 for messages with one data byte
    int8_t detune;  // cents, -64 to 63, as the host gave it
    uint8_t noteOffVelocity;
    bool live;          // played live rather than read from a sequence
    int32_t noteLength; // frames, 0 when the host does not know
    int32_t noteOffset; // frames into the note, 0 when the host does not know

    uint8_t Kind() const { return status & 0xF0; }    // 0x80 note off, 0x90 note on, 0xB0 controller, ...
    uint8_t Channel() const { return status & 0x0F; } // 0 to 15
};

// A run of events of one block, in frame order; valid until the block's processing returns.
class OrkeEventSpan {
public:
    OrkeEventSpan() = default;
    OrkeEventSpan(const OrkeEvent* first, size_t count)
        : m_first(first)
        , m_count(count) {}

    const OrkeEvent* begin() const { return m_first; }
    const OrkeEvent* end() const { return m_first + m_count; }
    size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    const OrkeEvent& operator[](size_t i) const { return m_first[i]; }

private:
    const OrkeEvent* m_first = nullptr;
    size_t m_count = 0;
};

// The list the framework fills: made on the main thread, then touched only on the audio thread.
class OrkeEventList {
public:
    static constexpr size_t kDefaultCapacity = 512;

    // [main thread] Room for `capacity` events a block; nothing is allocated after this.
    explicit OrkeEventList(size_t capacity = kDefaultCapacity);

    OrkeEventList(const OrkeEventList&) = delete;
    OrkeEventList& operator=(const OrkeEventList&) = delete;

    // ---- [audio thread]: no allocation, no lock ----------------------------------------------------------
    // Copies the MIDI events of the host's list (others are skipped), after any already taken for the coming
    // block. Null lists and null or short records are skipped; events beyond the capacity are counted, not
    // kept.
    void Add(const VstEvents* events);
    // Puts the events in frame order (those of one frame keep the host's order) with every frame held inside
    // a block of `frames` frames; called once, before the block is processed.
    void Seal(int32_t frames);
    // Forgets the block's events once it has been processed; the overflow count starts again too.
    void Clear();
    // Moves the frames of every event from `first` on `offset` frames earlier: the framework's way to hand a
    // block over in parts.
    void Rebase(size_t first, int32_t offset);

    OrkeEventSpan Events() const { return OrkeEventSpan(m_events.get(), m_count); }
    size_t Count() const { return m_count; }
    size_t Capacity() const { return m_capacity; }
    // How many MIDI events of the coming block did not fit; 0 normally.
    uint32_t Overflowed() const { return m_overflowed; }

private:
    std::unique_ptr<OrkeEvent[]> m_events;
    size_t m_capacity;
    size_t m_count = 0;
    uint32_t m_overflowed = 0;
};
