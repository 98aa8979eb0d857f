// A host's event list for one block, as tests hand it to a plug-in through effProcessEvents: MIDI messages
// of up to three bytes, each at its frame in the block.
#pragma once

#include "VstRecords.h"

#include <cstdint>
#include <vector>

class MidiEvents {
public:
    void Add(int32_t frame, uint8_t status, uint8_t data1 = 0, uint8_t data2 = 0) {
        VstMidiEvent event{};
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = frame;
        event.midiData[0] = char(status);
        event.midiData[1] = char(data1);
        event.midiData[2] = char(data2);
        m_events.push_back(event);
    }
    void Clear() { m_events.clear(); }
    bool Empty() const { return m_events.empty(); }

    // The list in the interface's layout; valid until the next Add or Clear.
    VstEvents* List() {
        m_words.assign(2 + m_events.size(), 0); // the count, the reserved word, one pointer per event
        auto* list = reinterpret_cast<VstEvents*>(m_words.data());
        list->numEvents = int32_t(m_events.size());
        for (size_t k = 0; k < m_events.size(); ++k) {
            list->events[k] = reinterpret_cast<VstEvent*>(&m_events[k]);
        }
        return list;
    }

private:
    std::vector<VstMidiEvent> m_events;
    std::vector<intptr_t> m_words; // pointer-aligned room for the list's header and pointers
};
