// The URIs mapped through the host's map.
#include "Uris.h"

namespace orke::lv2 {

namespace {

LV2_URID mapUri(const LV2_URID_Map* map, const char* uri) {
    return map != nullptr ? map->map(map->handle, uri) : 0;
}

} // namespace

Uris::Uris(const LV2_URID_Map* map)
    : known(map != nullptr)
    , atomChunk(mapUri(map, LV2_ATOM__Chunk))
    , atomDouble(mapUri(map, LV2_ATOM__Double))
    , atomFloat(mapUri(map, LV2_ATOM__Float))
    , atomInt(mapUri(map, LV2_ATOM__Int))
    , atomLong(mapUri(map, LV2_ATOM__Long))
    , atomObject(mapUri(map, LV2_ATOM__Object))
    , atomBlank(mapUri(map, LV2_ATOM__Blank))
    , atomSequence(mapUri(map, LV2_ATOM__Sequence))
    , midiEvent(mapUri(map, LV2_MIDI__MidiEvent))
    , timePosition(mapUri(map, LV2_TIME__Position))
    , timeFrame(mapUri(map, LV2_TIME__frame))
    , timeSpeed(mapUri(map, LV2_TIME__speed))
    , timeBar(mapUri(map, LV2_TIME__bar))
    , timeBarBeat(mapUri(map, LV2_TIME__barBeat))
    , timeBeat(mapUri(map, LV2_TIME__beat))
    , timeBeatUnit(mapUri(map, LV2_TIME__beatUnit))
    , timeBeatsPerBar(mapUri(map, LV2_TIME__beatsPerBar))
    , timeBeatsPerMinute(mapUri(map, LV2_TIME__beatsPerMinute))
    , chunkKey(mapUri(map, kChunkKey))
    , parametersKey(mapUri(map, kParametersKey)) {}

} // namespace orke::lv2
