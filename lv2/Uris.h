// The URIs the LV2 side of a plug-in reads and writes, mapped once to the host's numbers (URIDs).
#pragma once

#include "lv2/atom/atom.h"
#include "lv2/midi/midi.h"
#include "lv2/time/time.h"
#include "lv2/urid/urid.h"

namespace orke::lv2 {

// The keys of the state the plug-in saves: its own chunk, for a plug-in that keeps its programs as one, or
// the values and program that the LV2 side keeps for it otherwise.
inline constexpr const char* kChunkKey = "urn:orke:lv2:chunk";
inline constexpr const char* kParametersKey = "urn:orke:lv2:parameters";

struct Uris {
    // [main thread] All zero (nothing matches) without a map.
    explicit Uris(const LV2_URID_Map* map);

    bool known; // the host gave a map
    LV2_URID atomChunk, atomDouble, atomFloat, atomInt, atomLong, atomObject, atomBlank, atomSequence;
    LV2_URID midiEvent;
    LV2_URID timePosition, timeFrame, timeSpeed, timeBar, timeBarBeat, timeBeat, timeBeatUnit,
        timeBeatsPerBar, timeBeatsPerMinute;
    LV2_URID chunkKey, parametersKey;
};

} // namespace orke::lv2
