// The Turtle of a plug-in's bundle: the plug-in, its class, its ports with their ranges, units and
// properties, and its presets, from what the plug-in answers and its parameter table.
#include "BundleDescription.h"

#include "EffectOpcodes.h"
#include "HostedEffect.h"
#include "OrkeAuBase.h"
#include "PortLayout.h"

#include <CoreFoundation/CoreFoundation.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

namespace orke::lv2 {

namespace {

constexpr const char* kDefaultUriBase = "urn:orke:";
constexpr double kDescriptionRate = 48000.0;

constexpr const char* kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                                  "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
                                  "@prefix pprop: <http://lv2plug.in/ns/ext/port-props#> .\n"
                                  "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                                  "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                                  "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                                  "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A Turtle string literal.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

// A Turtle decimal that reads back as the same float, whatever the locale: the shortest digits that do, and
// a point so that the literal is not an integer.
std::string decimal(float value) {
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value);
    std::string text(digits, result.ptr);
    if (text.find_first_of(".e") == std::string::npos) {
        text += ".0";
    }
    return text;
}

std::string textOf(CFStringRef string) {
    char buffer[256] = {};
    if (string == nullptr || !CFStringGetCString(string, buffer, sizeof(buffer), kCFStringEncodingUTF8)) {
        return "";
    }
    return buffer;
}

std::string answer(const HostedEffect& effect, int32_t opcode, int32_t index = 0) {
    char text[256] = {};
    effect.Dispatch(opcode, index, 0, text);
    text[sizeof(text) - 1] = '\0';
    return text;
}

// A port symbol from a name: lower-case letters, digits and underscores, starting with a letter, different
// from every symbol already taken.
std::string symbolFor(const std::string& name, std::set<std::string>& taken) {
    std::string symbol;
    for (const char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            symbol += c;
        } else if (c >= 'A' && c <= 'Z') {
            symbol += static_cast<char>(c - 'A' + 'a');
        } else if (!symbol.empty() && symbol.back() != '_') {
            symbol += '_';
        }
    }
    while (!symbol.empty() && symbol.back() == '_') {
        symbol.pop_back();
    }
    if (symbol.empty() || (symbol[0] >= '0' && symbol[0] <= '9')) {
        symbol = "p_" + symbol;
    }
    std::string unique = symbol;
    for (int n = 2; taken.count(unique) != 0; ++n) {
        unique = symbol + "_" + std::to_string(n);
    }
    taken.insert(unique);
    return unique;
}

// The LV2 class of a VST 2.4 category.
const char* classOf(int32_t category) {
    switch (category) {
    case kPlugCategSynth:
        return "lv2:InstrumentPlugin";
    case kPlugCategAnalysis:
        return "lv2:AnalyserPlugin";
    case kPlugCategSpacializer:
    case kPlugSurroundFx:
        return "lv2:SpatialPlugin";
    case kPlugCategRoomFx:
        return "lv2:DelayPlugin"; // reverbs and delays: a reverb is a delay to LV2 as well
    case kPlugCategGenerator:
        return "lv2:GeneratorPlugin";
    default:
        return nullptr; // a plain lv2:Plugin
    }
}

const char* unitOf(int32_t unit) {
    switch (unit) {
    case kUnitPercent:
        return "units:pc";
    case kUnitSeconds:
        return "units:s";
    case kUnitHertz:
        return "units:hz";
    case kUnitCents:
        return "units:cent";
    case kUnitDecibels:
        return "units:db";
    case kUnitBPM:
        return "units:bpm";
    case kUnitBeats:
        return "units:beat";
    case kUnitMilliseconds:
        return "units:ms";
    default:
        return nullptr;
    }
}

// The names of an audio port's channels: left and right for a pair, a number for more.
std::string channelName(uint32_t channel, uint32_t channels) {
    if (channels == 1) {
        return "";
    }
    if (channels == 2) {
        return channel == 0 ? "L" : "R";
    }
    return std::to_string(channel + 1);
}

