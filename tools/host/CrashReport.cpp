// The crash report of a render: the signal handlers, the frame reached, and the output removed.
#include "CrashReport.h"

#include "AudioFiles.h"
#include "CommandLine.h"
#include "SignalSafe.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace orke::host {
namespace {

// Everything the handler reads is set before it is installed; it only formats a number and writes.
const int kFaults[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kFaultCount = sizeof kFaults / sizeof kFaults[0];
struct sigaction g_previous[kFaultCount];
char g_before[4200]; // "orke-host process: PLUGIN crashed ("
char g_after[4200];  // "; OUT not written\n"
pid_t g_renderThread = 0;
std::atomic<int64_t> g_frame{0};
volatile sig_atomic_t g_inPlugin = 0;
// The handler's own stack, so that a plug-in that overflows the stack is reported too.
char g_alternateStack[65536];

static_assert(std::atomic<int64_t>::is_always_lock_free, "the handler reads the frame without a lock");

void writeText(const char* text) {
    WriteAll(STDERR_FILENO, text, std::strlen(text));
}

void restorePrevious() {
    for (size_t i = 0; i < kFaultCount; ++i) {
        sigaction(kFaults[i], &g_previous[i], nullptr);
    }
}

void onFault(int signal) {
    const bool pluginThread = static_cast<pid_t>(syscall(SYS_gettid)) != g_renderThread;
    if (g_inPlugin == 0 && !pluginThread) {
        // orke-host's own fault: left to whoever handled it before (a sanitizer, or the default end).
        restorePrevious();
        if (signal == SIGABRT) {
            raise(signal);
        }
        return;
    }
    RemovePendingOutput();
    char number[24];
    char* digit = number + sizeof number;
    *--digit = '\0';
    auto frame = static_cast<uint64_t>(g_frame.load(std::memory_order_relaxed));
    do {
        *--digit = static_cast<char>('0' + frame % 10);
        frame /= 10;
    } while (frame != 0);
    writeText(g_before);
    writeText(KnownSignalName(signal)); // one of kFaults, all named
    writeText(") at frame ");
    writeText(digit);
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
    copyText(g_before, "orke-host process: " + plugin + " crashed (");
    copyText(g_after, "; " + output + " is not written\n");
    g_renderThread = static_cast<pid_t>(syscall(SYS_gettid));
    g_frame.store(0);
    g_inPlugin = 0;
    stack_t stack{};
    stack.ss_sp = g_alternateStack;
    stack.ss_size = sizeof g_alternateStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_handler = onFault;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kFaultCount; ++i) {
        sigaction(kFaults[i], &action, &g_previous[i]);
    }
}

CrashReport::~CrashReport() {
    restorePrevious();
    stack_t disabled{};
    disabled.ss_flags = SS_DISABLE;
    sigaltstack(&disabled, nullptr);
}

void CrashReport::SetFrame(int64_t frame) {
    g_frame.store(frame, std::memory_order_relaxed);
}

void CrashReport::EnterPlugin() {
    g_inPlugin = 1;
}

void CrashReport::LeavePlugin() {
    g_inPlugin = 0;
}

} // namespace orke::host
