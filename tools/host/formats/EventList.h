// The MIDI messages of a render placed at their frames, and the event list handed to the plug-in before each
// block with the messages that fall in it.
#pragma once

#include "MidiFile.h"
#include "TempoMap.h"
#include "VstRecords.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orke::host {

struct ScheduledMessage {
    int64_t frame;
    uint8_t bytes[3];
    uint8_t size;
};

// The file's messages at the frames the map puts them, in the order a plug-in is to get them: by frame, then
// as in the file, except that a note-off that ends a note starting in the same frame comes after its note-on.
std::vector<ScheduledMessage> ScheduleMidi(const MidiFile& file, const TempoMap& map, double sampleRate);

class EventList {
public:
    // Blocks are `blockSize` frames long (the last may be shorter) and come one after another from frame 0.
    EventList(std::vector<ScheduledMessage> messages, int32_t blockSize);

    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    // The list of the messages in frames [start, start + frames), for request 25; null when there are none.
    // It and its events stay as they are until the next call.
    VstEvents* ForBlock(int64_t start, int32_t frames);

private:
    struct FreeList {
        void operator()(VstEvents* list) const { ::operator delete(list); }
    };
    std::vector<ScheduledMessage> m_messages;
    size_t m_next = 0;
    std::vector<VstMidiEvent> m_events;          // as many as the busiest block needs
    std::unique_ptr<VstEvents, FreeList> m_list; // the header and as many pointers
};

} // namespace orke::host
