// The first step of `process`: everything that can be refused is refused before a plug-in is loaded. The
// command line's options, the MIDI file, IN and the sidechain opened, OUT's format, the tempo map and the
// render's length, in one plan.
#pragma once

#include "AudioFiles.h"
#include "EffectSetup.h"
#include "MidiFile.h"
#include "TempoMap.h"

#include <cstdint>
#include <memory>
#include <string>

namespace orke::host {

// Limits of what a render may ask for; the option rows state them.
inline constexpr int64_t kMaxRenderBlock = 65536;
inline constexpr double kMaxRenderLength = 86400.0;
inline constexpr double kMaxRenderTail = 3600.0;
inline constexpr int32_t kMaxRenderChannels = 256;

// What the command line asks for.
struct RenderOptions {
    std::string plugin;
    std::string input; // empty: none
    std::string output;
    int32_t block = 512;
    EffectSetup setup;
    std::string midi;
    std::string sidechain;
    std::string format;
    double length = -1.0; // -1: not given
    double tail = 0.0;
    int64_t sampleRate = 0; // 0: not given
    double tempo = 0.0;     // 0: not given
    bool meterGiven = false;
    Meter meter;
    int64_t channels = 0; // 0: all outputs
    bool reportLatency = false;
    bool compensate = false;
    bool strict = false;
};

struct RenderPlan {
    RenderOptions options;
    MidiFile midi;
    std::unique_ptr<InputFile> input;
    std::unique_ptr<InputFile> sidechain;
    int sampleRate = 0;
    int inputFormat = 0; // IN's, 0 without IN
    int format = 0;      // OUT's
    TempoMap tempoMap{kDefaultTempo, Meter{}};
    int64_t content =
        -1; // frames before the tail: --length, IN's or the MIDI file's; -1 while IN's is unknown
    int64_t tailFrames = 0;
};

// Makes the plan for `options`. kExitSuccess, or the exit status with a one-line reason in `error`.
int PlanRender(RenderOptions options, RenderPlan& plan, std::string& error);

} // namespace orke::host
