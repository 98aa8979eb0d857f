// One block as the whole-block path sees it: every input and output channel, the frame count, the block's
// events and the host's transport.
#pragma once

#include "OrkeEvents.h"
#include "OrkeTransport.h"

#include <cstdint>

struct OrkeBlock {
    // numInputs channels of `frames` samples each. Every pointer is valid: a channel the host gave no buffer
    // for reads silence. An input may be the same buffer as an output (the host's in-place processing), so
    // read a frame of every channel before writing that frame of any.
    const float* const* inputs;
    int32_t numInputs;
    // numOutputs channels of `frames` samples each, every pointer valid; each must be written whole.
    float* const* outputs;
    int32_t numOutputs;
    uint32_t frames;
    // The MIDI events inside this block, in frame order (plug-ins that take events; empty otherwise).
    OrkeEventSpan events;
    // The host's transport at the block's first frame (plug-ins that ask for it; no fields otherwise).
    const OrkeTransport& transport;
    // Frames per second.
    float sampleRate;
};
