// orke-block-bench: what the framework costs on its two paths, in one run, each plug-in called through its
// record's replacing entry as a host calls it:
//
//   gain/hand/N     a gain settled at one half, straight against the record: one loop per channel
//   gain/kernels/N  Orke Gain on "Half": the shell, the render path, one kernel per channel, the same loop
//   gain/block/N    the same gain on the whole-block path (WholeBlockGain.so, built beside this program)
//   echo/hand/N     Orke Echo's delay (its PingPongDelay) called from a record of its own, which asks the
//   host
//                   for its tempo every block as any tempo-synced plug-in must
//   echo/orke/N     Orke Echo: the shell, the render path with the host's transport asked every block, its
//                   ProcessBlock and the same delay
//
// N is the block size in frames; items per second are frames per second. The host answers every request for
// the transport with 120 BPM, playing. The modules are the ones built beside this program.
#include "BenchHost.h"
#include "PingPongDelay.h"
#include "VstRecords.h"

#include <cmath>

namespace {

using namespace bench;

constexpr int kBlockSizes[] = {16, 64, 256, 1024};

VstTimeInfo g_time = [] {
    VstTimeInfo time{};
    time.sampleRate = 48000.0;
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid | kVstBarsValid | kVstTimeSigValid;
    return time;
}();

intptr_t playingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    if (opcode == audioMasterGetTime) {
        return reinterpret_cast<intptr_t>(&g_time);
    }
    return orke::BaseHostCallback(effect, opcode, index, value, ptr, opt);
}

// A record whose replacing entry calls `Process` of the object it holds.
template <typename Self>
AEffect recordOf(Self* self) {
    AEffect record{};
    record.magic = kEffectMagic;
    record.object = self;
    record.numInputs = kChannels;
    record.numOutputs = kChannels;
    record.processReplacing = [](AEffect* effect, float** inputs, float** outputs, int32_t frames) {
        static_cast<Self*>(effect->object)->Process(inputs, outputs, frames > 0 ? uint32_t(frames) : 0);
    };
    return record;
}

struct HandGain {
    AEffect record = recordOf(this);
    void Process(float** inputs, float** outputs, uint32_t frames) {
        for (int c = 0; c < kChannels; ++c) {
            for (uint32_t k = 0; k < frames; ++k) {
                outputs[c][k] = inputs[c][k] * 0.5f;
            }
        }
    }
};

// Orke Echo's first program, a synced eighth note, 45 % feedback, 35 % mix and an 8 kHz high cut, written
// straight against the record: like any plug-in that follows the tempo, it asks the host for the time every
// block, and sets its delay again when the tempo moves.
struct HandEcho {
    AEffect record = recordOf(this);
    PingPongDelay delay;
    double tempo = 0.0;
    HandEcho() { delay.Reset(48000.0f); }
    void Process(float** inputs, float** outputs, uint32_t frames) {
        const auto* time = reinterpret_cast<const VstTimeInfo*>(
            playingHost(&record, audioMasterGetTime, 0, kVstTempoValid, nullptr, 0.0f));
        const double now = time != nullptr && (time->flags & kVstTempoValid) != 0 ? time->tempo : 120.0;
        if (now != tempo) {
            tempo = now;
            delay.Set({std::round(0.5 * 48000.0 * 60.0 / tempo), 0.45f, 0.35f, 8000.0f});
        }
        delay.Process(inputs[0], inputs[1], outputs[0], outputs[1], frames);
    }
};

StereoBuffers* g_buffers = nullptr;

void render(benchmark::State& state, AEffect* effect) {
    const auto frames = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        effect->processReplacing(effect, g_buffers->inputs, g_buffers->outputs, frames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// A module's stereo effect on `program`, started with the playing host; null, with a line, when there is
// none.
AEffect* start(const orke::PluginModule& module, int32_t program) {
    AEffect* effect = module.HasEntry() ? module.Create(playingHost) : nullptr;
    if (effect == nullptr) {
        std::fprintf(stderr, "orke-block-bench: %s: %s\n", module.Path().c_str(), module.Error().c_str());
        return nullptr;
    }
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 48000.0f);
    dispatch(effect, effSetBlockSize, kMaxFrames);
    dispatch(effect, effSetProgram, program);
    dispatch(effect, effMainsChanged, 1);
    return effect;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const orke::PluginModule gainModule(ORKE_GAIN_PATH), blockModule(WHOLE_BLOCK_GAIN_PATH),
        echoModule(ORKE_ECHO_PATH);
    AEffect* kernels = start(gainModule, 1);
    AEffect* block = start(blockModule, 0);
    AEffect* echo = start(echoModule, 0);
    if (kernels == nullptr || block == nullptr || echo == nullptr) {
        return 1;
    }
    StereoBuffers buffers;
    g_buffers = &buffers;
    // A second of audio first, so that Orke Gain's ramp and Orke Echo's glides have settled.
    for (AEffect* effect : {kernels, block, echo}) {
        for (int k = 0; k < 48000 / 64; ++k) {
            effect->processReplacing(effect, buffers.inputs, buffers.outputs, 64);
        }
    }
    static HandGain handGain;
    static HandEcho handEcho;
    for (int frames : kBlockSizes) {
        for (const auto& [name, effect] : {std::pair{"gain/hand", &handGain.record},
                                           {"gain/kernels", kernels},
                                           {"gain/block", block},
                                           {"echo/hand", &handEcho.record},
                                           {"echo/orke", echo}}) {
            benchmark::RegisterBenchmark(name, render, effect)->Arg(frames);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (AEffect* effect : {kernels, block, echo}) {
        stopEffect(effect);
    }
    return 0;
}
