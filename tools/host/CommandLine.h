// A subcommand's arguments: options (--name VALUE, --name=VALUE, --flag) and positional arguments.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orke::host {

// The tool's exit codes: success, a failure of the work asked for, and a command line that makes no sense.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct KnownOption {
    std::string name; // without the dashes
    bool takesValue;
};

class CommandLine {
public:
    // Parses argv[first] to argv[argc - 1]. "--" ends the options. False, with a one-line reason in `error`,
    // for an unknown option, a missing value, or a value given to a flag.
    bool Parse(int argc, char** argv, int first, const std::vector<KnownOption>& options, std::string& error);

    bool Has(const std::string& name) const { return m_values.count(name) != 0; }
    // The last value given for `name`, or `fallback` when none was.
    std::string Value(const std::string& name, const std::string& fallback = "") const;
    // Every value given for `name`, in order.
    std::vector<std::string> Values(const std::string& name) const;
    const std::vector<std::string>& Positionals() const { return m_positionals; }

private:
    std::map<std::string, std::vector<std::string>> m_values;
    std::vector<std::string> m_positionals;
};

// A value from the command line quoted for a message: in single quotes, control bytes as \xNN, so that the
// message stays one line whatever was typed.
std::string Quoted(const std::string& text);

// Whole-string number parsing: no trailing characters, no overflow, within [minimum, maximum].
bool ParseInteger(const std::string& text, int64_t minimum, int64_t maximum, int64_t& value);
bool ParseNumber(const std::string& text, double minimum, double maximum, double& value);

} // namespace orke::host
