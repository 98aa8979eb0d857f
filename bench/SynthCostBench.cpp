// orke-synth-bench: what the framework costs an instrument. Eight notes held on Orke Synth's "Saw Lead",
// settled in their sustain, rendered two ways in one run, each called through its record's replacing entry
// as a host calls it:
//
//   synth/hand/N/0    the same eight voices (Orke Synth's SynthVoice, with Saw Lead's settings), rendered
//                     one after the other straight from a record of their own, then the master volume
//   synth/orke/N/E    Orke Synth: the shell, the render path, the block's E events read into calls and the
//                     block rendered in runs between them, the voices helper, the same voices and volume
//
// N is the block size in frames and E the events sent before each block: pitch-wheel messages at rest,
// spread evenly over the block, which change no sound but each end a run and reach every voice. Items per
// second are frames per second. The module is the one built beside this program.
#include "BenchHost.h"
#include "MidiEvents.h"
#include "OrkeSmoothedValue.h"
#include "OrkeVoices.h"
#include "SynthVoice.h"

#include <cmath>

namespace {

using namespace bench;

constexpr int kBlockSizes[] = {64, 512};
constexpr int kEventCounts[] = {0, 8, 32};
constexpr int kKeys[8] = {48, 52, 55, 60, 64, 67, 72, 76};
constexpr int kSawLead = 0;

// Saw Lead's values, as Orke Synth hands them to its voices.
SynthSettings sawLead() {
    SynthSettings s;
    s.wave1 = s.wave2 = kWaveSaw;
    s.detune = 7.0f;
    s.mix = 0.5f;
    s.pulseWidth = 0.5f;
    s.cutoff = 1800.0f;
    s.resonance = 0.25f;
    s.envelopeOctaves = 0.4f * 8.0f;
    s.keyTracking = 0.5f;
    s.ampAttack = 0.005f, s.ampDecay = 0.3f, s.ampSustain = 0.8f, s.ampRelease = 0.25f;
    s.filterAttack = 0.005f, s.filterDecay = 0.4f, s.filterSustain = 0.2f, s.filterRelease = 0.3f;
    s.velocity = 0.5f;
    return s;
}

// The voices without the framework: the helper only deals the notes out before timing starts; each block
// clears the outputs, renders every sounding voice over the whole block, and applies the volume.
struct HandSynth {
    AEffect record{};
    SynthSettings settings = sawLead();
    OrkeVoices<SynthVoice> voices{8, settings};
    OrkeSmoothedValue volume{0.5f * 0.5f}; // -6 dB and Orke Synth's headroom

    HandSynth() {
        record.magic = kEffectMagic;
        record.object = this;
        record.numOutputs = kChannels;
        record.processReplacing = [](AEffect* effect, float**, float** outputs, int32_t frames) {
            static_cast<HandSynth*>(effect->object)->Process(outputs, frames > 0 ? frames : 0);
        };
        voices.SetSampleRate(48000.0);
        for (const int key : kKeys) {
            voices.NoteOn(key, 100);
        }
    }
    void Process(float** outputs, int32_t frames) {
        for (int c = 0; c < kChannels; ++c) {
            std::fill(outputs[c], outputs[c] + frames, 0.0f);
        }
        for (int v = 0; v < voices.VoiceCount(); ++v) {
            SynthVoice& voice = voices.VoiceAt(v);
            if (voice.IsSounding()) {
                voice.Render(outputs, kChannels, 0, frames);
            }
        }
        for (int32_t k = 0; k < frames; ++k) {
            const float gain = volume.Next();
            for (int c = 0; c < kChannels; ++c) {
                outputs[c][k] *= gain;
            }
        }
    }
};

StereoBuffers* g_buffers = nullptr;

void renderHand(benchmark::State& state, AEffect* effect) {
    const auto frames = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        effect->processReplacing(effect, g_buffers->inputs, g_buffers->outputs, frames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// The events of one block are made once and sent before every block, as a host sends a block's list.
void renderOrke(benchmark::State& state, AEffect* effect) {
    const auto frames = static_cast<int32_t>(state.range(0));
    const auto count = static_cast<int32_t>(state.range(1));
    MidiEvents events;
    for (int32_t e = 0; e < count; ++e) {
        events.Add(e * frames / count, 0xE0, 0x00, 0x40); // the wheel at rest
    }
    VstEvents* list = events.List();
    for (auto _ : state) {
        if (count > 0) {
            effect->dispatcher(effect, effProcessEvents, 0, 0, list, 0.0f);
        }
        effect->processReplacing(effect, g_buffers->inputs, g_buffers->outputs, frames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const orke::PluginModule module(ORKE_SYNTH_PATH);
    AEffect* synth = module.HasEntry() ? module.Create(orke::BaseHostCallback) : nullptr;
    if (synth == nullptr) {
        std::fprintf(stderr, "orke-synth-bench: %s: %s\n", module.Path().c_str(), module.Error().c_str());
        return 1;
    }
    dispatch(synth, effOpen);
    dispatch(synth, effSetSampleRate, 0, 48000.0f);
    dispatch(synth, effSetBlockSize, kMaxFrames);
    dispatch(synth, effSetProgram, kSawLead);
    dispatch(synth, effMainsChanged, 1);
    StereoBuffers buffers;
    g_buffers = &buffers;
    MidiEvents notes;
    for (const int key : kKeys) {
        notes.Add(0, 0x90, uint8_t(key), 100);
    }
    synth->dispatcher(synth, effProcessEvents, 0, 0, notes.List(), 0.0f);
    // A second of audio first, so that both sets of voices are in their sustain, every ramp settled.
    static HandSynth hand;
    for (AEffect* effect : {synth, &hand.record}) {
        for (int k = 0; k < 48000 / 64; ++k) {
            effect->processReplacing(effect, buffers.inputs, buffers.outputs, 64);
        }
    }
    for (const int frames : kBlockSizes) {
        benchmark::RegisterBenchmark("synth/hand", renderHand, &hand.record)->Args({frames, 0});
        for (const int count : kEventCounts) {
            benchmark::RegisterBenchmark("synth/orke", renderOrke, synth)->Args({frames, count});
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    stopEffect(synth);
    return 0;
}
