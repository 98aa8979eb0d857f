// Orke Echo's effect class, in the order of its life: its programs and description, construction, the block
// path, and the answers to the host.
#include "OrkeEcho.h"

#include <cmath>

namespace {

constexpr int32_t kVersion = 0x00010000; // 1.0.0

// The programs, in the host's program order. Values are real ones, in table order: sync, note, time (ms),
// feedback (%), mix (%), high cut (Hz).
const OrkePreset kPresets[] = {
    {"Eighth Ping-Pong", {1.0f, 4.0f, 375.0f, 45.0f, 35.0f, 8000.0f}},
    {"Dotted Eighth", {1.0f, 5.0f, 375.0f, 40.0f, 30.0f, 6000.0f}},
    {"Slapback", {0.0f, 4.0f, 90.0f, 0.0f, 30.0f, 12000.0f}},
    {"Dark Quarter", {1.0f, 7.0f, 500.0f, 65.0f, 40.0f, 2000.0f}},
    {"Triplet Wash", {1.0f, 6.0f, 500.0f, 75.0f, 45.0f, 4000.0f}},
};

// Two inputs, two outputs, the host's tempo every block, and the programs kept as one chunk.
constexpr OrkeEffectDescription kDescription = OrkeEffectDescription("Orke Echo", orke::fourCharCode("OKec"))
                                                   .Version(kVersion)
                                                   .Category(kPlugCategRoomFx)
                                                   .Channels(2, 2)
                                                   .Presets(kPresets)
                                                   .Options(kOrkeWantsTransport | kOrkeKeepsState);

constexpr double kSilence = 1e-6; // -120 dB: where an echo no longer counts as sound

} // namespace

const double OrkeEcho::kNoteLengths[12] = {
    1.0 / 6.0, 0.25, 0.375, 1.0 / 3.0, 0.5, 0.75, 2.0 / 3.0, 1.0, 1.5, 4.0 / 3.0, 2.0, 3.0,
};

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return OrkeAuBase::Create<OrkeEcho>(audioMaster);
}

// ---- construction ---------------------------------------------------------------------------------------

// The delay lines are made here, on the main thread, for the longest delay at the highest rate: nothing is
// allocated once the host processes.
OrkeEcho::OrkeEcho(audioMasterCallback audioMaster)
    : OrkeAuBase(audioMaster, kDescription) {}

OrkeEcho::~OrkeEcho() {
    Cleanup();
}

OSStatus OrkeEcho::Initialize() {
    return noErr;
}

void OrkeEcho::Cleanup() {}

SInt32 OrkeEcho::Version() {
    return kVersion;
}

// ---- the block path [audio thread] ------------------------------------------------------------------------

void OrkeEcho::Reset() {
    m_delay.Reset(RenderSampleRate());
    m_tempoInUse = 0.0;
}

// Synced, the delay is a note value at the host's tempo; free, or when the host gives no tempo, it is the
// time in milliseconds. Either way a whole number of frames, so that every echo lands on a frame.
double OrkeEcho::DelayFrames(const OrkeTransport& transport, float sampleRate) const {
    const bool synced = GetParameterValue(kSync) >= 0.5f && transport.Has(OrkeTransport::kTempo);
    if (synced) {
        const auto note = static_cast<int>(GetParameterValue(kNote));
        const double quarterNotes = kNoteLengths[note >= 0 && note < 12 ? note : 4];
        return std::round(quarterNotes * transport.FramesPerQuarterNote(sampleRate));
    }
    return std::round(GetParameterValue(kTime) * 0.001 * sampleRate);
}

void OrkeEcho::ProcessBlock(const OrkeBlock& block) {
    // New targets only when a parameter or the tempo moved: usually one atomic load and one comparison.
    const double tempo = block.transport.Has(OrkeTransport::kTempo) ? block.transport.tempo : 0.0;
    if (ParametersChanged() || tempo != m_tempoInUse) {
        m_tempoInUse = tempo;
        const double frames = DelayFrames(block.transport, block.sampleRate);
        m_delayInUse = static_cast<float>(frames);
        m_delay.Set({frames, GetParameterValue(kFeedback) * 0.01f, GetParameterValue(kMix) * 0.01f,
                     GetParameterValue(kHighCut)});
    }
    m_delay.Process(block.inputs[0], block.inputs[1], block.outputs[0], block.outputs[1], block.frames);
}

// ---- answers to the host [main thread] ------------------------------------------------------------------

int32_t OrkeEcho::Tail() {
    const double feedback = GetParameterValue(kFeedback) * 0.01;
    const double roundTrips = feedback > 0.0 ? std::ceil(std::log(kSilence) / std::log(feedback)) : 0.0;
    const double frames = static_cast<double>(m_delayInUse) * (roundTrips + 1.0);
    return frames < 2147483647.0 ? static_cast<int32_t>(frames) : kOrkeTailUnbounded;
}

// The note values by name, in kNoteLengths' order: the host's display shows them, and text entry takes them.
OSStatus OrkeEcho::GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) {
    if (parameterID == kNote) {
        static const CFStringRef kNames[] = {
            CFSTR("1/16 triplet"), CFSTR("1/16"),        CFSTR("1/16 dotted"), CFSTR("1/8 triplet"),
            CFSTR("1/8"),          CFSTR("1/8 dotted"),  CFSTR("1/4 triplet"), CFSTR("1/4"),
            CFSTR("1/4 dotted"),   CFSTR("1/2 triplet"), CFSTR("1/2"),         CFSTR("1/2 dotted"),
        };
        return ValueStrings(kNames, 12, outStrings);
    }
    return OrkeAuBase::GetParameterValueStrings(scope, parameterID, outStrings);
}
