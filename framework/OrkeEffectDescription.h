// What a plug-in declares once about itself: its identity, its channels, its programs and what it takes from
// the host. OrkeAuBase writes it into the record and answers the host's identity requests from it.
#pragma once

#include "FourCharCode.h"
#include "OrkeProgram.h"
#include "PlugCategories.h"

#include <cstddef>
#include <cstdint>

// What the plug-in takes from the host beyond audio: bits of OrkeEffectDescription::options.
enum OrkeEffectOption : uint32_t {
    kOrkeTakesEvents = 1u << 0,    // MIDI events reach ProcessBlock; the host is told "receiveVstEvents"
    kOrkeWantsTransport = 1u << 1, // the host's transport is asked for once per block
    kOrkeKeepsState = 1u << 2,     // programs travel as one chunk, with OrkeAuBase::SaveState's bytes
    kOrkeInstrument = 1u << 3,     // flagged a synth; takes events as well
};

// The tail after the input stops: a number of frames, or one of these.
enum : int32_t {
    kOrkeTailUnknown = -2,   // the host is not told (its own default applies)
    kOrkeTailUnbounded = -1, // the plug-in may sound for ever (an oscillator, infinite feedback)
    kOrkeNoTail = 0,         // silence in, silence out at once
};

struct OrkeEffectDescription {
    // The name hosts list (31 bytes reach the host's field) and the plug-in's four-character unique ID.
    constexpr OrkeEffectDescription(const char* effectName, int32_t id)
        : name(effectName)
        , uniqueID(id) {}

    // Each setter returns the description, so that a plug-in writes its declaration as one expression.
    constexpr OrkeEffectDescription& Product(const char* text) {
        product = text;
        return *this;
    }
    constexpr OrkeEffectDescription& Vendor(const char* text) {
        vendor = text;
        return *this;
    }
    // The vendor version (0x00010200 for 1.2.0); the record's version field follows it.
    constexpr OrkeEffectDescription& Version(int32_t number) {
        version = number;
        return *this;
    }
    constexpr OrkeEffectDescription& Category(VstPlugCategory kind) {
        category = kind;
        return *this;
    }
    constexpr OrkeEffectDescription& Channels(int32_t inputs, int32_t outputs) {
        numInputs = inputs;
        numOutputs = outputs;
        return *this;
    }
    // The programs, in the host's order; without presets the plug-in has one program of the table's defaults.
    template <size_t N>
    constexpr OrkeEffectDescription& Presets(const OrkePreset (&list)[N]) {
        presets = list;
        numPresets = static_cast<int32_t>(N);
        return *this;
    }
    constexpr OrkeEffectDescription& Options(uint32_t bits) {
        options = bits;
        return *this;
    }
    // The delay the plug-in adds, in frames; OrkeAuBase::Latency may change it later.
    constexpr OrkeEffectDescription& Latency(int32_t frames) {
        latency = frames;
        return *this;
    }
    // Frames, kOrkeNoTail or kOrkeTailUnbounded; OrkeAuBase::Tail may answer from the parameters instead.
    constexpr OrkeEffectDescription& Tail(int32_t frames) {
        tail = frames;
        return *this;
    }
    // How many MIDI events one block may carry (plug-ins that take events).
    constexpr OrkeEffectDescription& EventCapacity(int32_t count) {
        eventCapacity = count;
        return *this;
    }
    // Where the plug-in's LV2 URI starts; the unique ID ends it: "https://example.org/plugins/" names
    // "https://example.org/plugins/ABCD". A URI names one plug-in for ever, so the base is the vendor's own.
    constexpr OrkeEffectDescription& UriBase(const char* text) {
        uriBase = text;
        return *this;
    }

    const char* name;
    int32_t uniqueID;
    const char* product = nullptr; // null: the name
    const char* vendor = nullptr;  // null: "Orvane Kettlers"
    int32_t version = 1;
    VstPlugCategory category = kPlugCategEffect;
    int32_t numInputs = 2;
    int32_t numOutputs = 2;
    const OrkePreset* presets = nullptr;
    int32_t numPresets = 0;
    uint32_t options = 0;
    int32_t latency = 0;
    int32_t tail = kOrkeTailUnknown;
    int32_t eventCapacity = 512;
    const char* uriBase = nullptr; // null: "urn:orke:"
};
