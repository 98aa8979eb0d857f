// The pending output file's name, in memory a signal handler may read.
#include "PendingFile.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace orke::host {
namespace {

char g_path[4096];
volatile sig_atomic_t g_pending = 0;

} // namespace

void WatchPendingFile(const std::string& path) {
    g_pending = 0;
    if (path.size() < sizeof g_path) {
        std::memcpy(g_path, path.c_str(), path.size() + 1);
        g_pending = 1;
    }
}

void ForgetPendingFile() {
    g_pending = 0;
}

void RemovePendingFile() {
    if (g_pending != 0) {
        unlink(g_path);
        g_pending = 0;
    }
}

} // namespace orke::host
