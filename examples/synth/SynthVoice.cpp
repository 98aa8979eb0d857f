// Orke Synth's voice, frame by frame on the audio thread.
#include "SynthVoice.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSmoothSeconds = 0.02; // a moved knob reaches the sound over 20 ms
constexpr double kBendSeconds = 0.005;  // each wheel message over 5 ms, so that the pitch does not step
constexpr double kLog2MaxQ = 5.321928094887363; // log2(40): resonance 1 gives Q 20, damping 0.05

float HeldTo(float value, float low, float high) {
    return value >= low ? (value <= high ? value : high) : low; // a value that is no number becomes `low`
}

// A new target reached over `frames`; the same target again changes nothing.
void SmoothTo(OrkeSmoothedValue& value, float target, int32_t frames) {
    value.SetRampFrames(static_cast<unsigned long>(frames));
    value.SetTarget(target);
}

} // namespace

// ---- what the voices tell it ---------------------------------------------------------------------------

void SynthVoice::Start(OrkeVoiceStart how, bool glide) {
    Aim();
    const double velocity = Velocity() / 127.0;
    const double sensitivity = HeldTo(m_settings->velocity, 0.0f, 1.0f);
    const auto level = float(1.0 - sensitivity * (1.0 - velocity * velocity));
    const auto depth = float(1.0 - sensitivity * (1.0 - velocity));
    const auto blend = int32_t(std::lround(kFadeSeconds * SampleRate()));
    if (how == OrkeVoiceStart::kFresh) {
        // From silence: every part starts from the same state, so a note sounds the same whenever it comes.
        for (OrkeSmoothedValue* value :
             {&m_mix, &m_detune, &m_width, &m_noise, &m_cutoffOctaves, &m_resonance, &m_envelopeOctaves,
              &m_keyTracking, &m_ampSustain, &m_filterSustain, &m_bend}) {
            value->Jump(value->Target());
        }
        m_velocityLevel.Jump(level);
        m_velocityDepth.Jump(depth);
        m_osc1.Restart();
        m_osc2.Restart();
        m_filter.Clear();
        m_cutoffEnvelope.Stop();
        m_noiseState = 0x9E3779B9u ^ (uint32_t(Key()) * 0x85EBCA6Bu);
        m_filterOctaves = m_resonanceSeen = -1.0;
        glide = false;
    } else if (how == OrkeVoiceStart::kRetrigger) {
        // The sounding voice takes the new velocity over a few milliseconds rather than in one step.
        SmoothTo(m_velocityLevel, level, blend);
        SmoothTo(m_velocityDepth, depth, blend);
    }
    if (how != OrkeVoiceStart::kLegato) {
        m_amp.Start();
        m_cutoffEnvelope.Start();
    }
    const auto glideFrames = int32_t(std::lround(double(m_settings->glide) * SampleRate()));
    if (glide && glideFrames > 0) {
        m_glideFrom = m_notePitch;
        m_glideFrames = glideFrames;
        m_glideDone = 0;
    } else {
        m_notePitch = Key();
        m_glideFrames = 0;
    }
    UpdatePitch();
}

void SynthVoice::Release() {
    m_amp.Release();
    m_cutoffEnvelope.Release();
}

void SynthVoice::Fade() {
    m_amp.Fade(int32_t(std::lround(kFadeSeconds * SampleRate())));
}

void SynthVoice::Stop() {
    m_settingsSeen = 0; // the sample rate may be new: every length is computed again
    m_amp.Stop();
    m_cutoffEnvelope.Stop();
    m_filter.Clear();
    m_glideFrames = 0;
}

// ---- rendering ------------------------------------------------------------------------------------------

