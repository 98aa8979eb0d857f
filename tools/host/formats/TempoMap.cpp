// The tempo map: tempo and meter changes, and conversions between ticks, seconds and quarter notes.
#include "TempoMap.h"

#include <algorithm>
#include <cmath>

namespace orke::host {

TempoMap::TempoMap(double tempo, Meter meter)
    : m_tempi{{0.0, 0.0, tempo}}
    , m_meters{{0.0, meter}} {}

TempoMap TempoMap::FromMidiFile(const MidiFile& file, double tempo, const Meter* meter) {
    TempoMap map;
    map.m_ticksPerQuarter = file.ticksPerQuarter;
    map.m_ticksPerSecond = file.ticksPerSecond;
    map.m_tempi.push_back({0.0, 0.0, tempo > 0.0 ? tempo : kDefaultTempo});
    if (tempo <= 0.0) {
        for (const TempoChange& change : file.tempi) {
            // A file counted in quarter notes places a change by its quarter, one counted in time code by its
            // time; the other follows from the tempi before it.
            const double bpm = 60e6 / change.microsecondsPerQuarter;
            if (file.ticksPerQuarter > 0) {
                const double quarter = static_cast<double>(change.tick) / file.ticksPerQuarter;
                map.addTempo(map.secondsAtQuarter(quarter), quarter, bpm);
            } else {
                const double seconds = static_cast<double>(change.tick) / file.ticksPerSecond;
                map.addTempo(seconds, map.QuarterAt(seconds), bpm);
            }
        }
    }
    map.m_meters.push_back({0.0, meter != nullptr ? *meter : Meter{}});
    if (meter == nullptr) {
        for (const MeterChange& change : file.meters) {
            const double quarter =
                file.ticksPerQuarter > 0
                    ? static_cast<double>(change.tick) / file.ticksPerQuarter
                    : map.QuarterAt(static_cast<double>(change.tick) / file.ticksPerSecond);
            map.addMeter(quarter, {change.numerator, change.denominator});
        }
    }
    return map;
}

void TempoMap::addTempo(double seconds, double quarter, double tempo) {
    if (seconds <= m_tempi.back().seconds) { // changes at one moment: the last one holds
        m_tempi.back().tempo = tempo;
    } else {
        m_tempi.push_back({seconds, quarter, tempo});
    }
}

void TempoMap::addMeter(double quarter, Meter meter) {
    if (quarter <= m_meters.back().quarter) {
        m_meters.back().meter = meter;
    } else {
        m_meters.push_back({quarter, meter});
    }
}

const TempoMap::TempoSegment& TempoMap::segmentAtSeconds(double seconds) const {
    const auto after =
        std::upper_bound(m_tempi.begin(), m_tempi.end(), seconds,
                         [](double s, const TempoSegment& segment) { return s < segment.seconds; });
    return after == m_tempi.begin() ? m_tempi.front() : *(after - 1);
}

double TempoMap::secondsAtQuarter(double quarter) const {
    const auto after =
        std::upper_bound(m_tempi.begin(), m_tempi.end(), quarter,
                         [](double q, const TempoSegment& segment) { return q < segment.quarter; });
    const TempoSegment& segment = after == m_tempi.begin() ? m_tempi.front() : *(after - 1);
    return segment.seconds + (quarter - segment.quarter) * 60.0 / segment.tempo;
}

double TempoMap::SecondsAtTick(uint64_t tick) const {
    if (m_ticksPerQuarter > 0) {
        return secondsAtQuarter(static_cast<double>(tick) / m_ticksPerQuarter);
    }
    return m_ticksPerSecond > 0.0 ? static_cast<double>(tick) / m_ticksPerSecond : 0.0;
}

double TempoMap::QuarterAt(double seconds) const {
    const TempoSegment& segment = segmentAtSeconds(seconds);
    return segment.quarter + (seconds - segment.seconds) * segment.tempo / 60.0;
}

double TempoMap::TempoAt(double seconds) const {
    return segmentAtSeconds(seconds).tempo;
}

double TempoMap::BarStartAt(double quarter, Meter& meter) const {
    const auto after =
        std::upper_bound(m_meters.begin(), m_meters.end(), quarter,
                         [](double q, const MeterSegment& segment) { return q < segment.quarter; });
    const MeterSegment& segment = after == m_meters.begin() ? m_meters.front() : *(after - 1);
    meter = segment.meter;
    const double barLength = 4.0 * meter.numerator / meter.denominator;
    // A hair of tolerance, so that a position that is a bar line up to rounding counts as that bar's start.
    const double bars = std::floor((quarter - segment.quarter) / barLength + 1e-9);
    return segment.quarter + std::max(bars, 0.0) * barLength;
}

} // namespace orke::host
