// The listing command, over a hand-built MIDI setup and over this machine's.
#include "MidiCommand.h"

#include <CoreMIDI/MIDISetup.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// orke-midi's exit code and standard output; a failure must say what is wrong in one line of its own.
std::string run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "orke-midi");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    std::ostringstream out, err;
    const int exitCode = orke::RunMidiCommand(static_cast<int>(argv.size()), argv.data(), out, err);
    const std::string error = err.str();
    const bool oneLine = error.rfind("orke-midi: ", 0) == 0 && error.find('\n') == error.size() - 1;
    return std::to_string(exitCode) + "|" + out.str() + (error.empty() ? "" : oneLine ? "<error>" : error);
}

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

    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "0|         10  keys\n"},
        {{"--destinations", "--sorted"}, "0|         21  Drums\n         20  Module\n         11  Synth\n"},
        {{"--destinations", "--combined"}, "0|         11  Synth\n        -12  Module, Drums\n"},
        {{"--pairs", "--unconnected"}, "0|         11  Synth\n"},
        {{"--destinations", "--find", "0x14"}, "0|         20  Module\n"},
        {{"--find", "20"}, "1|<error>"}, // a destination's ID among the sources
        {{"--find", "2147483648"}, "2|<error>"},
        {{"--sources", "--pairs"}, "2|<error>"},
        {{"--verbose"}, "2|<error>"},
    };
    for (const auto& [arguments, expected] : cases) {
        EXPECT_EQ(run(arguments), expected) << ::testing::PrintToString(arguments);
    }
    orke_coremidi::UseSystemMIDISetup();
}

TEST(MidiCommand, SaysInOneLineThatThisMachineHasNoMIDISystem) {
    if (access("/dev/snd/seq", F_OK) == 0) {
        GTEST_SKIP() << "this machine runs a sequencer";
    }
    orke_coremidi::UseSystemMIDISetup();
    EXPECT_EQ(run({"--pairs"}), "0|no MIDI system on this machine\n");
}