void SynthVoice::Aim() {
    const SynthSettings& s = *m_settings;
    const double rate = SampleRate();
    SmoothTo(m_bend, PitchBend(), int32_t(std::lround(kBendSeconds * rate)));
    // The rest only when the plug-in wrote new settings: a block split at many events stays cheap.
    if (s.version == m_settingsSeen) {
        return;
    }
    m_settingsSeen = s.version;
    const auto frames = int32_t(std::lround(kSmoothSeconds * rate));
    SmoothTo(m_mix, HeldTo(s.mix, 0.0f, 1.0f), frames);
    SmoothTo(m_detune, HeldTo(s.detune, -100.0f, 100.0f), frames);
    SmoothTo(m_width, HeldTo(s.pulseWidth, 0.05f, 0.95f), frames);
    SmoothTo(m_noise, HeldTo(s.noise, 0.0f, 1.0f), frames);
    if (s.cutoff != m_cutoffSeen) {
        m_cutoffSeen = s.cutoff;
        SmoothTo(m_cutoffOctaves, float(std::log2(HeldTo(s.cutoff, 1.0f, 100000.0f))), frames);
    }
    SmoothTo(m_resonance, HeldTo(s.resonance, 0.0f, 1.0f), frames);
    SmoothTo(m_envelopeOctaves, HeldTo(s.envelopeOctaves, -10.0f, 10.0f), frames);
    SmoothTo(m_keyTracking, HeldTo(s.keyTracking, 0.0f, 2.0f), frames);
    SmoothTo(m_ampSustain, HeldTo(s.ampSustain, 0.0f, 1.0f), frames);
    SmoothTo(m_filterSustain, HeldTo(s.filterSustain, 0.0f, 1.0f), frames);
    m_amp.SetTimes(s.ampAttack, s.ampDecay, s.ampRelease, rate);
    m_cutoffEnvelope.SetTimes(s.filterAttack, s.filterDecay, s.filterRelease, rate);
    m_wave1 = s.wave1 >= 0 && s.wave1 < kWaveCount ? s.wave1 : kWaveSaw;
    m_wave2 = s.wave2 >= 0 && s.wave2 < kWaveCount ? s.wave2 : kWaveSaw;
    m_semitones2 = HeldTo(s.semitones2, -48.0f, 48.0f);
    UpdatePitch();
}

void SynthVoice::UpdatePitch() {
    const double rate = SampleRate();
    const double pitch = m_notePitch + double(m_bend.Current());
    const double frequency1 = 440.0 * std::exp2((pitch - 69.0) / 12.0);
    const double frequency2 = frequency1 * std::exp2((m_semitones2 + m_detune.Current() / 100.0) / 12.0);
    // Below half the rate, where the rounded jumps still fit between two frames.
    m_increment1 = std::min(frequency1 / rate, 0.45);
    m_increment2 = std::min(frequency2 / rate, 0.45);
    m_keyOctaves = (pitch - 60.0) / 12.0;
}

double SynthVoice::NextFrame() {
    // The pitch: the glide, the wheel and the detune move it; only then are the increments computed again.
    const bool pitchMoves = m_glideFrames > 0 || !m_bend.Settled() || !m_detune.Settled();
    if (m_glideFrames > 0) {
        if (++m_glideDone >= m_glideFrames) {
            m_notePitch = Key();
            m_glideFrames = 0;
        } else {
            m_notePitch = m_glideFrom + (Key() - m_glideFrom) * double(m_glideDone) / double(m_glideFrames);
        }
    }
    m_bend.Next();
    m_detune.Next();
    if (pitchMoves) {
        UpdatePitch();
    }

    const double width = m_width.Next();
    const double first = m_osc1.Next(m_wave1, m_increment1, width);
    const double second = m_osc2.Next(m_wave2, m_increment2, width);
    m_noiseState ^= m_noiseState << 13; // xorshift: the same noise for the same note, wherever it falls
    m_noiseState ^= m_noiseState >> 17;
    m_noiseState ^= m_noiseState << 5;
    const double noise = double(int32_t(m_noiseState)) * (1.0 / 2147483648.0);
    const double mix = m_mix.Next();
    const double source = first + (second - first) * mix + m_noise.Next() * noise;

    // The cutoff in octaves: the knob, the envelope's swing scaled by the velocity, and the key.
    const double envelope = m_cutoffEnvelope.Next(m_filterSustain.Next());
    const double octaves = m_cutoffOctaves.Next() +
                           m_envelopeOctaves.Next() * envelope * m_velocityDepth.Next() +
                           m_keyTracking.Next() * m_keyOctaves;
    const double resonance = m_resonance.Next();
    if (octaves != m_filterOctaves || resonance != m_resonanceSeen) {
        m_filterOctaves = octaves;
        m_resonanceSeen = resonance;
        m_filter.Tune(std::exp2(octaves), 2.0 * std::exp2(-resonance * kLog2MaxQ), SampleRate());
    }
    const double filtered = m_filter.Process(source);
    return filtered * m_amp.Next(m_ampSustain.Next()) * m_velocityLevel.Next();
}

void SynthVoice::Render(float* const* outputs, int32_t channels, int32_t begin, int32_t end) {
    Aim();
    for (int32_t k = begin; k < end && !m_amp.IsIdle(); ++k) {
        const auto sample = float(NextFrame());
        for (int32_t c = 0; c < channels; ++c) {
            outputs[c][k] += sample;
        }
    }
}
