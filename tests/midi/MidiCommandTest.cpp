// The listing command, over a hand-built MIDI setup and over this machine's.
#include "MidiCommand.h"

#include <CoreMIDI/MIDISetup.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

Outcome run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "orke-midi");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::ostringstream out, err;
    const int exitCode = orke::RunMidiCommand(static_cast<int>(arguments.size()), argv.data(), out, err);
    return {exitCode, out.str(), err.str()};
}

class MidiCommand : public ::testing::Test {
protected:
    void SetUp() override {
        orke_coremidi::MIDISetup setup;
        MIDIEntityRef entity = setup.AddEntity(setup.AddDevice("Box", 1), "Port", 2, true);
        setup.AddSource(entity, "keys", 10);
        setup.AddDestination(entity, "Synth", 11);
        MIDIEndpointRef jack = setup.AddDestination(setup.AddEntity(nullptr, "Jack", 3, false), "Jack", -12);
        setup.AddObject(kMIDIObjectType_ExternalDestination, "Module", 20);
        setup.AddObject(kMIDIObjectType_ExternalDestination, "Drums", 21);
        setup.SetConnections(jack, {20, 21});
        orke_coremidi::InstallMIDISetup(std::move(setup));
    }
    void TearDown() override { orke_coremidi::UseSystemMIDISetup(); }
};

} // namespace

TEST_F(MidiCommand, ListsNamesAndUniqueIDsByModeAndOptions) {
    struct Case {
        std::vector<std::string> arguments;
        std::string out;
    };
    const Case cases[] = {
        {{}, "         10  keys\n"},
        {{"--sources"}, "         10  keys\n"},
        {{"--destinations"}, "         11  Synth\n         20  Module\n         21  Drums\n"},
        {{"--destinations", "--sorted"}, "         21  Drums\n         20  Module\n         11  Synth\n"},
        {{"--destinations", "--combined"}, "         11  Synth\n        -12  Module, Drums\n"},
        {{"--pairs", "--unconnected"}, "         11  Synth\n"},
        {{"--find", "-12", "--destinations"}, "        -12  Module, Drums\n"},
        {{"--destinations", "--find", "0x14"}, "         20  Module\n"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.exitCode, 0) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(outcome.out, c.out) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(outcome.err, "");
    }
}

TEST_F(MidiCommand, RefusesWrongCommandLinesInOneLine) {
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
    };
    const Case cases[] = {
        {{"--find", "20"}, 1}, // a destination's ID among the sources
        {{"--find"}, 2},
        {{"--find", "12x"}, 2},
        {{"--find", "2147483648"}, 2},
        {{"--sources", "--pairs"}, 2},
        {{"--verbose"}, 2},
    };
    for (const Case& c : cases) {
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err.rfind("orke-midi: ", 0), 0u) << outcome.err;
        EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
    }
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: orke-midi ", 0), 0u);
}

TEST(MidiCommandOnThisMachine, SaysInOneLineThatThereIsNoMIDISystem) {
    if (access("/dev/snd/seq", F_OK) == 0) {
        GTEST_SKIP() << "this machine runs a sequencer";
    }
    orke_coremidi::UseSystemMIDISetup();
    for (const char* mode : {"--sources", "--destinations", "--pairs"}) {
        const Outcome outcome = run({mode});
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.out, "no MIDI system on this machine\n");
        EXPECT_EQ(outcome.err, "");
    }
}
