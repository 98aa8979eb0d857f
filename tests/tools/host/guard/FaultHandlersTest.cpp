// The fault module, in a child process each: actions run in the order of their stage whatever the order they
// came in, the process then ends by its signal as it would have, and what is no longer registered, or ignored
// by the user, does nothing.
#include "FaultHandlers.h"
#include "Isolation.h"
#include "SignalSafe.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <string>
#include <vector>

using namespace orke::host;

namespace {

void say(const char* line) {
    WriteAll(STDOUT_FILENO, line, std::char_traits<char>::length(line));
}
void tidy(int) {
    say("tidy\n");
}
void report(int) {
    say("report\n");
}

// A write into a page that may not be written: a fault of the instruction, not a signal sent.
void fault() {
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
}

} // namespace

TEST(FaultHandlers, ActionsRunByStageThenTheSignalEndsTheProcess) {
    struct Case {
        const char* what;
        std::function<void()> run;
        int signal;
    };
    const Case cases[] = {
        {"a request to end", [] { raise(SIGTERM); }, SIGTERM},
        {"a crash signal sent", [] { raise(SIGSEGV); }, SIGSEGV},
        {"a fault", fault, SIGSEGV},
        {"an abort", [] { std::abort(); }, SIGABRT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const IsolatedRun run = RunIsolated(
            [&c](LineWriter&) {
                // Registered the other way round: the stage decides.
                const FaultActionScope last(kCrashSignals | kEndSignals, FaultStage::Report, report);
                const FaultActionScope first(kCrashSignals | kEndSignals, FaultStage::Tidy, tidy);
                c.run();
                return 0;
            },
            std::chrono::seconds(10));
        EXPECT_EQ(run.end, IsolatedRun::End::Crashed);
        EXPECT_EQ(run.signal, c.signal);
        EXPECT_EQ(run.output, (std::vector<std::string>{"tidy", "report"}));
    }
}

TEST(FaultHandlers, WhatIsGoneOrIgnoredDoesNothing) {
    const IsolatedRun gone = RunIsolated(
        [](LineWriter&) {
            { const FaultActionScope action(kEndSignals, FaultStage::Tidy, tidy); }
            raise(SIGTERM);
            return 0;
        },
        std::chrono::seconds(10));
    EXPECT_EQ(gone.end, IsolatedRun::End::Crashed);
    EXPECT_EQ(gone.signal, SIGTERM);
    EXPECT_TRUE(gone.output.empty());

    const IsolatedRun ignored = RunIsolated(
        [](LineWriter&) {
            signal(SIGTERM, SIG_IGN);
            const FaultActionScope action(kEndSignals, FaultStage::Tidy, tidy);
            raise(SIGTERM);
            return 0;
        },
        std::chrono::seconds(10));
    EXPECT_EQ(ignored.end, IsolatedRun::End::Completed);
    EXPECT_TRUE(ignored.output.empty());
}
