// The MIDI endpoint listing: its command line, the catalogue's query and the lines it prints.
#include "MidiCommand.h"

#include "CAMIDIEndpoints.h"
#include "CommandLine.h"
#include "OptionTable.h"

#include <CoreMIDI/MIDISetup.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <memory>
#include <string>

namespace orke {

namespace {

constexpr int kExitNotFound = 1;

struct Request {
    bool sources = false;
    bool destinations = false;
    bool pairs = false;
    bool sorted = false;
    bool unconnected = false;
    bool combined = false;
    bool find = false;
    SInt32 findID = 0;
    CAMIDIEndpoints::EMode mode = CAMIDIEndpoints::kModeSources;
    UInt32 options = 0;
};

bool parseUniqueID(const char* text, SInt32& id) {
    const bool negative = text[0] == '-';
    const char* digits = negative || text[0] == '+' ? text + 1 : text;
    const bool hex = digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    if (!std::isxdigit(static_cast<unsigned char>(digits[hex ? 2 : 0]))) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long magnitude = std::strtoull(hex ? digits + 2 : digits, &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0') {
        return false;
    }
    // Hexadecimal IDs are 32-bit patterns, as CoreMIDI shows them; decimal ones are signed values.
    if (hex && !negative && magnitude <= UINT32_MAX) {
        id = static_cast<SInt32>(static_cast<UInt32>(magnitude));
        return true;
    }
    const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (magnitude > static_cast<unsigned long long>(INT32_MAX) + 1 || value < INT32_MIN ||
        value > INT32_MAX) {
        return false;
    }
    id = static_cast<SInt32>(value);
    return true;
}

bool parseFind(const std::string& text, Request& request, std::string&) {
    request.find = parseUniqueID(text.c_str(), request.findID);
    return request.find;
}

const OptionTable<Request> kOptions = {
    Flag("sources", &Request::sources, "list the sources (the default)"),
    Flag("destinations", &Request::destinations, "list the destinations"),
    Flag("pairs", &Request::pairs, "list destinations that have a source of the same entity"),
    Flag("sorted", &Request::sorted, "sort by name (case-sensitive, by character code)"),
    Flag("unconnected", &Request::unconnected,
         "also list ports with nothing connected that are not part of their device"),
    Flag("combined", &Request::combined,
         "list a port with connected devices once, under the devices' names joined,\n"
         "instead of one line per device"),
    Custom("find", "ID", parseFind, "a unique ID (a 32-bit number, decimal or hexadecimal after 0x)",
           "show only the endpoint with that unique ID (decimal, or hexadecimal after 0x)"),
};

// The command's help and table; the name (orke-midi, or orke-host midi) is filled in when the command runs.
CommandOptions commandOptions(const std::string& name) {
    return {name,
            "usage: " + name +
                " [--sources | --destinations | --pairs] [--sorted] [--unconnected] [--combined]\n" +
                "       " + name + " [--sources | --destinations | --pairs] --find ID\n\n" +
                "Lists the machine's MIDI endpoints, one a line: the unique ID, then the name.\n\n",
            18, kOptions.Options(),
            "\nexit codes: 0 success, 1 --find found nothing, 2 the command line was wrong\n"};
}

// The name a user typed for this command: `orke-midi`, or `orke-host midi` when run as the host's subcommand.
std::string commandName(int argc, char** argv) {
    if (argc < 1 || argv[0] == nullptr) {
        return "orke-midi";
    }
    const char* slash = std::strrchr(argv[0], '/');
    const std::string name = slash != nullptr ? slash + 1 : argv[0];
    return name == "midi" ? "orke-host midi" : name;
}

// Reads what the command line asks into `request`; false, with a one-line reason, for a mistake.
bool readRequest(const CommandLine& line, Request& request, std::string& error) {
    if (!line.Positionals().empty()) {
        error = "unexpected argument " + Quoted(line.Positionals()[0]);
        return false;
    }
    if (!kOptions.Fill(line, request, error)) {
        return false;
    }
    if (request.sources + request.destinations + request.pairs > 1) {
        error = "choose one of --sources, --destinations and --pairs";
        return false;
    }
    request.mode = request.destinations ? CAMIDIEndpoints::kModeDestinations
                   : request.pairs      ? CAMIDIEndpoints::kModePairs
                                        : CAMIDIEndpoints::kModeSources;
    request.options = (request.sorted ? UInt32{CAMIDIEndpoints::kListSorted} : 0u) |
                      (request.unconnected ? UInt32{CAMIDIEndpoints::kListUnconnectedPorts} : 0u) |
                      (request.combined ? UInt32{CAMIDIEndpoints::kListPortsCombined} : 0u);
    return true;
}

void printEntry(std::ostream& out, const CAMIDIEndpoints::EndpointInfo& info) {
    const char* text = CFStringGetCStringPtr(info.name, kCFStringEncodingUTF8);
    out << std::setw(11) << info.uniqueID << "  " << (text != nullptr ? text : "") << '\n';
}

const char* kindOf(CAMIDIEndpoints::EMode mode) {
    switch (mode) {
    case CAMIDIEndpoints::kModeSources:
        return "source";
    case CAMIDIEndpoints::kModePairs:
        return "pair";
    default:
        return "destination";
    }
}

} // namespace

int RunMidiCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    const std::string name = commandName(argc, argv);
    const CommandOptions command = commandOptions(name);
    CommandLine line;
    if (const auto done = ReadCommandLine(command, argc, argv, line, out, err)) {
        return *done;
    }
    Request request;
    std::string error;
    if (!readRequest(line, request, error)) {
        return UsageError(command, error, err);
    }
    if (!orke_coremidi::HaveMIDISystem()) {
        out << "no MIDI system on this machine\n";
        return kExitSuccess;
    }

    CAMIDIEndpoints catalogue;
    if (request.find) {
        CAMIDIEndpoints::EndpointInfo info;
        info.uniqueID = request.findID;
        if (!catalogue.FindEndpoint(request.mode, info, request.options)) {
            err << name << ": no " << kindOf(request.mode) << " has the unique ID " << request.findID << '\n';
            return kExitNotFound;
        }
        printEntry(out, info);
        return kExitSuccess;
    }
    const std::unique_ptr<CAMIDIEndpoints::EndpointInfoList, CAMIDIEndpoints::EndpointInfoListDeleter> list(
        catalogue.GetEndpoints(request.mode, request.options));
    for (const CAMIDIEndpoints::EndpointInfo* info : *list) {
        printEntry(out, *info);
    }
    return kExitSuccess;
}

} // namespace orke
