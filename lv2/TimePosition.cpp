// Reading time:Position objects, moving the position on, and the time record the plug-in is answered.
#include "TimePosition.h"

#include "lv2/atom/util.h"

#include <cmath>

namespace orke::lv2 {

bool TimePosition::Number(const LV2_Atom* atom, double& value) const {
    if (atom == nullptr) {
        return false;
    }
    double number;
    if (atom->type == m_uris.atomDouble && atom->size >= sizeof(double)) {
        number = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
    } else if (atom->type == m_uris.atomFloat && atom->size >= sizeof(float)) {
        number = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
    } else if (atom->type == m_uris.atomLong && atom->size >= sizeof(int64_t)) {
        number = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
    } else if (atom->type == m_uris.atomInt && atom->size >= sizeof(int32_t)) {
        number = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
    } else {
        return false;
    }
    if (!std::isfinite(number)) {
        return false;
    }
    value = number;
    return true;
}

bool TimePosition::Read(const LV2_Atom_Object* object) {
    if (object->body.otype != m_uris.timePosition || m_uris.timePosition == 0) {
        return false;
    }
    const LV2_Atom *frame = nullptr, *speed = nullptr, *bar = nullptr, *barBeat = nullptr, *beat = nullptr,
                   *beatUnit = nullptr, *beatsPerBar = nullptr, *beatsPerMinute = nullptr;
    lv2_atom_object_get(object, m_uris.timeFrame, &frame, m_uris.timeSpeed, &speed, m_uris.timeBar, &bar,
                        m_uris.timeBarBeat, &barBeat, m_uris.timeBeat, &beat, m_uris.timeBeatUnit, &beatUnit,
                        m_uris.timeBeatsPerBar, &beatsPerBar, m_uris.timeBeatsPerMinute, &beatsPerMinute, 0);
    double value;
    m_changed = m_changed || !m_known;
    m_known = true;
    Number(frame, m_frame);
    if (Number(speed, value) && value != m_speed) {
        m_changed = m_changed || (value != 0.0) != (m_speed != 0.0);
        m_speed = value;
    }
    if (Number(beatUnit, value) && value > 0.0) {
        m_beatUnit = value;
    }
    if (Number(beatsPerBar, value) && value > 0.0) {
        m_beatsPerBar = value;
    }
    if (Number(beatsPerMinute, value) && value > 0.0) {
        m_beatsPerMinute = value;
    }
    // The beat counts from the start of the song; without it, the bar and the beat in it give it.
    double barNumber = 0.0, beatInBar = 0.0;
    const bool hasBar = Number(bar, barNumber);
    const bool hasBarBeat = Number(barBeat, beatInBar);
    if (Number(beat, value)) {
        m_hasBeat = true;
        m_beat = value;
    } else if (hasBar && hasBarBeat && m_beatsPerBar > 0.0) {
        m_hasBeat = true;
        m_beat = barNumber * m_beatsPerBar + beatInBar;
    }
    if (m_hasBeat) {
        if (hasBarBeat) {
            m_barStart = m_beat - beatInBar;
        } else if (m_beatsPerBar > 0.0) {
            m_barStart = std::floor(m_beat / m_beatsPerBar) * m_beatsPerBar;
        } else {
            m_barStart = m_beat;
        }
    }
    return true;
}

void TimePosition::Advance(uint32_t frames, double sampleRate) {
    if (!m_known || m_speed == 0.0) {
        return;
    }
    m_frame += frames * m_speed;
    if (m_hasBeat && m_beatsPerMinute > 0.0 && sampleRate > 0.0) {
        m_beat += frames * m_speed * m_beatsPerMinute / (60.0 * sampleRate);
        if (m_beatsPerBar > 0.0) {
            m_barStart += std::floor((m_beat - m_barStart) / m_beatsPerBar) * m_beatsPerBar;
        }
    }
}

const VstTimeInfo* TimePosition::Info(double sampleRate) {
    if (!m_known) {
        return nullptr;
    }
    const double quarter = 4.0 / m_beatUnit; // quarter notes per beat
    VstTimeInfo info{};
    info.samplePos = m_frame;
    info.sampleRate = sampleRate;
    if (m_speed != 0.0) {
        info.flags |= kVstTransportPlaying;
    }
    if (m_changed) {
        info.flags |= kVstTransportChanged;
        m_changed = false;
    }
    if (m_beatsPerMinute > 0.0) {
        info.tempo = m_beatsPerMinute * quarter;
        info.flags |= kVstTempoValid;
    }
    if (m_hasBeat) {
        info.ppqPos = m_beat * quarter;
        info.barStartPos = m_barStart * quarter;
        info.flags |= kVstPpqPosValid | kVstBarsValid;
    }
    if (m_beatsPerBar > 0.0) {
        info.timeSigNumerator = static_cast<int32_t>(std::lround(m_beatsPerBar));
        info.timeSigDenominator = static_cast<int32_t>(std::lround(m_beatUnit));
        info.flags |= kVstTimeSigValid;
    }
    m_info = info;
    return &m_info;
}

} // namespace orke::lv2