struct Preset {
    std::string name;
    std::vector<float> values;
};

class Writer {
public:
    explicit Writer(const HostedEffect& effect)
        : m_effect(effect)
        , m_layout(PortLayout::Of(effect))
        , m_uri(PluginUri(effect)) {}

    std::string Manifest(const std::string& binary, const std::string& ttl) {
        std::ostringstream out;
        out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
               "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
               "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n";
        out << "<" << m_uri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << binary
            << "> ;\n    rdfs:seeAlso <" << ttl << "> .\n";
        for (size_t p = 0; p < Presets().size(); ++p) {
            out << "\n<" << PresetUri(p) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << m_uri
                << "> ;\n    rdfs:seeAlso <" << ttl << "> .\n";
        }
        return out.str();
    }

    std::string Plugin() {
        std::ostringstream out;
        out << kPrefixes;
        out << "<" << m_uri << ">\n    a lv2:Plugin";
        if (const char* kind = classOf(static_cast<int32_t>(m_effect.Dispatch(effGetPlugCategory)))) {
            out << ", " << kind;
        }
        out << " ;\n    doap:name " << quoted(answer(m_effect, effGetEffectName)) << " ;\n";
        out << "    lv2:project <" << m_uri << "/project> ;\n";
        out << "    lv2:optionalFeature lv2:hardRTCapable, urid:map ;\n";
        out << "    lv2:extensionData state:interface ;\n";
        out << "    lv2:port ";
        std::set<std::string> taken;
        uint32_t index = 0;
        bool first = true;
        auto next = [&]() -> std::ostream& {
            out << (first ? "[\n" : " , [\n");
            first = false;
            return out;
        };
        for (uint32_t c = 0; c < m_layout.audioInputs; ++c) {
            AudioPort(next(), index++, "Input", "in", channelName(c, m_layout.audioInputs), taken);
        }
        for (uint32_t c = 0; c < m_layout.audioOutputs; ++c) {
            AudioPort(next(), index++, "Output", "out", channelName(c, m_layout.audioOutputs), taken);
        }
        // The fixed ports' symbols come first, so that a parameter named like one of them gives way.
        const std::string events = m_layout.HasEventPort() ? symbolFor("events", taken) : "";
        const std::string latency = m_layout.latency ? symbolFor("latency", taken) : "";
        for (int32_t i = 0; i < kParameterCount; ++i) {
            m_symbols.push_back(ControlPort(next(), index++, i, taken));
        }
        if (m_layout.HasEventPort()) {
            EventPort(next(), index++, events);
        }
        if (m_layout.latency) {
            LatencyPort(next(), index++, latency);
        }
        out << " .\n";
        // The vendor maintains the project the plug-in belongs to: hosts show it as the plug-in's author.
        out << "\n<" << m_uri << "/project>\n    a doap:Project ;\n    doap:name "
            << quoted(answer(m_effect, effGetProductString))
            << " ;\n    doap:maintainer [\n        a foaf:Person ;\n"
            << "        foaf:name " << quoted(answer(m_effect, effGetVendorString)) << " ;\n    ] .\n";
        for (size_t p = 0; p < Presets().size(); ++p) {
            PresetOf(out, p);
        }
        return out.str();
    }

private:
    void AudioPort(std::ostream& out, uint32_t index, const char* direction, const char* stem,
                   const std::string& channel, std::set<std::string>& taken) {
        const std::string name =
            std::string(stem == std::string("in") ? "In" : "Out") + (channel.empty() ? "" : " " + channel);
        out << "        a lv2:AudioPort, lv2:" << direction << "Port ;\n";
        Identify(out, index, symbolFor(std::string(stem) + "_" + channel, taken), name);
        out << "    ]";
    }

