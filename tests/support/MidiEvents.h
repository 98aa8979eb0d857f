// A host's event list for one block, as tests hand it to a plug-in through effProcessEvents: MIDI messages
// of up to three bytes, each at its frame in the block, and records of any other kind a host may send.
#pragma once

#include "VstRecords.h"

#include <cstdint>
#include <deque>
#include <vector>

struct Message {
    long frame; // from the start of the render
    uint8_t status, data1, data2;
};

class MidiEvents {
public:
    // The record, for a test to spoil as a careless host would; it lives as long as the list.
    VstMidiEvent& Add(int32_t frame, uint8_t status, uint8_t data1 = 0, uint8_t data2 = 0) {
        VstMidiEvent& event = m_events.emplace_back();
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = frame;
        event.midiData[0] = char(status);
        event.midiData[1] = char(data1);
        event.midiData[2] = char(data2);
        m_records.push_back(reinterpret_cast<VstEvent*>(&event));
        return event;
    }
    void Add(const Message& m) { Add(int32_t(m.frame), m.status, m.data1, m.data2); }
    // A record of the caller's (which must outlive the list), or a null pointer in its place.
    void AddRecord(VstEvent* record) { m_records.push_back(record); }
    void Clear() {
        m_events.clear();
        m_records.clear();
    }
    bool Empty() const { return m_records.empty(); }

    // The list in the interface's layout; valid until the next Add or Clear.
    VstEvents* List() {
        m_words.assign(2 + m_records.size(), 0); // the count, the reserved word, one pointer per event
        auto* list = reinterpret_cast<VstEvents*>(m_words.data());
        list->numEvents = int32_t(m_records.size());
        for (size_t k = 0; k < m_records.size(); ++k) {
            list->events[k] = m_records[k];
        }
        return list;
    }

private:
    std::deque<VstMidiEvent> m_events; // where the records stay put as more are added
    std::vector<VstEvent*> m_records;
    std::vector<intptr_t> m_words; // pointer-aligned room for the list's header and pointers
};
