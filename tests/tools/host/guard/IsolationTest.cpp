// Work in a child process: a check that throws, one-line reports, the child's output collected and cut.
#include "Isolation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>

using namespace orke::host;

// Crashes and hangs in the child are shown through the validator on misbehaving modules.
TEST(Isolation, AThrowingCheckFailsAndALineStaysOneLine) {
    const IsolatedRun run = RunIsolated(
        [](LineWriter& writer) -> int {
            writer.Line("one\ntwo");
            throw std::runtime_error("no");
        },
        std::chrono::seconds(5));
    EXPECT_EQ(run.end, IsolatedRun::End::Failed);
    EXPECT_EQ(run.lines,
              (std::vector<std::string>{"one two", "fail the host's check threw an exception: no"}));
}

TEST(Isolation, WhatTheChildPrintsIsCollectedApartAndCut) {
    const IsolatedRun run = RunIsolated(
        [](LineWriter& writer) {
            writer.Line("report");
            std::printf("out\n");
            std::fprintf(stderr, "err\n");
            for (size_t line = 0; line < kKeptOutputLines + 5; ++line) {
                std::printf("more\n");
            }
            std::printf("unended");
            return 7;
        },
        std::chrono::seconds(5));
    EXPECT_EQ(run.end, IsolatedRun::End::Failed);
    EXPECT_EQ(run.exitStatus, 7);
    EXPECT_EQ(run.lines, std::vector<std::string>{"report"});
    ASSERT_EQ(run.output.size(), kKeptOutputLines);
    EXPECT_EQ(run.output[0], "out");
    EXPECT_EQ(run.output[1], "err");
    EXPECT_EQ(run.outputLeftOut, 8) << "108 lines, the last without its newline: the first 100 are kept";
}
