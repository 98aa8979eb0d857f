// Whether an address is in the orke-host executable's own code: how the functions it defines ahead of the
// system's tell the tool's calls from a plug-in's. For those definitions alone, which only the executable
// has.
#pragma once

extern "C" char __executable_start;
extern "C" char etext;

namespace orke::host {

inline bool FromThisExecutable(const void* caller) {
    const char* address = static_cast<const char*>(caller);
    return address >= &__executable_start && address < &etext;
}

} // namespace orke::host
