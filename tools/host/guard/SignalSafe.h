// What a signal handler may call: writing bytes whole to a descriptor and naming a signal, with no
// allocation.
#pragma once

#include <cstddef>

namespace orke::host {

// Writes all `size` bytes to `descriptor`, again after an interruption; false when the descriptor refuses
// them.
bool WriteAll(int descriptor, const char* data, size_t size);

// "SIGSEGV" and the like for the signals orke-host reports, or null for any other.
const char* KnownSignalName(int signal);

} // namespace orke::host
