// The host's transport, asked once per block for a plug-in that wants it (kOrkeWantsTransport), and kept only
// as far as the host vouches for each field.
#include "OrkeAuBase.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int32_t kFieldsAsked =
    kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;

bool finite(double value) {
    return std::isfinite(value);
}

// What the host's record says, field by field: a field counts only with its valid bit and a usable value, so
// a host that answers NaN or a tempo of 0 gives no tempo rather than a wrong one. Every field is written, so
// nothing of an earlier block remains.
void readTransport(const VstTimeInfo& info, OrkeTransport& transport) {
    transport = OrkeTransport();
    const int32_t flags = info.flags;
    if (finite(info.samplePos)) {
        transport.valid |= OrkeTransport::kSamplePosition;
        transport.samplePosition = info.samplePos;
        transport.playing = (flags & kVstTransportPlaying) != 0;
        transport.recording = (flags & kVstTransportRecording) != 0;
        transport.looping = (flags & kVstTransportCycleActive) != 0;
    }
    if ((flags & kVstTempoValid) != 0 && finite(info.tempo) && info.tempo > 0.0) {
        transport.valid |= OrkeTransport::kTempo;
        transport.tempo = info.tempo;
    }
    if ((flags & kVstPpqPosValid) != 0 && finite(info.ppqPos)) {
        transport.valid |= OrkeTransport::kPosition;
        transport.quarterNotePosition = info.ppqPos;
    }
    if ((flags & kVstBarsValid) != 0 && finite(info.barStartPos)) {
        transport.valid |= OrkeTransport::kBarStart;
        transport.barStartPosition = info.barStartPos;
    }
    if ((flags & kVstTimeSigValid) != 0 && info.timeSigNumerator > 0 && info.timeSigDenominator > 0) {
        transport.valid |= OrkeTransport::kTimeSignature;
        transport.timeSignatureNumerator = info.timeSigNumerator;
        transport.timeSignatureDenominator = info.timeSigDenominator;
    }
    if ((flags & kVstCyclePosValid) != 0 && finite(info.cycleStartPos) && finite(info.cycleEndPos)) {
        transport.valid |= OrkeTransport::kLoopRange;
        transport.loopStart = info.cycleStartPos;
        transport.loopEnd = info.cycleEndPos;
    }
}

} // namespace

void OrkeAuBase::FetchTransport() {
    const VstTimeInfo* info = getTimeInfo(kFieldsAsked);
    if (info == nullptr) {
        m_transport = OrkeTransport();
        return;
    }
    VstTimeInfo copy;
    std::memcpy(&copy, info, sizeof(copy)); // read once: the host may rewrite its record
    readTransport(copy, m_transport);
}
