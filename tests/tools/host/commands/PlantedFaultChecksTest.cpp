// The note, buffer-layout and channel set-up checks against the faults planted in FixturePlugin.cpp's NOTES
// modules: each is failed by the check meant for it from the level stated, saying the block and frame, as
// minor faults are from level 7; the same modules without their fault, and the Orke plug-ins, pass those
// checks at the highest level.
#include "ToolRun.h"

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
    const char* failsAt; // "1" for faults that fail at every level
    const char* warnsAt; // a lower level at which it only warns; null when it fails at every level
    std::vector<std::string> said;
};

} // namespace

TEST(OrkeHostPlantedFaults, EachFailsTheCheckMeantForItFromItsLevelSayingWhere) {
    const std::string struck = "block 5: note on 60 (velocity 100) at frame 17";
    const std::vector<std::string> held = {"still sounds at -16 dBFS in block ",
                                           ", 6 s after note off 60 at frame 300 of block 49"};
    const Planted cases[] = {
        {NOTES_CRASH_PATH,
         "notes",
         "1",
         nullptr,
         {"the plug-in crashed (SIGSEGV) in a process call", struck}},
        {NOTES_ALLOCATES_PATH, "notes", "6", "5", {kNoteAllocation, "while playing " + struck}},
        {NOTES_NEVER_RELEASES_PATH, "notes", "10", "5", held},
        {NOTES_LATE_OFF_PATH, "notes", "10", "5", held},
        {NOTES_SLIP_PATH,
         "buffer-layouts",
         "1",
         nullptr,
         {"renders differently in place than with separate buffers: output 1 at frame 0 of block 1 ("}},
        {NOTES_NULL_INPUTS_PATH,
         "channel-setups",
         "1",
         nullptr,
         {"the plug-in crashed (SIGSEGV)", "during block 1 (512 frames) with a null input array"}},
        {NOTES_THIRD_OUTPUT_PATH,
         "channel-setups",
         "1",
         nullptr,
         {"wrote into output 2, which it does not declare (it declares 2), from frame 0 of block 1 ("}},
        {NOTES_WIDENER_PATH,
         "channel-setups",
         "1",
         nullptr,
         {"the plug-in crashed (SIGSEGV)", "during block 1 (512 frames) with pointer arrays of exactly 1 "
                                           "input and 2 outputs, nothing readable"}},
        {NOTES_MINOR_PATH, "programs", "7", "5", {"switching to program 1 leaves program 0"}},
        {NOTES_MINOR_PATH,
         "parameter-text",
         "7",
         "5",
         {"parameter 0 shows '0.50', but set from that text it shows '0.25'"}},
    };
    for (const Planted& planted : cases) {
        SCOPED_TRACE(planted.path);
        const ToolRun failed =
            RunTool({"validate", "--level", planted.failsAt, "--check", planted.check, planted.path});
        EXPECT_EQ(failed.exitCode, 1) << failed.err;
        for (const std::string& said : planted.said) {
            expectAll(failed.out, {"\nFAIL  " + planted.check + " ", said});
        }
        if (planted.warnsAt != nullptr) {
            const ToolRun warned =
                RunTool({"validate", "--level", planted.warnsAt, "--check", planted.check, planted.path});
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
