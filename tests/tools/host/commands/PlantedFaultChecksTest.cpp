// orke-host against the faults planted in FixturePlugin.cpp's modules. The note, buffer-layout and channel
// set-up checks: each NOTES fault is failed by the check meant for it from the level stated, saying the block
// and frame, as minor faults are from level 7; the same modules without their fault, and the Orke plug-ins,
// pass those checks at the highest level. The PLANTED effects: an end the plug-in calls itself, sleeping on
// the audio thread and a label written past its field are each named, and info and bench survive a crash in
// the entry.
#include "ToolRun.h"

#include <utility>

using namespace orke::host::test;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitizer keeps its own allocator, whose hooks report an allocation without its caller.
const char* const kNoteAllocation = "an allocation of 256 bytes";
#else
const char* const kNoteAllocation = "operator new[](256) called from host_notes_allocates.so";
#endif

struct Planted {
    const char* path;
    std::string check;
    const char* failsAt; // "1" for faults that fail at every level; the others only warn at level 5
    std::vector<std::string> said;
};

Planted fails(const char* path, const std::string& check, const char* level, std::vector<std::string> said) {
    return {path, check, level, std::move(said)};
}

} // namespace

TEST(OrkeHostPlantedFaults, EachFailsTheCheckMeantForItFromItsLevelSayingWhere) {
    const std::string struck = "block 5: note on 60 (velocity 100) at frame 17";
    const std::vector<std::string> held = {"still sounds at -16 dBFS in block ",
                                           ", 6 s after note off 60 at frame 300 of block 49"};
    const Planted cases[] = {
        fails(NOTES_CRASH_PATH, "notes", "1", {"the plug-in crashed (SIGSEGV) in a process call", struck}),
        fails(NOTES_ALLOCATES_PATH, "notes", "6", {kNoteAllocation, "while playing " + struck}),
        fails(NOTES_NEVER_RELEASES_PATH, "notes", "10", held),
        fails(NOTES_LATE_OFF_PATH, "notes", "10", held),
        fails(NOTES_SLIP_PATH, "buffer-layouts", "1",
              {"renders differently in place than with separate buffers: output 1 at frame 0 of block 1 ("}),
        fails(NOTES_NULL_INPUTS_PATH, "channel-setups", "1",
              {"the plug-in crashed (SIGSEGV)", "during block 1 (512 frames) with a null input array"}),
        fails(NOTES_THIRD_OUTPUT_PATH, "channel-setups", "1",
              {"wrote into output 2, which it does not declare (it declares 2), from frame 0 of block 1 ("}),
        fails(NOTES_WIDENER_PATH, "channel-setups", "1",
              {"the plug-in crashed (SIGSEGV)",
               "during block 1 (512 frames) with pointer arrays of exactly 1 "
               "input and 2 outputs, nothing readable"}),
        fails(NOTES_MINOR_PATH, "programs", "7", {"switching to program 1 leaves program 0"}),
        fails(NOTES_MINOR_PATH, "parameter-text", "7",
              {"parameter 0 shows '0.50', but set from that text it shows '0.25'"}),
    };
    for (const Planted& planted : cases) {
        SCOPED_TRACE(planted.path);
        const ToolRun failed =
            RunTool({"validate", "--level", planted.failsAt, "--check", planted.check, planted.path});
        EXPECT_EQ(failed.exitCode, 1) << failed.err;
        for (const std::string& said : planted.said) {
            expectAll(failed.out, {"\nFAIL  " + planted.check + " ", said});
        }
        if (std::string(planted.failsAt) != "1") {
            const ToolRun warned =
                RunTool({"validate", "--level", "5", "--check", planted.check, planted.path});
            EXPECT_EQ(warned.exitCode, 0) << warned.out;
            expectAll(warned.out, {"\nWARN  " + planted.check + " "});
        }
    }
}

TEST(OrkeHostPlantedFaults, WithoutTheirFaultsAndTheOrkePluginsPassAtTheHighestLevel) {
    for (const char* path : {NOTES_SYNTH_PATH, NOTES_EFFECT_PATH, IDLEWIRE_PATH, ORKEGAIN_PATH,
                             ORKEFILTER_PATH, ORKEECHO_PATH, ORKESYNTH_PATH}) {
        if (*path == '\0') {
            continue; // an example this build does not have
        }
        SCOPED_TRACE(path);
        const ToolRun run = RunTool({"validate", "--level", "10", "--check", "notes", "--check",
                                     "buffer-layouts", "--check", "channel-setups", path});
        EXPECT_EQ(run.exitCode, 0) << run.out;
        expectAll(run.out, {"validate: 3 checks, 3 passed, 0 with warnings, 0 failed\n"});
    }
}

TEST(OrkeHostPlanted, EachFaultIsNamedByItsCheckAtItsLevel) {
    struct Case {
        std::vector<std::string> arguments;
        const char* line; // the start of the check's line
        const char* fragment;
    };
    const Case cases[] = {
        // Ending the process with status 0 is no pass: every processing check names the call it ended in.
        {{"validate", PLANTED_EXIT_PATH},
         "FAIL  open-warm ",
         "the plug-in ended the process with _exit(0) in a process call of 256 frames"},
        {{"validate", "--level", "10", "--check", "real-time-safety", PLANTED_SLEEPY_PATH},
         "FAIL  real-time-safety ",
         "sleeps inside 907 process calls of 907; the first: usleep called from "},
        {{"validate", "--check", "parameters", PLANTED_LONG_LABEL_PATH},
         "WARN  parameters ",
         "request 6 (effGetParamLabel) for index 0 wrote 32 bytes into its 8-byte field"},
        {{"validate", "--level", "10", "--check", "parameters", PLANTED_LONG_LABEL_PATH},
         "FAIL  parameters ",
         "request 6 (effGetParamLabel) for index 0 wrote 32 bytes into its 8-byte field"},
    };
    for (const Case& test : cases) {
        const ToolRun run = RunTool(test.arguments);
        EXPECT_EQ(run.exitCode, test.line[0] == 'F' ? 1 : 0) << run.out << run.err;
        expectLine(run.out, test.line, test.fragment);
    }
    // Run in orke-host's own process the end is the run's: said, and with a failure's status.
    const ToolRun inProcess = RunTool({"validate", "--in-process", PLANTED_EXIT_PATH});
    EXPECT_EQ(inProcess.exitCode, 1);
    EXPECT_EQ(inProcess.err,
              "orke-host validate: the plug-in ended the process with _exit(0) during open-warm\n");
}

TEST(OrkeHostPlanted, InfoAndBenchSayInOneLineHowThePluginEnded) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"info", PLANTED_ENTRY_CRASH_PATH, " crashed (SIGSEGV) in the entry function\n"},
        {"bench", PLANTED_ENTRY_CRASH_PATH, " crashed (SIGSEGV) in the entry function\n"},
        {"bench", PLANTED_EXIT_PATH,
         ": the plug-in ended the process with _exit(0) in a process call of 1 frames"},
    };
    for (const auto& [command, plugin, how] : cases) {
        SCOPED_TRACE(std::string(command) + " " + plugin);
        expectOneLineError(RunTool({command, plugin}), 1,
                           std::string("orke-host ") + command + ": " + plugin + how);
    }
}
