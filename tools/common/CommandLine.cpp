// Reading a command line by its option table, and the help text made from the same table.
#include "CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orke {
namespace {

const Option kHelpOption = {"help", nullptr, "show this help"};

} // namespace

bool CommandLine::Parse(int argc, char** argv, int first, const std::vector<Option>& options,
                        std::string& error) {
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        std::string argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            m_positionals.push_back(argument);
            continue;
        }
        if (argument == "-h") {
            argument = "--help";
        }
        if (argument.compare(0, 2, "--") != 0) {
            error = "unknown option " + PrintableText(argument);
            return false;
        }
        const size_t equals = argument.find('=');
        const std::string name =
            argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const Option* known = name == kHelpOption.name ? &kHelpOption : nullptr;
        for (const Option& candidate : options) {
            if (candidate.name == name) {
                known = &candidate;
            }
        }
        if (known == nullptr) {
            error = "unknown option --" + PrintableText(name);
            return false;
        }
        if (known->value == nullptr) {
            if (equals != std::string::npos) {
                error = "option --" + PrintableText(name) + " takes no value";
                return false;
            }
            m_values[name].emplace_back();
            continue;
        }
        const bool nextIsValue = i + 1 < argc && !(known->nextWordValue && argv[i + 1][0] == '-');
        if (equals != std::string::npos) {
            m_values[name].push_back(argument.substr(equals + 1));
        } else if (known->optionalValue && (!known->nextWordValue || !nextIsValue)) {
            m_values[name].emplace_back();
        } else if (nextIsValue) {
            m_values[name].emplace_back(argv[++i]);
        } else {
            error = "option --" + name + " needs a value";
            return false;
        }
    }
    return true;
}

std::string CommandLine::Value(const std::string& name, const std::string& fallback) const {
    const auto found = m_values.find(name);
    return found == m_values.end() || found->second.empty() ? fallback : found->second.back();
}

std::vector<std::string> CommandLine::Values(const std::string& name) const {
    const auto found = m_values.find(name);
    return found == m_values.end() ? std::vector<std::string>{} : found->second;
}

std::string HelpText(const CommandOptions& command) {
    std::string text = command.about;
    std::vector<Option> rows = command.options;
    rows.push_back(kHelpOption);
    for (const Option& option : rows) {
        std::string row = std::string("  --") + option.name;
        if (option.value != nullptr) {
            row += option.optionalValue ? std::string("[=") + option.value + "]"
                                        : std::string(" ") + option.value;
        }
        // At least two spaces between the option and its help, even where the option reaches the column.
        row.resize(std::max(row.size() + 2, static_cast<size_t>(command.column)), ' ');
        for (const char c : option.help) {
            row += c;
            if (c == '\n') {
                row.append(static_cast<size_t>(command.column), ' ');
            }
        }
        text += row + '\n';
    }
    return text + command.after;
}

std::optional<int> ReadCommandLine(const CommandOptions& command, int argc, char** argv, CommandLine& line,
                                   std::ostream& out, std::ostream& err) {
    std::string error;
    if (!line.Parse(argc, argv, 1, command.options, error)) {
        return UsageError(command, error, err);
    }
    if (line.Has("help")) {
        out << HelpText(command);
        return kExitSuccess;
    }
    return std::nullopt;
}

int RunCommand(const CommandOptions& command, int argc, char** argv, std::ostream& out, std::ostream& err,
               CommandBody body) {
    CommandLine line;
    if (const auto done = ReadCommandLine(command, argc, argv, line, out, err)) {
        return *done;
    }
    return body(line, out, err);
}

int UsageError(const CommandOptions& command, const std::string& message, std::ostream& err) {
    err << command.name << ": " << message << " (see " << command.name << " --help)\n";
    return kExitUsage;
}

int CommandError(const CommandOptions& command, int status, const std::string& message, std::ostream& err) {
    if (status == kExitUsage) {
        return UsageError(command, message, err);
    }
    err << command.name << ": " << message << '\n';
    return status;
}

std::string PrintableText(const std::string& text) {
    std::string printable;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            printable += escaped;
        } else {
            printable += c;
        }
    }
    return printable;
}

std::string Quoted(const std::string& text) {
    return "'" + PrintableText(text) + "'";
}

bool ParseInteger(const std::string& text, int64_t minimum, int64_t maximum, int64_t& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < minimum || parsed > maximum) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseNumber(const std::string& text, double minimum, double maximum, double& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(parsed) || parsed < minimum || parsed > maximum) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace orke
