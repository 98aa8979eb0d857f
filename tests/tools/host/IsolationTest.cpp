#include "Isolation.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace orke::host;

// Crashes and hangs in the child are shown through the validator on misbehaving modules.
TEST(Isolation, AThrowingCheckFailsAndALineStaysOneLine) {
    const IsolatedRun run = RunIsolated(
        [](LineWriter& writer) {
            writer.Line("one\ntwo");
            throw std::runtime_error("no");
        },
        std::chrono::seconds(5));
    EXPECT_EQ(run.end, IsolatedRun::End::Failed);
    EXPECT_EQ(run.lines, (std::vector<std::string>{"one two", "fail the host's check threw an exception"}));
}
