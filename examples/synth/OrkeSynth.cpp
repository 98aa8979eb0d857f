// Orke Synth's instrument class, in the order of its life: its programs and description, construction,
// the block and its notes, and the answers to the host.
#include "OrkeSynth.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int32_t kVersion = 0x00010000; // 1.0.0

// The programs, in the host's program order. Values are real ones, in table order (PluginParameters.h):
// waves, semitones, detune, mix, width, noise; cutoff, resonance, filter envelope, key tracking; the
// amplitude's and the filter's attack, decay, sustain and release; velocity, voice mode, glide, bend
// range, volume.
// clang-format off
const OrkePreset kPresets[] = {
    {"Saw Lead", {kWaveSaw, kWaveSaw, 0, 7, 50, 50, 0,           1800, 25, 40, 50,
                  0.005f, 0.3f, 80, 0.25f,   0.005f, 0.4f, 20, 0.3f,    50, kPoly, 0, 2, -6}},
    {"Warm Pad", {kWaveSaw, kWaveSquare, 12, 10, 40, 35, 0,      900, 15, 30, 30,
                  0.6f, 1.0f, 85, 1.8f,      0.8f, 1.5f, 60, 1.5f,      30, kPoly, 0, 2, -8}},
    {"Pluck", {kWaveSquare, kWaveTriangle, 0, 0, 40, 30, 0,      400, 35, 70, 60,
               0.001f, 0.6f, 0, 0.3f,        0.001f, 0.25f, 0, 0.2f,    70, kPoly, 0, 2, -4}},
    {"Mono Bass", {kWaveSaw, kWaveSquare, -12, 0, 50, 50, 0,     250, 45, 50, 30,
                   0.002f, 0.2f, 90, 0.08f,  0.002f, 0.22f, 10, 0.12f,  40, kLegato, 0.06f, 2, -4}},
    {"Brass", {kWaveSaw, kWaveSaw, 0, 12, 50, 50, 0,             700, 10, 55, 40,
               0.03f, 0.3f, 85, 0.2f,        0.06f, 0.5f, 40, 0.2f,     60, kPoly, 0, 2, -6}},
    {"Pure Sine", {kWaveSine, kWaveSine, 0, 0, 0, 50, 0,         20000, 0, 0, 0,
                   0.005f, 0.1f, 100, 0.2f,  0.005f, 0.1f, 0, 0.2f,     50, kPoly, 0, 2, -6}},
    {"Breath", {kWaveTriangle, kWaveSine, 12, 0, 30, 50, 35,     1200, 30, 25, 70,
                0.12f, 0.4f, 70, 0.5f,       0.15f, 0.6f, 50, 0.5f,     60, kMono, 0.12f, 2, -6}},
};
// clang-format on

// Everything the host learns before it plays a note: a synth taking events on every MIDI channel, with no
// audio inputs and two outputs.
constexpr OrkeEffectDescription kDescription = OrkeEffectDescription("Orke Synth", orke::fourCharCode("OKsy"))
                                                   .Version(kVersion)
                                                   .Category(kPlugCategSynth)
                                                   .Channels(0, 2)
                                                   .Presets(kPresets)
                                                   .Options(kOrkeInstrument);

constexpr double kVolumeSeconds = 0.02; // a moved volume reaches the sound over 20 ms
constexpr float kHeadroom = 0.5f;       // eight loud voices together stay near full scale
// Envelope swing at 100 %, in octaves.
constexpr float kEnvelopeOctaves = 8.0f;

} // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return OrkeAuBase::Create<OrkeSynth>(audioMaster);
}

// ---- construction [main thread] ------------------------------------------------------------------------

// Every voice is made here, reading the settings the plug-in writes: nothing is allocated once the host
// plays.
OrkeSynth::OrkeSynth(audioMasterCallback audioMaster)
    : OrkeMusicDevice(audioMaster, kDescription)
    , m_voices(kPolyphony, m_settings) {
    m_voices.SetSampleRate(RenderSampleRate());
}

OrkeSynth::~OrkeSynth() {
    Cleanup();
}

OSStatus OrkeSynth::Initialize() {
    return noErr;
}

void OrkeSynth::Cleanup() {}

SInt32 OrkeSynth::Version() {
    return kVersion;
}

// ---- the block [audio thread] ----------------------------------------------------------------------------

// A resume or a new rate: what sounded before belongs to another stream, and the volume starts where the
// parameter has it rather than ramping there.
void OrkeSynth::Reset() {
    m_voices.SetSampleRate(RenderSampleRate());
    ReadParameters();
    m_volume.Jump(m_volume.Target());
}

