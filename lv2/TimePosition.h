// The LV2 host's time position, kept as the plug-in's VST 2.4 host would answer it: each time:Position
// object updates the fields it carries, and between objects the position moves on with the frames rendered,
// at the host's speed and tempo. Beats count in the host's beat unit; the plug-in is answered in quarter
// notes.
#pragma once

#include "Uris.h"
#include "VstRecords.h"

#include "lv2/atom/atom.h"

#include <cstdint>

namespace orke::lv2 {

class TimePosition {
public:
    // [main thread] Keys from `uris`; no position until the host sends one.
    explicit TimePosition(const Uris& uris)
        : m_uris(uris) {}

    // [audio thread] Takes the fields of a time:Position object; false (nothing taken) for another object.
    bool Read(const LV2_Atom_Object* object);
    // [audio thread] Moves on by `frames` rendered at `sampleRate`.
    void Advance(uint32_t frames, double sampleRate);
    // [audio thread] The record audioMasterGetTime answers for the next block; null before the host gave any
    // position. Valid until the next call.
    const VstTimeInfo* Info(double sampleRate);

private:
    bool Number(const LV2_Atom* atom, double& value) const;

    const Uris& m_uris;
    bool m_known = false;
    bool m_changed = false; // the play state changed since the last block
    double m_frame = 0.0;
    double m_speed = 0.0;
    bool m_hasBeat = false;
    double m_beat = 0.0;     // beats since the start, in the beat unit
    double m_barStart = 0.0; // the beat the current bar starts on
    double m_beatsPerMinute = 0.0;
    double m_beatsPerBar = 0.0;
    double m_beatUnit = 4.0;
    VstTimeInfo m_info{};
};

} // namespace orke::lv2
