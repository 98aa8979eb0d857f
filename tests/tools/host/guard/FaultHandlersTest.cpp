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

// A write into a page that may not be written: a fault of the instruction, not a signal sent.
void fault() {
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
}

// `fault` with a report and a tidy action registered the other way round: the stage decides.
std::function<void()> withBoth(void (*fault)()) {
    return [fault] {
        const FaultActionScope last(kCrashSignals | kEndSignals, FaultStage::Report,
                                    [](int) { say("report\n"); });
        const FaultActionScope first(kCrashSignals | kEndSignals, FaultStage::Tidy, tidy);
        fault();
    };
}

} // namespace

TEST(FaultHandlers, ActionsRunByStageThenTheSignalEndsTheProcessAndWhatIsGoneOrIgnoredDoesNothing) {
    using End = IsolatedRun::End;
    struct Case {
        const char* what;
        End end;
        int signal;
        std::vector<std::string> output;
        std::function<void()> run;
    };
    const std::vector<std::string> both = {"tidy", "report"}, none;
    const Case cases[] = {
        {"a request to end", End::Crashed, SIGTERM, both, withBoth([] { raise(SIGTERM); })},
        {"a crash signal sent", End::Crashed, SIGSEGV, both, withBoth([] { raise(SIGSEGV); })},
        {"a fault", End::Crashed, SIGSEGV, both, withBoth(fault)},
        {"an abort", End::Crashed, SIGABRT, both, withBoth([] { std::abort(); })},
        {"an action no longer registered", End::Crashed, SIGTERM, none,
         [] {
             { const FaultActionScope action(kEndSignals, FaultStage::Tidy, tidy); }
             raise(SIGTERM);
         }},
        {"a signal the user ignores", End::Completed, 0, none,
         [] {
             signal(SIGTERM, SIG_IGN);
             const FaultActionScope action(kEndSignals, FaultStage::Tidy, tidy);
             raise(SIGTERM);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const IsolatedRun run = RunIsolated(
            [&c](LineWriter&) {
                c.run();
                return 0;
            },
            std::chrono::seconds(10));
        EXPECT_EQ(run.end, c.end);
        EXPECT_EQ(run.signal, c.signal);
        EXPECT_EQ(run.output, c.output);
    }
}
