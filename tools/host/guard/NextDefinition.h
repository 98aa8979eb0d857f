// The definition of a function that comes after the orke-host executable's own: the sanitizer's where there
// is one, else the C library's. The interposers hand each call on to it.
#pragma once

#include <dlfcn.h>

#include <atomic>

namespace orke::host {

// Resolved on first use and kept in `slot`; the loader's own locking does not come back through the
// interposed functions.
template <typename Function>
Function NextDefinition(std::atomic<Function>& slot, const char* name) {
    Function function = slot.load(std::memory_order_acquire);
    if (function == nullptr) {
        function = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
        slot.store(function, std::memory_order_release);
    }
    return function;
}

} // namespace orke::host
