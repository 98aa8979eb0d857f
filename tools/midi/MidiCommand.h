// The MIDI endpoint listing: the whole of `orke-midi`, and `orke-host midi`.
#pragma once

#include <ostream>

namespace orke {

// Runs the listing for a command line whose argv[0] names the command. Writes the listing to `out` and
// diagnostics (one line each) to `err`. Returns 0 on success (also when the machine has no MIDI system,
// which is said in one line), 1 when --find finds nothing, 2 for a wrong command line.
int RunMidiCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace orke
