// What every orke-host command shares: the runner that reads its command line and turns a plug-in's exception
// into the command's one-line error, and where its JSON goes.
#pragma once

#include "CommandLine.h"

#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace orke::host {

// Reads the command line by the command's table and hands it to `body`, as RunCommand does. A plug-in's
// exception that reaches the runner ends the command with its one-line error and status 1.
int RunHostCommand(const CommandOptions& command, int argc, char** argv, std::ostream& out, std::ostream& err,
                   CommandBody body);

// Runs `work`, which loads the plug-in at `path`, in a child process as validate runs its checks: what it
// prints comes back and is printed here, and its status is the command's. A plug-in that crashes, ends the
// process itself or does not finish within `timeoutSeconds` ends the command with one line saying how and in
// which call, and status 1. What the plug-in prints itself goes to `err` once the work is done.
int RunPluginWork(const CommandOptions& command, const std::string& path, int timeoutSeconds,
                  const std::function<int(std::ostream& out, std::ostream& err)>& work, std::ostream& out,
                  std::ostream& err);

// --json[=FILE], the same for every command: a bare --json prints the command's report as one JSON object on
// standard output instead of its text; --json=FILE writes that object into FILE and prints the text as well.
class JsonOutput {
public:
    // Opens FILE when one is given, so that a wrong path is found before the work. False, with a one-line
    // reason, when it cannot be written.
    bool Open(const std::optional<std::string>& option, std::string& error);

    bool Wanted() const { return m_wanted; }
    // Whether the text report is printed: without --json, or with a FILE.
    bool Text() const { return !m_wanted || m_file.is_open(); }
    // Where the JSON object goes: `out`, or the file.
    std::ostream& Stream(std::ostream& out) { return m_file.is_open() ? m_file : out; }

private:
    bool m_wanted = false;
    std::ofstream m_file;
};

} // namespace orke::host
