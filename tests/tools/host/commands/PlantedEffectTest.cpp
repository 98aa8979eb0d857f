// orke-host against the planted effects: an end the plug-in calls itself, sleeping on the audio thread and a
// label written past its field are each named, and info and bench survive a crash in the entry.
#include "ToolRun.h"

using namespace orke::host::test;

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
        const std::string line = lineStarting(run.out, test.line);
        EXPECT_NE(line.find(test.fragment), std::string::npos) << test.fragment << "\n" << run.out;
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
        const ToolRun run = RunTool({command, plugin});
        EXPECT_EQ(run.exitCode, 1) << command << ' ' << plugin;
        EXPECT_EQ(run.signal, 0) << "the host itself must not crash";
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.rfind(std::string("orke-host ") + command + ": " + plugin + how, 0), 0u) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
}
