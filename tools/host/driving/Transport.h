// The transport a plug-in sees while orke-host renders: a playing song whose position, tempo and bars follow
// the render, answered to the plug-in's time request.
#pragma once

#include "SongPosition.h"

#include <cstdint>

namespace orke::host {

class Transport {
public:
    Transport(TempoMap map, double sampleRate);
    // Withdraws the time record from the host callback.
    ~Transport();

    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Hands the host callback the record for the block that starts at `frame`. Called before each block's
    // process call.
    void Publish(int64_t frame);

private:
    SongPosition m_position;
};

} // namespace orke::host
