// orke-host's MIDI file reader, and what a render makes of a file it read: the tempo map, the messages placed
// at their frames, the event list handed to a plug-in before each block and the song position it reads.
// Besides the sanitizers' findings it fails when an event lands outside its block or the song position holds
// a value that is not a number.
#include "EventList.h"
#include "FuzzSupport.h"
#include "MidiFile.h"
#include "SongPosition.h"
#include "TempoMap.h"

#include <cmath>
#include <numeric>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orke::host;
    // The input is the file alone, so that the corpus holds real files; the sum of its bytes picks how the
    // render is set up.
    const auto setup = static_cast<uint8_t>(std::accumulate(data, data + size, 0u));
    MidiFile file;
    std::string error;
    if (!ParseMidiFile(data, size, file, error)) {
        checkReason(error);
        return 0;
    }
    check(file.ticksPerQuarter > 0 || file.ticksPerSecond > 0.0);
    const double sampleRates[] = {8000.0, 44100.0, 48000.0, 768000.0};
    const int32_t blocks[] = {1, 17, 512, 65536};
    const double sampleRate = sampleRates[setup & 3];
    const int32_t block = blocks[(setup >> 2) & 3];
    const Meter meter{static_cast<int32_t>((setup >> 4) & 3) + 1, 8};
    const double tempo = (setup & 0x40) != 0 ? 999.0 : 0.0; // --tempo, or the file's tempo map
    const TempoMap map = TempoMap::FromMidiFile(file, tempo, (setup & 0x80) != 0 ? &meter : nullptr);
    const std::vector<ScheduledMessage> messages = ScheduleMidi(file, map, sampleRate);
    check(messages.size() == file.messages.size());
    for (size_t i = 1; i < messages.size(); ++i) {
        check(messages[i - 1].frame <= messages[i].frame && messages[i].frame >= 0);
    }
    // The blocks that hold messages, as a render reaches them, with the song position of each.
    EventList events(messages, block);
    SongPosition position(map, sampleRate);
    size_t delivered = 0;
    int64_t start = -1;
    for (const ScheduledMessage& message : messages) {
        const int64_t blockStart = message.frame / block * block;
        if (blockStart == start) {
            continue;
        }
        start = blockStart;
        const VstTimeInfo* time = position.At(start);
        check(std::isfinite(time->ppqPos) && std::isfinite(time->barStartPos) && time->tempo > 0.0);
        if (VstEvents* list = events.ForBlock(start, block)) {
            for (int32_t i = 0; i < list->numEvents; ++i) {
                const VstEvent* event = list->events[i];
                check(event->deltaFrames >= 0 && event->deltaFrames < block);
            }
            delivered += static_cast<size_t>(list->numEvents);
        }
        const double seconds = static_cast<double>(start) / sampleRate;
        Meter at;
        check(std::isfinite(map.QuarterAt(seconds)) && map.TempoAt(seconds) > 0.0 &&
              std::isfinite(map.BarStartAt(map.QuarterAt(seconds), at)));
    }
    check(delivered == messages.size());
    check(std::isfinite(map.SecondsAtTick(file.endTick)));
    return 0;
}