void OrkeSynth::ReadParameters() {
    const auto percent = [this](int index) {
        return GetParameterValue(index) * 0.01f;
    };
    SynthSettings& s = m_settings;
    s.wave1 = int(GetParameterValue(kWave1));
    s.wave2 = int(GetParameterValue(kWave2));
    s.semitones2 = GetParameterValue(kSemitones2);
    s.detune = GetParameterValue(kDetune);
    s.mix = percent(kMix);
    s.pulseWidth = percent(kPulseWidth);
    s.noise = percent(kNoise);
    s.cutoff = GetParameterValue(kCutoff);
    s.resonance = percent(kResonance);
    s.envelopeOctaves = percent(kFilterEnvelope) * kEnvelopeOctaves;
    s.keyTracking = percent(kKeyTracking);
    s.ampAttack = GetParameterValue(kAmpAttack);
    s.ampDecay = GetParameterValue(kAmpDecay);
    s.ampSustain = percent(kAmpSustain);
    s.ampRelease = GetParameterValue(kAmpRelease);
    s.filterAttack = GetParameterValue(kFilterAttack);
    s.filterDecay = GetParameterValue(kFilterDecay);
    s.filterSustain = percent(kFilterSustain);
    s.filterRelease = GetParameterValue(kFilterRelease);
    s.velocity = percent(kVelocity);
    s.glide = GetParameterValue(kGlide);
    s.version = s.version == UINT32_MAX ? 1 : s.version + 1;
    const auto mode = int(GetParameterValue(kVoiceMode));
    m_voices.SetMonophonic(mode == kMono || mode == kLegato, mode == kLegato);
    m_voices.SetPitchBendRange(GetParameterValue(kBendRange));
    const auto gain = float(std::pow(10.0, GetParameterValue(kVolume) / 20.0)) * kHeadroom;
    m_volume.SetRampSeconds(float(kVolumeSeconds), RenderSampleRate());
    m_volume.SetTarget(gain);
}

void OrkeSynth::ProcessBlock(const OrkeBlock& block) {
    // New settings only when a parameter moved or the program switched: usually one atomic load. The voices
    // smooth what they read frame by frame, so where the host's blocks begin changes nothing.
    if (ParametersChanged()) {
        ReadParameters();
    }
    OrkeMusicDevice::ProcessBlock(block);
}

void OrkeSynth::RenderFrames(const OrkeBlock& block, int32_t begin, int32_t end) {
    m_voices.Render(block.outputs, block.numOutputs, begin, end);
    for (int32_t k = begin; k < end; ++k) {
        const float gain = m_volume.Next();
        for (int32_t c = 0; c < block.numOutputs; ++c) {
            block.outputs[c][k] *= gain;
        }
    }
}

// ---- the notes [audio thread]: the voices play every channel alike -------------------------------------

void OrkeSynth::NoteOn(int, int key, int velocity, int32_t) {
    m_voices.NoteOn(key, velocity);
}

void OrkeSynth::NoteOff(int, int key, int, int32_t) {
    m_voices.NoteOff(key);
}

void OrkeSynth::PitchBend(int, float wheel, int32_t) {
    m_voices.SetPitchBend(wheel);
}

void OrkeSynth::SustainPedal(int, bool down, int32_t) {
    m_voices.SetSustain(down);
}

void OrkeSynth::AllNotesOff(int, int32_t) {
    m_voices.AllNotesOff();
}

void OrkeSynth::AllSoundOff(int, int32_t) {
    m_voices.AllSoundOff();
}

// A program change from the keyboard switches programs as the host's own request does, and the voices
// take the new values at the change's own frame, so that where the host's blocks fall changes nothing.
void OrkeSynth::ProgramChange(int, int program, int32_t) {
    if (program < numPrograms) {
        setProgram(program);
        ReadParameters();
    }
}

// ---- answers to the host [main thread] ------------------------------------------------------------------

int32_t OrkeSynth::Tail() {
    const double seconds = GetParameterValue(kAmpRelease) + SynthVoice::kFadeSeconds;
    return int32_t(std::lround(seconds * RenderSampleRate()));
}

// The waves and the voice modes by name: the host's display shows them, and text entry takes them.
OSStatus OrkeSynth::GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) {
    if (parameterID == kWave1 || parameterID == kWave2) {
        static const CFStringRef kWaves[] = {CFSTR("Saw"), CFSTR("Square"), CFSTR("Triangle"), CFSTR("Sine")};
        return ValueStrings(kWaves, 4, outStrings);
    }
    if (parameterID == kVoiceMode) {
        static const CFStringRef kModes[] = {CFSTR("Poly"), CFSTR("Mono"), CFSTR("Legato")};
        return ValueStrings(kModes, 3, outStrings);
    }
    return OrkeAuBase::GetParameterValueStrings(scope, parameterID, outStrings);
}
