// A command's option table: the help lines, the parsing and the error texts that come from its rows.
#include "OptionTable.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace orke;

namespace {

struct Part {
    bool loud = false;
};

struct Fields {
    int32_t block = 512;
    double tempo = 0.0;
    std::string midi;
    std::vector<std::string> checks;
    std::optional<std::string> json;
    Part part;
};

bool even(const std::string& text, Fields&, std::string&) {
    int64_t number = 0;
    return ParseInteger(text, 0, 100, number) && number % 2 == 0;
}

const OptionTable<Fields> kTable = {
    Whole("block", "N", &Fields::block, 1, 65536, "a whole number of frames", "frames per call, {range}"),
    Number("tempo", "BPM", &Fields::tempo, 1.0, 999.5, "quarter notes per minute", "the tempo"),
    Text("midi", "FILE", &Fields::midi, "a MIDI file"),
    Texts("check", "NAME", &Fields::checks, "a check; repeatable"),
    OptionalText("json", "FILE", &Fields::json, "JSON, or into FILE", true),
    Custom("even", "E", even, "an even number", "an even number"),
    Within(&Fields::part, Flag("loud", &Part::loud, "louder")),
};

struct Filled {
    bool ok;
    std::string error;
    Fields fields;
};

Filled fill(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    CommandLine line;
    Filled filled{true, "", {}};
    filled.ok = line.Parse(static_cast<int>(argv.size()), argv.data(), 0, kTable.Options(), filled.error) &&
                kTable.Fill(line, filled.fields, filled.error);
    return filled;
}

} // namespace

TEST(OptionTable, HelpLinesComeFromTheRows) {
    const std::string help = HelpText({"tool", "", 16, kTable.Options()});
    EXPECT_EQ(help, "  --block N     frames per call, 1 to 65536\n"
                    "  --tempo BPM   the tempo\n"
                    "  --midi FILE   a MIDI file\n"
                    "  --check NAME  a check; repeatable\n"
                    "  --json[=FILE]  JSON, or into FILE\n"
                    "  --even E      an even number\n"
                    "  --loud        louder\n"
                    "  --help        show this help\n");
}

TEST(OptionTable, FillsTheFieldsOrSaysWhatAnOptionTakes) {
    const Filled filled = fill({"--block", "64", "--block=128", "--tempo", "99.5", "--check", "a",
                                "--check=b", "--loud", "--json", "report.json", "--midi", "x.mid"});
    ASSERT_TRUE(filled.ok) << filled.error;
    EXPECT_EQ(filled.fields.block, 128) << "the last one given counts";
    EXPECT_EQ(filled.fields.tempo, 99.5);
    EXPECT_EQ(filled.fields.checks, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(filled.fields.part.loud);
    EXPECT_EQ(filled.fields.json, std::optional<std::string>("report.json"));
    EXPECT_EQ(filled.fields.midi, "x.mid");
    EXPECT_EQ(fill({"--json", "--loud"}).fields.json, std::optional<std::string>(""));
    EXPECT_EQ(fill({"--json=out.json"}).fields.json, std::optional<std::string>("out.json"));
    EXPECT_FALSE(fill({}).fields.json.has_value());

    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--block", "0"}, "--block takes a whole number of frames from 1 to 65536, not '0'"},
        {{"--block", "9x"}, "--block takes a whole number of frames from 1 to 65536, not '9x'"},
        {{"--tempo", "1000"}, "--tempo takes quarter notes per minute from 1 to 999.5, not '1000'"},
        {{"--tempo", "nan"}, "--tempo takes quarter notes per minute from 1 to 999.5, not 'nan'"},
        {{"--even", "3"}, "--even takes an even number, not '3'"},
        {{"--block"}, "option --block needs a value"},
        {{"--loud=yes"}, "option --loud takes no value"},
    };
    for (const auto& [words, error] : refused) {
        const Filled filled = fill(words);
        EXPECT_FALSE(filled.ok) << words[0];
        EXPECT_EQ(filled.error, error);
    }
}
