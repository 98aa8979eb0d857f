// The host's transport, asked once per block for a plug-in that wants it (kOrkeWantsTransport), and kept only
// as far as the host vouches for each field.
#include "OrkeAuBase.h"

#include <cmath>

namespace {

constexpr int32_t kFieldsAsked =
    kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;

// What the host's record says, field by field: a field counts only with its valid bit and a usable value, so
// a host that answers NaN or a tempo of 0 gives no tempo rather than a wrong one. Each of the host's fields
// is read once, and the transport starts from nothing every block, so nothing of an earlier block remains.
void readTransport(const VstTimeInfo& info, OrkeTransport& transport) {
    transport = OrkeTransport();
    const int32_t flags = info.flags;
    const double samplePosition = info.samplePos;
    if (std::isfinite(samplePosition)) {
        transport.valid |= OrkeTransport::kSamplePosition;
        transport.samplePosition = samplePosition;
        transport.playing = (flags & kVstTransportPlaying) != 0;
        transport.recording = (flags & kVstTransportRecording) != 0;
        transport.looping = (flags & kVstTransportCycleActive) != 0;
    }
    if ((flags & kVstTempoValid) != 0) {
        const double tempo = info.tempo;
        if (std::isfinite(tempo) && tempo > 0.0) {
            transport.valid |= OrkeTransport::kTempo;
            transport.tempo = tempo;
        }
    }
    if ((flags & kVstPpqPosValid) != 0) {
        const double position = info.ppqPos;
        if (std::isfinite(position)) {
            transport.valid |= OrkeTransport::kPosition;
            transport.quarterNotePosition = position;
        }
    }
    if ((flags & kVstBarsValid) != 0) {
        const double barStart = info.barStartPos;
        if (std::isfinite(barStart)) {
            transport.valid |= OrkeTransport::kBarStart;
            transport.barStartPosition = barStart;
        }
    }
    if ((flags & kVstTimeSigValid) != 0) {
        const int32_t numerator = info.timeSigNumerator;
        const int32_t denominator = info.timeSigDenominator;
        if (numerator > 0 && denominator > 0) {
            transport.valid |= OrkeTransport::kTimeSignature;
            transport.timeSignatureNumerator = numerator;
            transport.timeSignatureDenominator = denominator;
        }
    }
    if ((flags & kVstCyclePosValid) != 0) {
        const double start = info.cycleStartPos;
        const double end = info.cycleEndPos;
        if (std::isfinite(start) && std::isfinite(end)) {
            transport.valid |= OrkeTransport::kLoopRange;
            transport.loopStart = start;
            transport.loopEnd = end;
        }
    }
}

} // namespace

void OrkeAuBase::FetchTransport() {
    if (const VstTimeInfo* info = getTimeInfo(kFieldsAsked)) {
        readTransport(*info, m_transport);
    } else {
        m_transport = OrkeTransport();
    }
}
