// The exit functions, defined by the orke-host executable ahead of the C library's, so that a plug-in that
// ends the process itself (exit(0) in its entry or in a process call) is seen doing so: the end is noted in
// the call trace, where the parent of a check reads it, and the actions for a plug-in's end run (the pending
// output removed, the render's report written) before the process ends as the plug-in asked. The tool's own
// calls, from its executable, go straight on.
#include "CallTrace.h"
#include "ExecutableRange.h"
#include "FaultHandlers.h"

#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using orke::host::ProcessEnd;

void noteEnd(ProcessEnd how, int status, const void* caller) {
    if (!orke::host::FromThisExecutable(caller)) {
        orke::host::NoteProcessEnd(how, status);
        orke::host::RunPluginEndActions();
    }
}

[[noreturn]] void endNow(int status) {
    for (;;) {
        syscall(SYS_exit_group, status);
    }
}

// The C library's own function of that name; the process ends directly should it not be found.
[[noreturn]] void handOn(const char* name, int status) {
    using Function = void (*)(int);
    if (auto next = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name))) {
        next(status);
    }
    endNow(status);
}

} // namespace

// Each keeps the C library's declaration, and with it the promise not to return.
extern "C" {

void exit(int status) noexcept {
    noteEnd(ProcessEnd::Exit, status, __builtin_return_address(0));
    handOn("exit", status);
}
void quick_exit(int status) noexcept {
    noteEnd(ProcessEnd::QuickExit, status, __builtin_return_address(0));
    handOn("quick_exit", status);
}
void _exit(int status) {
    noteEnd(ProcessEnd::UnderscoreExit, status, __builtin_return_address(0));
    endNow(status);
}
void _Exit(int status) noexcept {
    noteEnd(ProcessEnd::CapitalExit, status, __builtin_return_address(0));
    endNow(status);
}

} // extern "C"
