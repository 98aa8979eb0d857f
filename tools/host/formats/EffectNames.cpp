// Names for the numbers a record and its answers hold.
#include "EffectNames.h"

#include "CanDos.h"
#include "EffectRecord.h"

#include <cctype>
#include <cstdio>

namespace orke::host {

std::string CategoryName(intptr_t category) {
    static const char* const kNames[] = {"unknown",     "effect",          "synth",       "analysis",
                                         "mastering",   "spatializer",     "room effect", "surround effect",
                                         "restoration", "offline process", "shell",       "generator"};
    constexpr intptr_t kCount = sizeof kNames / sizeof kNames[0];
    if (category >= 0 && category < kCount) {
        return kNames[category];
    }
    return "category " + std::to_string(category);
}

std::vector<std::string> FlagNames(int32_t flags) {
    struct Named {
        int32_t bit;
        const char* name;
    };
    static const Named kFlags[] = {
        {effFlagsHasEditor, "has-editor"},
        {effFlagsHasClip, "has-clip"},
        {effFlagsHasVu, "has-vu"},
        {effFlagsCanMono, "can-mono"},
        {effFlagsCanReplacing, "can-replacing"},
        {effFlagsProgramChunks, "program-chunks"},
        {effFlagsIsSynth, "is-synth"},
        {effFlagsNoSoundInStop, "no-sound-in-stop"},
        {effFlagsExtIsAsync, "ext-is-async"},
        {effFlagsExtHasBuffer, "ext-has-buffer"},
        {effFlagsCanDoubleReplacing, "can-double-replacing"},
    };
    std::vector<std::string> names;
    auto remaining = static_cast<uint32_t>(flags);
    for (const Named& flag : kFlags) {
        if ((remaining & static_cast<uint32_t>(flag.bit)) != 0) {
            names.emplace_back(flag.name);
            remaining &= ~static_cast<uint32_t>(flag.bit);
        }
    }
    for (int bit = 0; bit < 32; ++bit) {
        if ((remaining & (1u << bit)) != 0) {
            char text[16];
            std::snprintf(text, sizeof text, "0x%X", 1u << bit);
            names.emplace_back(text);
        }
    }
    return names;
}

std::string FourCharText(int32_t code) {
    std::string text;
    const auto bits = static_cast<uint32_t>(code);
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>((bits >> (24 - 8 * i)) & 0xFF);
        if (std::isprint(c) && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    return text;
}

const std::vector<std::string>& PluginCanDoStrings() {
    using namespace PlugCanDos;
    static const std::vector<std::string> kStrings = {
        canDoSendVstEvents,      canDoSendVstMidiEvent, canDoReceiveVstEvents, canDoReceiveVstMidiEvent,
        canDoReceiveVstTimeInfo, canDoOffline,          canDoMidiProgramNames, canDoBypass};
    return kStrings;
}

} // namespace orke::host
