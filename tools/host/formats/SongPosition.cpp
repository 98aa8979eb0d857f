// The time record of each block, from the tempo map.
#include "SongPosition.h"

#include <utility>

namespace orke::host {

SongPosition::SongPosition(TempoMap map, double sampleRate)
    : m_map(std::move(map))
    , m_sampleRate(sampleRate) {}

VstTimeInfo* SongPosition::At(int64_t frame) {
    VstTimeInfo& record = m_records[m_next];
    m_next = 1 - m_next;
    const double seconds = static_cast<double>(frame) / m_sampleRate;
    Meter meter;
    record = VstTimeInfo{};
    record.samplePos = static_cast<double>(frame);
    record.sampleRate = m_sampleRate;
    record.ppqPos = m_map.QuarterAt(seconds);
    record.tempo = m_map.TempoAt(seconds);
    record.barStartPos = m_map.BarStartAt(record.ppqPos, meter);
    record.timeSigNumerator = meter.numerator;
    record.timeSigDenominator = meter.denominator;
    record.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                   kVstTimeSigValid | (m_started ? 0 : kVstTransportChanged);
    m_started = true;
    return &record;
}

} // namespace orke::host
