// A plug-in module that writes down what a host hands it, for the tests of orke-host's renders. Each block of
// the instrument adds to the file named by ORKE_RECORDING the events it got before it ("event DELTA STATUS
// DATA1 DATA2"), then the block ("block FIRST_FRAME FRAMES") and the host's time record for it ("time
// SAMPLE_POS PPQ TEMPO BAR_START NUMERATOR DENOMINATOR FLAGS"). With ORKE_RECORDER_CRASH_AT=N it crashes in
// the block that holds frame N. Which plug-in it is comes from how it is compiled:
//   RECORDER_INSTRUMENT  a synth with no inputs and two silent outputs
//   RECORDER_DELAY       four inputs (two and a sidechain pair) mixed into two outputs 100 frames late, a
//                        delay it declares
//   RECORDER_ODD         the instrument, silent but for a NaN at frame 1000 of output 1, an infinity at frame
//                        1500 of output 0 and 20.0 (+26 dBFS) at frames 2000 and 2001 of output 1
//   RECORDER_EXIT        the instrument ending the process with exit(0) in its third process call
//   RECORDER_UNDERSCORE_EXIT  the same with _exit(0)
#include "Module.h"

#include <tuple>

namespace {

#if defined(RECORDER_DELAY)
constexpr int32_t kInputs = 4;
constexpr int32_t kDelay = 100;
#else
constexpr int32_t kInputs = 0;
constexpr int32_t kDelay = 0;
#endif

audioMasterCallback g_host;

// One per instance: a host may open several at once (orke-host measures latency on a second one).
struct Recorder {
    AEffect record{};
    FILE* log = nullptr;
    long long frames = 0; // rendered so far
    long long crashAt = -1;
    int calls = 0;
    float delayLine[2][kDelay + 1] = {};
    int delayAt = 0;
};

Recorder& recorderOf(AEffect* effect) {
    return *static_cast<Recorder*>(effect->object);
}

intptr_t dispatch(AEffect* effect, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    Recorder& recorder = recorderOf(effect);
    switch (opcode) {
    case effOpen:
        if (const char* path = std::getenv("ORKE_RECORDING"); path != nullptr && kInputs == 0) {
            recorder.log = std::fopen(path, "w");
        }
        if (const char* crash = std::getenv("ORKE_RECORDER_CRASH_AT")) {
            recorder.crashAt = std::atoll(crash);
        }
        return 0;
    case effClose:
        if (recorder.log != nullptr) {
            std::fclose(recorder.log);
        }
        delete &recorder;
        return 0;
    case effCanDo:
        return ptr != nullptr && std::strcmp(static_cast<const char*>(ptr), "receiveVstEvents") == 0 ? 1 : 0;
    case effProcessEvents: {
        const auto* list = static_cast<const VstEvents*>(ptr);
        for (int32_t i = 0; recorder.log != nullptr && i < list->numEvents; ++i) {
            const auto* event = reinterpret_cast<const VstMidiEvent*>(list->events[i]);
            std::fprintf(recorder.log, "event %d %d %d %d\n", event->deltaFrames, event->midiData[0] & 0xFF,
                         event->midiData[1] & 0xFF, event->midiData[2] & 0xFF);
        }
        return 1;
    }
    }
    return 0;
}

void process(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
    Recorder& recorder = recorderOf(effect);
    if (recorder.crashAt >= recorder.frames && recorder.crashAt < recorder.frames + frames) {
        *static_cast<volatile int*>(nullptr) = 1;
    }
    if (++recorder.calls == 3) {
#if defined(RECORDER_EXIT)
        std::exit(0);
#elif defined(RECORDER_UNDERSCORE_EXIT)
        _exit(0);
#endif
    }
    if (recorder.log != nullptr) {
        std::fprintf(recorder.log, "block %lld %d\n", recorder.frames, frames);
        const auto* time =
            reinterpret_cast<const VstTimeInfo*>(g_host(effect, audioMasterGetTime, 0, 0xFF00, nullptr, 0));
        if (time != nullptr) {
            std::fprintf(recorder.log, "time %.0f %.6f %.6f %.6f %d %d %d\n", time->samplePos, time->ppqPos,
                         time->tempo, time->barStartPos, time->timeSigNumerator, time->timeSigDenominator,
                         time->flags);
        }
    }
    for (int32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            recorder.delayLine[c][recorder.delayAt] =
                kInputs == 0 ? 0.0f : inputs[c][i] + 0.5f * inputs[c + 2][i];
            outputs[c][i] = recorder.delayLine[c][(recorder.delayAt + 1) % (kDelay + 1)];
        }
        recorder.delayAt = (recorder.delayAt + 1) % (kDelay + 1);
    }
#if defined(RECORDER_ODD)
    for (const auto& [frame, channel, value] :
         {std::tuple{1000, 1, std::nanf("")}, std::tuple{1500, 0, INFINITY}, std::tuple{2000, 1, 20.0f},
          std::tuple{2001, 1, -20.0f}}) {
        if (frame >= recorder.frames && frame < recorder.frames + frames) {
            outputs[channel][frame - recorder.frames] = value;
        }
    }
#endif
    recorder.frames += frames;
}

} // namespace

MODULE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
    g_host = host;
    auto* recorder = new Recorder;
    AEffect& record = recorder->record;
    record = describe(
        dispatch, process, ignore, [](AEffect*, int32_t) { return 0.0f; }, kInputs, 2, 0,
        effFlagsCanReplacing | (kInputs == 0 ? effFlagsIsSynth : 0), "ReCo");
    record.numPrograms = 1;
    record.initialDelay = kDelay;
    record.object = recorder;
    return &record;
}
