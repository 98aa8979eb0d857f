// The fault module: the table of actions, the handler that runs them, and the handlers put in place and taken
// away as actions come and go.
#include "FaultHandlers.h"

#include <signal.h>

#include <cstddef>
#include <initializer_list>

namespace orke::host {
namespace {

struct HandledSignal {
    int number;
    unsigned set; // the FaultSignals bit it belongs to
};

const HandledSignal kSignals[] = {
    {SIGSEGV, kCrashSignals}, {SIGBUS, kCrashSignals}, {SIGFPE, kCrashSignals}, {SIGILL, kCrashSignals},
    {SIGABRT, kCrashSignals}, {SIGTRAP, kTrapSignals}, {SIGSYS, kTrapSignals},  {SIGINT, kEndSignals},
    {SIGTERM, kEndSignals},   {SIGHUP, kEndSignals},
};
constexpr size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];

struct Registered {
    unsigned signals;
    FaultStage stage;
    FaultAction action; // null: a free slot
};

// Written only outside the handler, by the thread that sets up the work; the handler only reads.
constexpr int kSlots = 8;
Registered g_actions[kSlots];
struct sigaction g_previous[kSignalCount];
volatile sig_atomic_t g_installed[kSignalCount];

// One stack for the handler, so that a plug-in that overflows the stack is still reported.
char g_alternateStack[64 * 1024];
thread_local bool t_onAlternateStack = false;

void restore(size_t signal) {
    if (g_installed[signal] != 0) {
        g_installed[signal] = 0;
        sigaction(kSignals[signal].number, &g_previous[signal], nullptr);
    }
}

void runActions(unsigned set, int number) {
    for (FaultStage stage : {FaultStage::Tidy, FaultStage::Note, FaultStage::Report}) {
        for (const Registered& action : g_actions) {
            if (action.action != nullptr && action.stage == stage && (action.signals & set) != 0) {
                action.action(number);
            }
        }
    }
}

void onSignal(int number, siginfo_t* info, void*) {
    size_t signal = 0;
    while (signal < kSignalCount && kSignals[signal].number != number) {
        ++signal;
    }
    if (signal == kSignalCount) {
        return;
    }
    runActions(kSignals[signal].set, number);
    // On to whoever handled it before. A fault comes back by itself when the faulting instruction runs
    // again; a signal that was sent is sent again, and arrives once this handler returns.
    restore(signal);
    if (info == nullptr || info->si_code <= 0 || kSignals[signal].set == kEndSignals) {
        raise(number);
    }
}

bool wanted(size_t signal) {
    for (const Registered& action : g_actions) {
        if (action.action != nullptr && (action.signals & kSignals[signal].set) != 0) {
            return true;
        }
    }
    return false;
}

void useAlternateStack(bool use) {
    if (use == t_onAlternateStack) {
        return;
    }
    stack_t stack{};
    stack.ss_sp = g_alternateStack;
    stack.ss_size = sizeof g_alternateStack;
    stack.ss_flags = use ? 0 : SS_DISABLE;
    sigaltstack(&stack, nullptr);
    t_onAlternateStack = use;
}

// Puts the handler in place for every signal an action wants, and the previous one back for the others.
void update() {
    struct sigaction ours {};
    ours.sa_sigaction = onSignal;
    ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&ours.sa_mask);
    bool any = false;
    for (size_t signal = 0; signal < kSignalCount; ++signal) {
        if (!wanted(signal)) {
            restore(signal);
            continue;
        }
        any = true;
        if (g_installed[signal] != 0) {
            continue;
        }
        struct sigaction current {};
        sigaction(kSignals[signal].number, nullptr, &current);
        if (kSignals[signal].set == kEndSignals && current.sa_handler == SIG_IGN) {
            continue; // ignored by the user's choice, and so it stays
        }
        if (sigaction(kSignals[signal].number, &ours, &g_previous[signal]) == 0) {
            g_installed[signal] = 1;
        }
    }
    useAlternateStack(any);
}

int add(unsigned signals, FaultStage stage, FaultAction action) {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (g_actions[slot].action == nullptr) {
            g_actions[slot] = {signals, stage, action};
            update();
            return slot;
        }
    }
    return -1; // more actions than the tool ever registers at once
}

} // namespace

FaultActionScope::FaultActionScope(unsigned signals, FaultStage stage, FaultAction action)
    : m_slot(add(signals, stage, action)) {}

FaultActionScope::~FaultActionScope() {
    if (m_slot >= 0) {
        g_actions[m_slot] = Registered{};
        update();
    }
}

void RunPluginEndActions() {
    runActions(kPluginEnds, 0);
}

void KeepFaultAction(unsigned signals, FaultStage stage, FaultAction action) {
    add(signals, stage, action);
}

void UseDefaultFaultHandling() {
    for (Registered& action : g_actions) {
        action = Registered{};
    }
    update();
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(fault, &fallback, nullptr);
    }
}

} // namespace orke::host
