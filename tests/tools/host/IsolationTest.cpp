#include "Isolation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

using namespace orke::host;
using namespace std::chrono_literals;

TEST(Isolation, ReportsHowTheChildEndedAndKeepsWhatItSaidFirst) {
    struct Case {
        const char* name;
        std::function<void(LineWriter&)> work;
        IsolatedRun::End end;
    };
    const Case cases[] = {
        {"completes", [](LineWriter& w) { w.Line("one\ntwo"); }, IsolatedRun::End::Completed},
        {"crashes",
         [](LineWriter& w) {
             w.Line("one\ntwo");
             raise(SIGSEGV);
         },
         IsolatedRun::End::Crashed},
        {"hangs",
         [](LineWriter& w) {
             w.Line("one\ntwo");
             for (;;) {
                 pause();
             }
         },
         IsolatedRun::End::TimedOut},
        {"throws",
         [](LineWriter& w) {
             w.Line("one\ntwo");
             throw std::runtime_error("no");
         },
         IsolatedRun::End::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        const IsolatedRun run = RunIsolated(c.work, 300ms);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        EXPECT_EQ(run.end, c.end);
        ASSERT_FALSE(run.lines.empty());
        EXPECT_EQ(run.lines.front(), "one two") << "a line stays one line";
        if (c.end == IsolatedRun::End::Crashed) {
            EXPECT_EQ(SignalName(run.signal), "SIGSEGV");
        }
    }
}

TEST(Isolation, RunsInThisProcessWhenAskedTo) {
    int ran = 0;
    const IsolatedRun run = RunIsolated(
        [&ran](LineWriter& w) {
            ++ran;
            w.Line("here");
        },
        1s, false);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(run.end, IsolatedRun::End::Completed);
    EXPECT_EQ(run.lines, std::vector<std::string>{"here"});
}
