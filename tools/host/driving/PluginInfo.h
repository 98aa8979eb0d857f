// Everything a host can ask a plug-in about itself, gathered once from an opened effect.
#pragma once

#include "HostedPlugin.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orke::host {

struct ParameterInfo {
    std::string name;
    std::string label;
    std::string display;
    float value;
};

struct PluginInfo {
    std::string path;
    std::string entry;
    std::string effectName;
    std::string vendor;
    std::string product;
    intptr_t vendorVersion;
    intptr_t vstVersion;
    intptr_t category;
    int32_t uniqueId;
    int32_t version; // the record's own version field
    int32_t inputs;
    int32_t outputs;
    int32_t flags;
    int32_t initialDelay;
    intptr_t tailSize;
    intptr_t midiInputChannels;
    intptr_t midiOutputChannels;
    bool midiInput;  // a synth, or a plug-in that says it receives events
    bool midiOutput; // a plug-in that says it sends events
    int32_t currentProgram;
    int32_t programCount;                                // the record's, made listable
    int32_t parameterCount;                              // the record's, made listable
    std::vector<std::string> programs;                   // the first ones, up to the limit asked for
    std::vector<ParameterInfo> parameters;               // the first ones, up to the limit asked for
    std::vector<std::pair<std::string, intptr_t>> canDo; // the plug-in's answer per can-do string
};

// Counts beyond this are a broken record rather than a plug-in; the host lists no more than this many.
inline constexpr int32_t kMaxListed = 100000;

// A count from the record made safe to loop over: negative counts as none, huge ones capped.
int32_t ListableCount(int32_t count);

// Lists at most `listLimit` programs and parameters.
PluginInfo GatherInfo(const HostedPlugin& plugin, int32_t listLimit = kMaxListed);

} // namespace orke::host
