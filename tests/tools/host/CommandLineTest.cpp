#include "CommandLine.h"

#include <gtest/gtest.h>

#include <cmath>

using orke::host::CommandLine;

namespace {

bool parse(std::vector<std::string> words, CommandLine& line, std::string& error) {
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    return line.Parse(static_cast<int>(argv.size()), argv.data(), 0,
                      {{"block", true}, {"param", true}, {"json", false}, {"help", false}}, error);
}

} // namespace

TEST(CommandLine, TakesOptionsInEitherFormAndKeepsPositionalsInOrder) {
    CommandLine line;
    std::string error;
    ASSERT_TRUE(
        parse({"a.so", "--block=64", "--param", "0=1", "--json", "in", "--param=1=0.5", "--", "--out"}, line,
              error))
        << error;
    EXPECT_EQ(line.Value("block"), "64");
    EXPECT_EQ(line.Values("param"), (std::vector<std::string>{"0=1", "1=0.5"}));
    EXPECT_TRUE(line.Has("json"));
    EXPECT_FALSE(line.Has("help"));
    EXPECT_EQ(line.Value("help", "none"), "none");
    EXPECT_EQ(line.Positionals(), (std::vector<std::string>{"a.so", "in", "--out"}));

    CommandLine shortHelp;
    ASSERT_TRUE(parse({"-h", "-"}, shortHelp, error));
    EXPECT_TRUE(shortHelp.Has("help"));
    EXPECT_EQ(shortHelp.Positionals(), (std::vector<std::string>{"-"}));
}

TEST(CommandLine, RefusesWhatItDoesNotKnow) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--blok", "64"}, "unknown option --blok"},
        {{"-x"}, "unknown option -x"},
        {{"--block"}, "option --block needs a value"},
        {{"--json=yes"}, "option --json takes no value"},
    };
    for (const auto& [words, message] : cases) {
        CommandLine line;
        std::string error;
        EXPECT_FALSE(parse(words, line, error));
        EXPECT_EQ(error, message);
    }
}

TEST(CommandLine, ParsesWholeNumbersWithinBoundsOnly) {
    int64_t integer = 7;
    EXPECT_TRUE(orke::host::ParseInteger("-12", -100, 100, integer));
    EXPECT_EQ(integer, -12);
    for (const char* text : {"", "12x", "1.5", "101", "99999999999999999999", " "}) {
        EXPECT_FALSE(orke::host::ParseInteger(text, -100, 100, integer)) << text;
    }
    double number = 0.0;
    EXPECT_TRUE(orke::host::ParseNumber("0.25", 0.0, 1.0, number));
    EXPECT_EQ(number, 0.25);
    for (const char* text : {"", "nan", "inf", "1.0001", "-0.1", "0.5s", "1e999"}) {
        EXPECT_FALSE(orke::host::ParseNumber(text, 0.0, 1.0, number)) << text;
    }
}
