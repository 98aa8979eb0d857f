// Writing bytes whole to a descriptor and naming a signal, both safe inside a signal handler.
#include "SignalSafe.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace orke::host {

bool WriteAll(int descriptor, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(descriptor, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

const char* KnownSignalName(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    case SIGKILL:
        return "SIGKILL";
    case SIGTERM:
        return "SIGTERM";
    default:
        return nullptr;
    }
}

} // namespace orke::host
