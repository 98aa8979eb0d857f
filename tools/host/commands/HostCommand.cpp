// The commands' runner and their JSON's destination.
#include "HostCommand.h"

#include "CallTrace.h"
#include "Isolation.h"

#include <cstdlib>
#include <sstream>

namespace orke::host {
namespace {

// The child's lines: standard output's and error's lines by their first letter (a capital for a last line
// without its newline), and the status last.
void sendText(LineWriter& writer, char stream, const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t newline = text.find('\n', start);
        if (newline == std::string::npos) {
            writer.Line(std::string(1, static_cast<char>(stream - 'a' + 'A')) + text.substr(start));
            break;
        }
        writer.Line(std::string(1, stream) + text.substr(start, newline - start));
        start = newline + 1;
    }
}

} // namespace

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

int RunPluginWork(const CommandOptions& command, const std::string& path, int timeoutSeconds,
                  const std::function<int(std::ostream& out, std::ostream& err)>& work, std::ostream& out,
                  std::ostream& err) {
    StartCallTrace();
    const IsolatedRun run = RunIsolated(
        [&](LineWriter& writer) {
            MarkFaultingThread();
            const ThreadTrace trace;
            std::ostringstream childOut;
            std::ostringstream childErr;
            int status = kExitFailure;
            try {
                status = work(childOut, childErr);
            } catch (const PluginException& exception) {
                status = CommandError(command, kExitFailure, exception.what(), childErr);
            }
            sendText(writer, 'o', childOut.str());
            sendText(writer, 'e', childErr.str());
            writer.Line("x" + std::to_string(status));
            return 0;
        },
        std::chrono::seconds(timeoutSeconds));
    const CallTraceSnapshot trace = ReadCallTrace();
    for (const std::string& line : run.lines) {
        if (line.empty() || line[0] != 'x') {
            continue;
        }
        for (const std::string& printed : run.output) {
            err << printed << '\n';
        }
        for (const std::string& text : run.lines) {
            const char kind = text.empty() ? ' ' : text[0];
            std::ostream& stream = kind == 'o' || kind == 'O' ? out : err;
            if (kind == 'o' || kind == 'e' || kind == 'O' || kind == 'E') {
                stream << text.substr(1) << (kind == 'o' || kind == 'e' ? "\n" : "");
            }
        }
        return std::atoi(line.c_str() + 1);
    }
    std::string how;
    switch (run.end) {
    case IsolatedRun::End::Crashed:
        how = " crashed (" + SignalName(run.signal) + ")" + PlaceOfEnd(trace, true);
        break;
    case IsolatedRun::End::TimedOut:
        how = " did not finish within " + std::to_string(timeoutSeconds) + " seconds" +
              PlaceOfEnd(trace, false);
        break;
    default: // the child ended before its work did, by the plug-in's call or with a status
        how = ": " + DescribeEndBeforeDone(trace, run.exitStatus) + PlaceOfEnd(trace, false);
        break;
    }
    return CommandError(command, kExitFailure, path + how, err);
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
