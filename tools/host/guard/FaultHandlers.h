// The one place orke-host installs signal handlers: one alternate stack, and one table of signal-safe actions
// that run, in the order of their stage, when a fault or a request to end arrives. The pending output's
// clean-up, the render's crash report and the call trace register here; nothing else calls sigaction.
#pragma once

namespace orke::host {

// Which signals an action is for.
enum FaultSignals : unsigned {
    kCrashSignals = 1u << 0, // SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT
    kTrapSignals = 1u << 1,  // SIGTRAP, SIGSYS
    kEndSignals = 1u << 2,   // SIGINT, SIGTERM, SIGHUP: a user or the system asking the process to end
    // No signal: the plug-in ending the process itself (exit, _exit), told by RunPluginEndActions.
    kPluginEnds = 1u << 3,
};

// When an action runs among the others for the same signal: clean-ups first, then what notes the place, then
// a report, which may end the process.
enum class FaultStage { Tidy, Note, Report };

// Called from the signal handler, on its own stack: may only do what a handler may (write, unlink, _exit).
using FaultAction = void (*)(int signal);

// Registers `action` for `signals` while it lives. Once every action for a signal has run, the handler that
// was there before (the default end, a sanitizer's report) gets the signal. A request to end that the user
// chose to ignore stays ignored.
class FaultActionScope {
public:
    FaultActionScope(unsigned signals, FaultStage stage, FaultAction action);
    ~FaultActionScope();

    FaultActionScope(const FaultActionScope&) = delete;
    FaultActionScope& operator=(const FaultActionScope&) = delete;

private:
    int m_slot;
};

// Runs the actions for kPluginEnds, by stage, with `signal` 0: the plug-in is ending the process, which ends
// once they are done (unless a report ends it first).
void RunPluginEndActions();

// Registers `action` for the rest of the process (a child's, which ends with the check it runs).
void KeepFaultAction(unsigned signals, FaultStage stage, FaultAction action);

// In a child about to run a plug-in: forgets the parent's actions, and a fault ends the process by its own
// signal, whatever handler came before (a sanitizer's), so that the parent can name it.
void UseDefaultFaultHandling();

} // namespace orke::host
