// Musical time against clock time for a render: where each quarter note falls at the tempi in force, and
// where each bar starts under the time signatures in force.
#pragma once

#include "MidiFile.h"

#include <cstdint>
#include <vector>

namespace orke::host {

struct Meter {
    int32_t numerator = 4;
    int32_t denominator = 4; // the note value of a beat
};

inline constexpr double kDefaultTempo = 120.0; // quarter notes per minute, as a MIDI file without tempo has

class TempoMap {
public:
    // One tempo and one time signature throughout.
    TempoMap(double tempo, Meter meter);
    // The file's tempo and time-signature changes. A `tempo` above 0 replaces the file's tempi with that one
    // tempo; a `meter` replaces its time signatures.
    static TempoMap FromMidiFile(const MidiFile& file, double tempo, const Meter* meter);

    // When a tick of the file the map was made from happens, in seconds from its start.
    double SecondsAtTick(uint64_t tick) const;
    // Quarter notes from the start, and the tempo, at `seconds` from the start.
    double QuarterAt(double seconds) const;
    double TempoAt(double seconds) const;
    // The quarter-note position at which the bar holding `quarter` starts, and the time signature there.
    double BarStartAt(double quarter, Meter& meter) const;

private:
    struct TempoSegment {
        double seconds;
        double quarter;
        double tempo;
    };
    struct MeterSegment {
        double quarter;
        Meter meter;
    };
    TempoMap() = default;
    const TempoSegment& segmentAtSeconds(double seconds) const;
    double secondsAtQuarter(double quarter) const;
    void addTempo(double seconds, double quarter, double tempo);
    void addMeter(double quarter, Meter meter);

    std::vector<TempoSegment> m_tempi;  // the first starts at 0
    std::vector<MeterSegment> m_meters; // the first starts at 0
    int32_t m_ticksPerQuarter = 0;
    double m_ticksPerSecond = 0.0;
};

} // namespace orke::host
