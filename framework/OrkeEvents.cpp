// The block's event list: copying the host's MIDI events, putting them in frame order, holding them inside
// the block.
#include "OrkeEvents.h"

#include "VstRecords.h"

#include <cstring>

OrkeEventList::OrkeEventList(size_t capacity)
    : m_events(new OrkeEvent[capacity > 0 ? capacity : 1])
    , m_capacity(capacity) {}

void OrkeEventList::Add(const VstEvents* events) {
    if (events == nullptr || events->numEvents <= 0) {
        return;
    }
    const auto count = static_cast<size_t>(events->numEvents);
    for (size_t i = 0; i < count; ++i) {
        const VstEvent* event = events->events[i];
        // Only what a MIDI record's size vouches for is read.
        if (event == nullptr || event->type != kVstMidiType ||
            event->byteSize < static_cast<int32_t>(sizeof(VstMidiEvent))) {
            continue;
        }
        if (m_count == m_capacity) {
            // The rest of the list is only counted: the pointers beyond are not even read.
            m_overflowed += static_cast<uint32_t>(count - i);
            return;
        }
        VstMidiEvent midi;
        std::memcpy(&midi, event, sizeof(midi));
        OrkeEvent& kept = m_events[m_count++];
        kept.frame = midi.deltaFrames;
        kept.status = static_cast<uint8_t>(midi.midiData[0]);
        kept.data1 = static_cast<uint8_t>(midi.midiData[1]) & 0x7F;
        kept.data2 = static_cast<uint8_t>(midi.midiData[2]) & 0x7F;
        kept.detune = midi.detune;
        kept.noteOffVelocity = midi.noteOffVelocity & 0x7F;
        kept.live = (midi.flags & kVstMidiEventIsRealtime) != 0;
        kept.noteLength = midi.noteLength;
        kept.noteOffset = midi.noteOffset;
    }
}

void OrkeEventList::Seal(int32_t frames) {
    const int32_t last = frames > 0 ? frames - 1 : 0;
    for (size_t i = 0; i < m_count; ++i) {
        int32_t& frame = m_events[i].frame;
        frame = frame < 0 ? 0 : (frame > last ? last : frame);
    }
    // Hosts send their lists in order, so this insertion sort is one pass; it is stable, so events of one
    // frame keep the order the host gave them.
    for (size_t i = 1; i < m_count; ++i) {
        if (m_events[i].frame >= m_events[i - 1].frame) {
            continue;
        }
        const OrkeEvent moving = m_events[i];
        size_t j = i;
        for (; j > 0 && m_events[j - 1].frame > moving.frame; --j) {
            m_events[j] = m_events[j - 1];
        }
        m_events[j] = moving;
    }
}

void OrkeEventList::Clear() {
    m_count = 0;
    m_overflowed = 0;
}

void OrkeEventList::Rebase(size_t first, int32_t offset) {
    for (size_t i = first; i < m_count; ++i) {
        m_events[i].frame -= offset;
    }
}