    std::string ControlPort(std::ostream& out, uint32_t index, int32_t parameter,
                            std::set<std::string>& taken) {
        const ParamInfo& row = astParamInfos[parameter];
        std::string name = textOf(row.name);
        if (name.empty()) {
            name = "Parameter " + std::to_string(parameter + 1);
        }
        const std::string symbol = symbolFor(name, taken);
        out << "        a lv2:InputPort, lv2:ControlPort ;\n";
        Identify(out, index, symbol, name);
        const float low = row.minValue < row.maxValue ? row.minValue : row.maxValue;
        const float high = row.minValue < row.maxValue ? row.maxValue : row.minValue;
        out << "        lv2:default " << decimal(row.defaultValue) << " ;\n";
        out << "        lv2:minimum " << decimal(low) << " ;\n";
        out << "        lv2:maximum " << decimal(high) << " ;\n";
        if (const char* unit = unitOf(row.unit)) {
            out << "        units:unit " << unit << " ;\n";
        }
        std::vector<std::string> properties;
        const bool positive = low > 0.0f && high > 0.0f;
        if (positive && (row.unit == kUnitHertz || (row.flags & kParamLogTaper) != 0)) {
            properties.push_back("pprop:logarithmic");
        }
        const std::vector<std::string> names = ValueNames(parameter);
        if (row.unit == kUnitBoolean) {
            properties.push_back("lv2:toggled");
        } else if (row.unit == kUnitIndexed || row.unit == kUnitBeats) {
            properties.push_back("lv2:integer");
            if (!names.empty()) {
                properties.push_back("lv2:enumeration");
            }
        }
        if (!properties.empty()) {
            out << "        lv2:portProperty ";
            for (size_t k = 0; k < properties.size(); ++k) {
                out << (k == 0 ? "" : ", ") << properties[k];
            }
            out << " ;\n";
        }
        if (row.steps > 0 && row.unit != kUnitBoolean) {
            out << "        pprop:rangeSteps " << row.steps + 1 << " ;\n";
        }
        for (size_t k = 0; k < names.size(); ++k) {
            out << "        lv2:scalePoint [\n            rdfs:label " << quoted(names[k])
                << " ;\n            rdf:value " << decimal(low + static_cast<float>(k))
                << " ;\n        ] ;\n";
        }
        out << "    ]";
        return symbol;
    }

    void EventPort(std::ostream& out, uint32_t index, const std::string& symbol) {
        out << "        a lv2:InputPort, atom:AtomPort ;\n";
        out << "        atom:bufferType atom:Sequence ;\n";
        out << "        atom:supports ";
        if (m_layout.midi) {
            out << "midi:MidiEvent" << (m_layout.transport ? ", " : "");
        }
        if (m_layout.transport) {
            out << "time:Position";
        }
        out << " ;\n        lv2:designation lv2:control ;\n";
        out << "        lv2:portProperty lv2:connectionOptional ;\n";
        Identify(out, index, symbol, m_layout.midi ? "Events" : "Transport");
        out << "    ]";
    }

    void LatencyPort(std::ostream& out, uint32_t index, const std::string& symbol) {
        out << "        a lv2:OutputPort, lv2:ControlPort ;\n";
        out << "        lv2:designation lv2:latency ;\n";
        out << "        lv2:portProperty lv2:reportsLatency, lv2:integer, lv2:connectionOptional ;\n";
        out << "        units:unit units:frame ;\n";
        out << "        lv2:minimum 0 ;\n        lv2:maximum 2147483647 ;\n";
        Identify(out, index, symbol, "Latency");
        out << "    ]";
    }

    static void Identify(std::ostream& out, uint32_t index, const std::string& symbol,
                         const std::string& name) {
        out << "        lv2:index " << index << " ;\n";
        out << "        lv2:symbol " << quoted(symbol) << " ;\n";
        out << "        lv2:name " << quoted(name) << " ;\n";
    }

