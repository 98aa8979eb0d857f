// A subcommand's arguments: options (--name VALUE, --name=VALUE, --flag) and positional arguments, read by
// the command's option table, from which its help text is made too.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace orke {

// The tools' exit codes: success, a failure of the work asked for, and a command line that makes no sense.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// One option of a command, as its help shows it and its parser takes it.
struct Option {
    const char* name;  // without the dashes
    const char* value; // what its value is called in the help ("K", "FILE"); null for a flag that takes none
    std::string help;  // what it does; a '\n' starts a further line, indented under the first
    // The value may be left out: given only as --name=VALUE, a bare --name gives an empty one. With
    // `nextWordValue`, a next word that is no option is taken as the value too.
    bool optionalValue = false;
    bool nextWordValue = false;
};

// A command's help and its option table. Both the parser and the help text are made from it; both add
// --help, which every command takes.
struct CommandOptions {
    std::string name;  // the command as typed, "orke-host info": what its messages start with
    std::string about; // the help's text above the options, ending with their heading
    int column;        // where the options' help starts on its line
    std::vector<Option> options;
    std::string after = ""; // the help's text below the options
};

class CommandLine {
public:
    // Parses argv[first] to argv[argc - 1] by the table (and --help, or -h). "--" ends the options. False,
    // with a one-line reason in `error`, for an unknown option, a missing value, or a value given to a flag.
    bool Parse(int argc, char** argv, int first, const std::vector<Option>& options, std::string& error);

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

// The command's help: its text, one line per option (and --help) with the option's help at the column, then
// the text below.
std::string HelpText(const CommandOptions& command);

// Reads a command's argv (argv[0] its name) into `line` by its table. Answers the exit status when the
// command ends here: its help was asked for (printed on `out`, 0), or the command line is wrong (one line on
// `err`, 2); nothing when the command goes on.
std::optional<int> ReadCommandLine(const CommandOptions& command, int argc, char** argv, CommandLine& line,
                                   std::ostream& out, std::ostream& err);

// What a command does once its command line is read: writes its report to `out`, its diagnostics to `err`,
// and answers the exit status.
using CommandBody = int (*)(const CommandLine& line, std::ostream& out, std::ostream& err);

// Reads the command line by the command's table and hands it to `body`, unless the help was asked for or the
// line is wrong (see ReadCommandLine).
int RunCommand(const CommandOptions& command, int argc, char** argv, std::ostream& out, std::ostream& err,
               CommandBody body);

// A command line that makes no sense to the command: `message` in one line on `err`, with where to look for
// help; answers kExitUsage.
int UsageError(const CommandOptions& command, const std::string& message, std::ostream& err);

// A command that cannot go on: `message` in one line on `err`, as UsageError says it when `status` is
// kExitUsage; answers `status`.
int CommandError(const CommandOptions& command, int status, const std::string& message, std::ostream& err);

// A text made safe for a terminal: control bytes as \xNN, so that no text (a plug-in's, a user's) can move
// the cursor, clear the screen or end a line of a report.
std::string PrintableText(const std::string& text);

// A value from the command line quoted for a message: in single quotes, control bytes as \xNN, so that the
// message stays one line whatever was typed.
std::string Quoted(const std::string& text);

// "1 parameter", "8 parameters": a count with its noun, for messages.
inline std::string Counted(int64_t count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// Whole-string number parsing: no trailing characters, no overflow, within [minimum, maximum].
bool ParseInteger(const std::string& text, int64_t minimum, int64_t maximum, int64_t& value);
bool ParseNumber(const std::string& text, double minimum, double maximum, double& value);

} // namespace orke
