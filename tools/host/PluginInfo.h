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
    int32_t currentProgram;
    std::vector<std::string> programs;
    std::vector<ParameterInfo> parameters;
    std::vector<std::pair<std::string, intptr_t>> canDo; // the plug-in's answer per can-do string
};

// Counts beyond this are a broken record rather than a plug-in; the host lists no more than this many.
inline constexpr int32_t kMaxListed = 100000;

// A count from the record made safe to loop over: negative counts as none, huge ones capped.
int32_t ListableCount(int32_t count);

PluginInfo GatherInfo(const HostedPlugin& plugin);

} // namespace orke::host