    std::vector<std::string> ValueNames(int32_t parameter) {
        std::vector<std::string> names;
        const ParamInfo& row = astParamInfos[parameter];
        if (row.unit != kUnitIndexed) {
            return names;
        }
        CFArrayRef strings = nullptr;
        if (m_effect.Plugin().GetParameterValueStrings(0, static_cast<UInt32>(parameter), &strings) !=
                noErr ||
            strings == nullptr) {
            return names;
        }
        const CFIndex count = CFArrayGetCount(strings);
        const float span =
            (row.maxValue > row.minValue ? row.maxValue - row.minValue : row.minValue - row.maxValue);
        for (CFIndex k = 0; k < count && static_cast<float>(k) <= span; ++k) {
            names.push_back(textOf(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, k))));
        }
        CFRelease(strings);
        return names;
    }

    // The programs as the host lists them, each with its values; a program the same as one before it (the
    // default programs of a plug-in that ships none, say) is not listed again.
    const std::vector<Preset>& Presets() {
        if (m_presetsRead) {
            return m_presets;
        }
        m_presetsRead = true;
        const int32_t programs = m_effect.Record()->numPrograms;
        const intptr_t current = m_effect.Dispatch(effGetProgram);
        for (int32_t p = 0; p < programs; ++p) {
            m_effect.Dispatch(effSetProgram, 0, p);
            Preset preset{answer(m_effect, effGetProgramName), {}};
            for (int32_t i = 0; i < kParameterCount; ++i) {
                preset.values.push_back(m_effect.Plugin().GetParameterValue(i));
            }
            bool repeated = false;
            for (const Preset& earlier : m_presets) {
                repeated = repeated || (earlier.name == preset.name && earlier.values == preset.values);
            }
            if (!repeated) {
                m_presets.push_back(preset);
            }
        }
        m_effect.Dispatch(effSetProgram, 0, current);
        return m_presets;
    }

    std::string PresetUri(size_t preset) const { return m_uri + "/preset/" + std::to_string(preset + 1); }

    void PresetOf(std::ostream& out, size_t p) {
        const Preset& preset = m_presets[p];
        out << "\n<" << PresetUri(p) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << m_uri << "> ;\n";
        out << "    rdfs:label " << quoted(preset.name) << " ;\n    lv2:port ";
        for (int32_t i = 0; i < kParameterCount; ++i) {
            out << (i == 0 ? "" : " , ") << "[\n        lv2:symbol "
                << quoted(m_symbols[static_cast<size_t>(i)]) << " ;\n        pset:value "
                << decimal(preset.values[static_cast<size_t>(i)]) << " ;\n    ]";
        }
        out << " .\n";
    }

    const HostedEffect& m_effect;
    PortLayout m_layout;
    std::string m_uri;
    std::vector<std::string> m_symbols; // the control ports', by parameter
    std::vector<Preset> m_presets;
    bool m_presetsRead = false;
};

bool writeFile(const std::string& path, const std::string& text, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace

std::string PluginUri(const HostedEffect& effect) {
    const OrkeEffectDescription* description = effect.Plugin().Description();
    std::string uri =
        description != nullptr && description->uriBase != nullptr ? description->uriBase : kDefaultUriBase;
    const auto id = static_cast<uint32_t>(effect.Record()->uniqueID);
    std::string letters;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((id >> shift) & 0xFF);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        letters += plain ? c : '\0';
    }
    if (letters.find('\0') == std::string::npos) {
        return uri + letters;
    }
    char hex[9];
    std::snprintf(hex, sizeof(hex), "%08X", id);
    return uri + hex;
}

bool WriteBundle(const std::string& folder, const std::string& binary, std::string& error) {
    const HostedEffect effect(kDescriptionRate, 4096);
    if (!effect.Valid()) {
        error = "the plug-in could not be made";
        return false;
    }
    const std::string stem = binary.substr(0, binary.rfind('.'));
    const std::string ttl = stem + ".ttl";
    Writer writer(effect);
    const std::string plugin = writer.Plugin(); // first: it names the ports the presets refer to
    return writeFile(folder + "/" + ttl, plugin, error) &&
           writeFile(folder + "/manifest.ttl", writer.Manifest(binary, ttl), error);
}

} // namespace orke::lv2
