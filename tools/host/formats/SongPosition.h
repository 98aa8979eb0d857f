// Where a playing song stands at each block of a render: the time record a plug-in reads (position, tempo,
// bars, time signature), filled from the tempo map.
#pragma once

#include "TempoMap.h"
#include "VstRecords.h"

#include <cstdint>

namespace orke::host {

class SongPosition {
public:
    SongPosition(TempoMap map, double sampleRate);

    SongPosition(const SongPosition&) = delete;
    SongPosition& operator=(const SongPosition&) = delete;

    // The record for the block that starts at `frame`; the first one says the transport has changed. Two
    // records are used in turn: the one handed out for a block is not rewritten while the next block is
    // prepared, so a plug-in thread still reading it after its block never sees it change under it.
    VstTimeInfo* At(int64_t frame);

private:
    TempoMap m_map;
    double m_sampleRate;
    VstTimeInfo m_records[2] = {};
    int m_next = 0;
    bool m_started = false;
};

} // namespace orke::host
