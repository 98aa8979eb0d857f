// The commands' runner and their JSON's destination.
#include "HostCommand.h"

#include "CallTrace.h"

namespace orke::host {

int RunHostCommand(const CommandOptions& command, int argc, char** argv, std::ostream& out, std::ostream& err,
                   CommandBody body) {
    CommandLine line;
    if (const auto done = ReadCommandLine(command, argc, argv, line, out, err)) {
        return *done;
    }
    try {
        return body(line, out, err);
    } catch (const PluginException& exception) {
        return CommandError(command, kExitFailure, exception.what(), err);
    }
}

bool JsonOutput::Open(const std::optional<std::string>& option, std::string& error) {
    m_wanted = option.has_value();
    if (m_wanted && !option->empty()) {
        m_file.open(*option);
        if (!m_file) {
            error = "cannot write " + *option;
            return false;
        }
    }
    return true;
}

} // namespace orke::host
