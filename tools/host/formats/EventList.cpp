// A render's MIDI messages placed at their frames, and the event list of each block.
#include "EventList.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace orke::host {
namespace {

bool isNoteOn(const ScheduledMessage& message) {
    return (message.bytes[0] & 0xF0) == 0x90 && message.bytes[2] != 0;
}

bool isNoteOff(const ScheduledMessage& message) {
    return (message.bytes[0] & 0xF0) == 0x80 || ((message.bytes[0] & 0xF0) == 0x90 && message.bytes[2] == 0);
}

// Channel and key as one index, 0 to 2047.
size_t noteOf(const ScheduledMessage& message) {
    return (message.bytes[0] & 0x0Fu) * 128u + message.bytes[1];
}

// Within one frame a note-off comes after its note-on: a note-off at a moment when its note is not sounding
// waits for the next note-on of that note later in the same frame (tracks merged by tick can put it first).
void keepNotesWhole(std::vector<ScheduledMessage>& messages) {
    std::vector<int32_t> sounding(2048, 0), onsLeft(2048, 0);
    std::vector<std::vector<ScheduledMessage>> waiting(2048);
    std::vector<ScheduledMessage> ordered;
    ordered.reserve(messages.size());
    size_t start = 0;
    while (start < messages.size()) {
        size_t end = start;
        while (end < messages.size() && messages[end].frame == messages[start].frame) {
            if (isNoteOn(messages[end])) {
                ++onsLeft[noteOf(messages[end])];
            }
            ++end;
        }
        for (size_t i = start; i < end; ++i) {
            const ScheduledMessage& message = messages[i];
            const size_t note = noteOf(message);
            if (isNoteOff(message) && sounding[note] == 0 &&
                waiting[note].size() < static_cast<size_t>(onsLeft[note])) {
                waiting[note].push_back(message);
                continue;
            }
            ordered.push_back(message);
            if (isNoteOn(message)) {
                --onsLeft[note];
                ++sounding[note];
                if (!waiting[note].empty()) {
                    ordered.push_back(waiting[note].back());
                    waiting[note].pop_back();
                    --sounding[note];
                }
            } else if (isNoteOff(message) && sounding[note] > 0) {
                --sounding[note];
            }
        }
        start = end;
    }
    messages = std::move(ordered);
}

} // namespace

std::vector<ScheduledMessage> ScheduleMidi(const MidiFile& file, const TempoMap& map, double sampleRate) {
    std::vector<ScheduledMessage> messages;
    messages.reserve(file.messages.size());
    for (const MidiMessage& message : file.messages) {
        // Far beyond any render, but within the frame count's range.
        const double frame = std::min(std::round(map.SecondsAtTick(message.tick) * sampleRate), 1e18);
        messages.push_back({static_cast<int64_t>(frame),
                            {message.bytes[0], message.bytes[1], message.bytes[2]},
                            message.size});
    }
    keepNotesWhole(messages);
    return messages;
}

EventList::EventList(std::vector<ScheduledMessage> messages, int32_t blockSize)
    : m_messages(std::move(messages)) {
    size_t busiest = 0;
    for (size_t i = 0; i < m_messages.size();) {
        const int64_t block = m_messages[i].frame / blockSize;
        size_t j = i;
        while (j < m_messages.size() && m_messages[j].frame / blockSize == block) {
            ++j;
        }
        busiest = std::max(busiest, j - i);
        i = j;
    }
    m_events.resize(busiest);
    m_list.reset(static_cast<VstEvents*>(::operator new(kEventListHeaderSize + busiest * sizeof(VstEvent*))));
}

VstEvents* EventList::ForBlock(int64_t start, int32_t frames) {
    int32_t count = 0;
    while (m_next < m_messages.size() && m_messages[m_next].frame < start + frames &&
           static_cast<size_t>(count) < m_events.size()) {
        const ScheduledMessage& message = m_messages[m_next++];
        if (message.frame < start) {
            continue; // not reached in order; nothing is sent late
        }
        VstMidiEvent& event = m_events[static_cast<size_t>(count)];
        event = VstMidiEvent{};
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = static_cast<int32_t>(message.frame - start);
        std::memcpy(event.midiData, message.bytes, 3);
        if ((message.bytes[0] & 0xF0) == 0x80) {
            event.noteOffVelocity = message.bytes[2];
        }
        m_list->events[count++] = reinterpret_cast<VstEvent*>(&event);
    }
    if (count == 0) {
        return nullptr;
    }
    m_list->numEvents = count;
    m_list->reserved = 0;
    return m_list.get();
}

} // namespace orke::host
