// The transport a plug-in sees while orke-host renders: a playing song whose position, tempo and bars follow
// the render, answered to the plug-in's time request.
#pragma once

#include "TempoMap.h"
#include "VstRecords.h"

#include <cstdint>

namespace orke::host {

class Transport {
public:
    Transport(TempoMap map, double sampleRate);
    // Withdraws the time record from the host callback.
    ~Transport();

    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Fills the time record for the block that starts at `frame` and hands it to the host callback. Called
    // before each block's process call.
    void Publish(int64_t frame);

private:
    TempoMap m_map;
    double m_sampleRate;
    // Two records in turn: the one a plug-in was handed for a block is not rewritten while the next block is
    // prepared, so a plug-in thread still reading it after its block never sees it change under it.
    VstTimeInfo m_records[2] = {};
    int m_next = 0;
    bool m_started = false;
};

} // namespace orke::host
