// orke-framework-bench: what the framework costs. The same gain, settled at one half, rendered two ways in
// one run, each called through its record's replacing entry as a host calls it:
//
//   direct/N  a plug-in written straight against the record: one process function, a loop per channel
//   orke/N    Orke Gain, loaded from its module, on its "Half" program: the shell, the framework's render
//             path, one kernel per channel that asks whether a parameter changed, then the same loop
//
// N is the block size in frames; items per second are frames per second. The ratio of the two times (direct
// over orke) is the share of Orke Gain's time that is the gain itself. The module is the one built beside
// this program unless a path is given as the first argument after the benchmark options.
#include "BenchHost.h"

namespace {

using namespace bench;

constexpr int kBlockSizes[] = {16, 32, 64, 128, 256, 1024, 4096, 8192};
constexpr int kHalfProgram = 1;

// The gain without the framework: the record, and per channel the state Orke Gain's kernel keeps, processed
// by the same arithmetic (a ramp while one is running, then a plain multiplication).
struct DirectGain {
    struct Channel {
        float gain = 0.5f;
        float target = 0.5f;
        float step = 0.0f;
        unsigned long rampLeft = 0;
    };
    AEffect record{};
    Channel channels[kChannels];

    DirectGain() {
        record.magic = kEffectMagic;
        record.object = this;
        record.numInputs = kChannels;
        record.numOutputs = kChannels;
        record.processReplacing = Process;
    }

    static void Process(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
        auto* self = static_cast<DirectGain*>(effect->object);
        const unsigned long frames = sampleFrames > 0 ? static_cast<unsigned long>(sampleFrames) : 0;
        for (int c = 0; c < kChannels; ++c) {
            Channel& channel = self->channels[c];
            const float* source = inputs[c];
            float* destination = outputs[c];
            unsigned long k = 0;
            for (; channel.rampLeft > 0 && k < frames; ++k) {
                --channel.rampLeft;
                channel.gain = channel.target - channel.step * static_cast<float>(channel.rampLeft);
                destination[k] = source[k] * channel.gain;
            }
            const float gain = channel.gain;
            for (; k < frames; ++k) {
                destination[k] = source[k] * gain;
            }
        }
    }
};

StereoBuffers* g_buffers = nullptr;

// One benchmark body for both: the record's replacing entry, as a host calls it.
void render(benchmark::State& state, AEffect* effect) {
    const auto frames = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        effect->processReplacing(effect, g_buffers->inputs, g_buffers->outputs, frames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// Both gains, side by side, size by size, so that both see the machine in the same state.
void registerBenchmarks(AEffect* orke, StereoBuffers& buffers) {
    g_buffers = &buffers;
    // A second of audio lets Orke Gain's ramp, if any, settle before timing starts.
    for (int block = 0; block < 48000 / 64; ++block) {
        orke->processReplacing(orke, buffers.inputs, buffers.outputs, 64);
    }
    static DirectGain direct;
    for (int frames : kBlockSizes) {
        for (const auto& [name, effect] : {std::pair{"direct", &direct.record}, std::pair{"orke", orke}}) {
            benchmark::RegisterBenchmark(name, render, effect)->Arg(frames);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    return runOnEffect(argc, argv, "orke-framework-bench", ORKE_GAIN_PATH, kHalfProgram, registerBenchmarks);
}
