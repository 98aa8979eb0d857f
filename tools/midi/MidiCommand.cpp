// The MIDI endpoint listing: its command line, the catalogue's query and the lines it prints.
#include "MidiCommand.h"

#include "CAMIDIEndpoints.h"

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

constexpr int kExitSuccess = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitUsage = 2;

const char kHelp[] =
    R"(usage: %s [--sources | --destinations | --pairs] [--sorted] [--unconnected] [--combined]
       %s [--sources | --destinations | --pairs] --find ID

Lists the machine's MIDI endpoints, one a line: the unique ID, then the name.

  --sources       list the sources (the default)
  --destinations  list the destinations
  --pairs         list destinations that have a source of the same entity
  --sorted        sort by name (case-sensitive, by character code)
  --unconnected   also list ports with nothing connected that are not part of their device
  --combined      list a port with connected devices once, under the devices' names joined,
                  instead of one line per device
  --find ID       show only the endpoint with that unique ID (decimal, or hexadecimal after 0x)
  --help          show this help

exit codes: 0 success, 1 --find found nothing, 2 the command line was wrong
)";

struct Request {
    CAMIDIEndpoints::EMode mode = CAMIDIEndpoints::kModeSources;
    bool modeGiven = false;
    UInt32 options = 0;
    bool find = false;
    SInt32 findID = 0;
    bool help = false;
};

// The name a user typed for this command: `orke-midi`, or `orke-host midi` when run as the host's subcommand.
std::string commandName(int argc, char** argv) {
    if (argc < 1 || argv[0] == nullptr) {
        return "orke-midi";
    }
    const char* slash = std::strrchr(argv[0], '/');
    const std::string name = slash != nullptr ? slash + 1 : argv[0];
    return name == "midi" ? "orke-host midi" : name;
}

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

// Reads the command line into `request`; on a mistake writes one line to `err` and answers false.
bool parse(int argc, char** argv, const std::string& name, Request& request, std::ostream& err) {
    struct Flag {
        const char* text;
        UInt32 option;
    };
    static const Flag kFlags[] = {
        {"--sorted", CAMIDIEndpoints::kListSorted},
        {"--unconnected", CAMIDIEndpoints::kListUnconnectedPorts},
        {"--combined", CAMIDIEndpoints::kListPortsCombined},
    };
    struct Mode {
        const char* text;
        CAMIDIEndpoints::EMode mode;
    };
    static const Mode kModes[] = {
        {"--sources", CAMIDIEndpoints::kModeSources},
        {"--destinations", CAMIDIEndpoints::kModeDestinations},
        {"--pairs", CAMIDIEndpoints::kModePairs},
    };

    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i] != nullptr ? argv[i] : "";
        bool known = false;
        for (const Mode& mode : kModes) {
            if (std::strcmp(argument, mode.text) == 0) {
                if (request.modeGiven && request.mode != mode.mode) {
                    err << name << ": choose one of --sources, --destinations and --pairs\n";
                    return false;
                }
                request.mode = mode.mode;
                request.modeGiven = known = true;
            }
        }
        for (const Flag& flag : kFlags) {
            if (std::strcmp(argument, flag.text) == 0) {
                request.options |= flag.option;
                known = true;
            }
        }
        if (known) {
            continue;
        }
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            request.help = true;
        } else if (std::strcmp(argument, "--find") == 0) {
            if (i + 1 >= argc || argv[i + 1] == nullptr || !parseUniqueID(argv[i + 1], request.findID)) {
                err << name << ": --find needs a unique ID (a 32-bit number)\n";
                return false;
            }
            request.find = true;
            ++i;
        } else {
            err << name << ": unknown argument '" << argument << "' (try --help)\n";
            return false;
        }
    }
    return true;
}

void printHelp(std::ostream& out, const std::string& name) {
    for (const char* c = kHelp; *c != '\0'; ++c) {
        if (c[0] == '%' && c[1] == 's') {
            out << name;
            ++c;
        } else {
            out << *c;
        }
    }
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
    Request request;
    if (!parse(argc, argv, name, request, err)) {
        return kExitUsage;
    }
    if (request.help) {
        printHelp(out, name);
        return kExitSuccess;
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
