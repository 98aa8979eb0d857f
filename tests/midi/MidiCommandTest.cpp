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
    std::string out, err;
};

Outcome run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "orke-midi");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    std::ostringstream out, err;
    const int exitCode = orke::RunMidiCommand(static_cast<int>(argv.size()), argv.data(), out, err);
    return {exitCode, out.str(), err.str()};
}

struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string out; // for a failure: the start of the one line on the error stream
};

} // namespace

TEST(MidiCommand, ListsNamesAndUniqueIDsOrSaysInOneLineWhatIsWrong) {
    orke_coremidi::MIDISetup setup;
    MIDIEntityRef entity = setup.AddEntity(setup.AddDevice("Box", 1), "Port", 2, true);
    setup.AddSource(entity, "keys", 10);
    setup.AddDestination(entity, "Synth", 11);
    MIDIEndpointRef jack = setup.AddDestination(setup.AddEntity(nullptr, "Jack", 3, false), "Jack", -12);
    setup.AddObject(kMIDIObjectType_ExternalDestination, "Module", 20);
    setup.AddObject(kMIDIObjectType_ExternalDestination, "Drums", 21);
    setup.SetConnections(jack, {20, 21});
    orke_coremidi::InstallMIDISetup(std::move(setup));

    const Case cases[] = {
        {{}, 0, "         10  keys\n"},
        {{"--destinations", "--sorted"}, 0, "         21  Drums\n         20  Module\n         11  Synth\n"},
        {{"--destinations", "--combined"}, 0, "         11  Synth\n        -12  Module, Drums\n"},
        {{"--pairs", "--unconnected"}, 0, "         11  Synth\n"},
        {{"--destinations", "--find", "0x14"}, 0, "         20  Module\n"},
        {{"--find", "20"}, 1, "orke-midi: "}, // a destination's ID among the sources
        {{"--find", "2147483648"}, 2, "orke-midi: "},
        {{"--sources", "--pairs"}, 2, "orke-midi: "},
        {{"--verbose"}, 2, "orke-midi: "},
    };
    for (const Case& c : cases) {
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << ::testing::PrintToString(c.arguments);
        if (c.exitCode == 0) {
            EXPECT_EQ(outcome.out, c.out) << ::testing::PrintToString(c.arguments);
            EXPECT_EQ(outcome.err, "");
        } else {
            EXPECT_EQ(outcome.out, "");
            EXPECT_EQ(outcome.err.rfind(c.out, 0), 0u) << outcome.err;
            EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
        }
    }
    orke_coremidi::UseSystemMIDISetup();
}

TEST(MidiCommand, SaysInOneLineThatThisMachineHasNoMIDISystem) {
    if (access("/dev/snd/seq", F_OK) == 0) {
        GTEST_SKIP() << "this machine runs a sequencer";
    }
    orke_coremidi::UseSystemMIDISetup();
    const Outcome outcome = run({"--pairs"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "no MIDI system on this machine\n");
    EXPECT_EQ(outcome.err, "");
}
