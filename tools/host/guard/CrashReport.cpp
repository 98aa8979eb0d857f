// The crash report of a render: the fault action, the frame reached, and the line it writes.
#include "CrashReport.h"

#include "CallTrace.h"
#include "CommandLine.h"
#include "FaultHandlers.h"
#include "SignalSafe.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace orke::host {
namespace {

// Everything the action reads is set before it is registered; it only formats a number and writes.
char g_plugin[4200]; // "orke-host process: PLUGIN"
char g_after[4200];  // "; OUT is not written\n"
pid_t g_renderThread = 0;
std::atomic<int64_t> g_frame{0};

static_assert(std::atomic<int64_t>::is_always_lock_free, "the handler reads the frame without a lock");

void writeText(const char* text) {
    WriteAll(STDERR_FILENO, text, std::strlen(text));
}

// `value` in decimal at the end of `text`; the first digit (or sign) returned.
char* decimal(int64_t value, char (&text)[24]) {
    char* digit = text + sizeof text;
    *--digit = '\0';
    uint64_t rest = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        *--digit = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (value < 0) {
        *--digit = '-';
    }
    return digit;
}

// A fault on the rendering thread outside a plug-in call is orke-host's own: left to the handler before.
// Signal 0 is the plug-in ending the process itself, which the render must not take for its own success.
void reportCrash(int signal) {
    char frame[24];
    char status[24];
    if (signal == 0) {
        int32_t code = 0;
        const ProcessEnd how = NotedProcessEnd(code);
        writeText(g_plugin);
        writeText(" ended the process (");
        writeText(ProcessEndName(how));
        writeText("(");
        writeText(decimal(code, status));
        writeText(")) at frame ");
    } else {
        const bool pluginThread = static_cast<pid_t>(syscall(SYS_gettid)) != g_renderThread;
        if (!pluginThread && !TracedThreadInside(0)) {
            return;
        }
        writeText(g_plugin);
        writeText(" crashed (");
        writeText(KnownSignalName(signal)); // a crash signal, all of them named
        writeText(") at frame ");
    }
    writeText(decimal(g_frame.load(std::memory_order_relaxed), frame));
    writeText(g_after);
    _exit(kExitFailure);
}

void copyText(char (&field)[4200], const std::string& text) {
    const size_t kept = std::min(text.size(), sizeof field - 1);
    std::memcpy(field, text.data(), kept);
    field[kept] = '\0';
}

} // namespace

CrashReport::CrashReport(const std::string& plugin, const std::string& output) {
    copyText(g_plugin, "orke-host process: " + plugin);
    copyText(g_after, "; " + output + " is not written\n");
    g_renderThread = static_cast<pid_t>(syscall(SYS_gettid));
    g_frame.store(0);
    m_action =
        std::make_unique<FaultActionScope>(kCrashSignals | kPluginEnds, FaultStage::Report, reportCrash);
}

CrashReport::~CrashReport() = default;

void CrashReport::SetFrame(int64_t frame) {
    g_frame.store(frame, std::memory_order_relaxed);
}

} // namespace orke::host
