// orke-host from the outside: its reports, its renders through Idlewire, its one-line errors, its validator
// on good, broken and third-party plug-ins.
#include "ToolRun.h"

#include <csignal>

using namespace orke::host::test;

namespace {

// orke-host run with `arguments` (in folder `cwd`), ended with `exitCode` and saying every one of
// `fragments`.
ToolRun expectRun(const std::vector<std::string>& arguments, int exitCode,
                  std::initializer_list<std::string> fragments, const std::string& cwd = ".") {
    const ToolRun run = RunTool(arguments, "", cwd);
    EXPECT_EQ(run.exitCode, exitCode) << arguments[0] << " " << arguments.back() << "\n"
                                      << run.out << run.err;
    expectAll(run.out, fragments);
    return run;
}

} // namespace

TEST(OrkeHostInfo, DescribesIdlewireAsTextAndJson) {
    // A bare file name is looked for in the current folder, not on the loader's search path.
    const std::string path = IDLEWIRE_PATH;
    expectRun({"info", "Idlewire.so"}, 0,
              {"effect name     Idlewire\n", "vendor          Orvane Kettlers\n",
               "category        effect (1)\n", "unique ID       'OKiw' (1330342263)\n",
               "flags           can-replacing is-synth (272)\n", "programs        8 (current 0)\n",
               "inputs          2 (stereo)\n", "MIDI input      yes\n", "MIDI output     no\n",
               "    7  Defaults\n", "    0  Dummy = "},
              path.substr(0, path.rfind('/')));
    const ToolRun json = expectRun({"info", "--json", IDLEWIRE_PATH}, 0,
                                   {"\"unique_id_text\": \"OKiw\"", "\"inputs\": 2", "\"vst_version\": 2400",
                                    "\"midi_input\": true",
                                    "\"flag_names\": [\n    \"can-replacing\",\n    \"is-synth\"\n  ]"});
    EXPECT_EQ(json.out.substr(json.out.size() - 2), "}\n");
}

TEST(OrkeHostInfo, SurvivesARudePluginAndEscapesWhatItSays) {
    expectRun({"info", "--json", FIXTURE_RUDE_PATH}, 0,
              {"\"entry\": \"main\"",
               R"("effect_name": "Rude \"fx\"\u0001\u00FF)"
               "\xc3\xa9" // é kept, then overlong, surrogate, too high, cut short
               R"(\u00C0\u0080\u00ED\u00A0\u0080\u00F4\u0090\u0080\u0080\u00E2\u0082")",
               R"("unique_id_text": "\\x00A\\x5C\\x7F")", "\"category_name\": \"category 12\"",
               "\"value\": null", "\"product\": \"2400 44100 512 0 11 Orvane Kettlers\""});
    // On a terminal control bytes are shown, not sent; bits and categories without a name are still shown.
    const ToolRun text =
        expectRun({"info", FIXTURE_RUDE_PATH}, 0,
                  {"effect name     Rude \"fx\"\\x01", "unique ID       '\\x00A\\x5C\\x7F'",
                   "category        category 12 (12)", "flags           can-replacing 0x40 0x80000000"});
    EXPECT_EQ(text.out.find('\x01'), std::string::npos);
}

TEST(OrkeHostProcess, PassesAudioThroughIdlewireBitForBit) {
    const std::pair<int, const char*> cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, "512"},  {SF_FORMAT_WAV | SF_FORMAT_PCM_24, "17"},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, "1"},     {SF_FORMAT_AIFF | SF_FORMAT_PCM_16, "4096"},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "333"},
    };
    for (const auto& [format, block] : cases) {
        SCOPED_TRACE(block);
        ScratchFolder folder;
        writeNoise(folder.Path("in"), format, 2, 48000, 10007);
        const ToolRun run =
            RunTool({"process", "--block", block, IDLEWIRE_PATH, folder.Path("in"), folder.Path("out")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Sound in = readSound(folder.Path("in")), out = readSound(folder.Path("out"));
        EXPECT_EQ(out.info.format, format) << "OUT keeps IN's format";
        EXPECT_EQ(out.info.samplerate, 48000);
        EXPECT_EQ(in.bits.size(), 2u * 10007u);
        EXPECT_TRUE(in.bits == out.bits) << "the samples differ"; // bits, so negative zero stays negative
        EXPECT_EQ(folder.Files(), (std::vector<std::string>{"in", "out"})) << "no temporary file is left";
    }
}

TEST(OrkeHostProcess, ConvertsFormatsAndRendersATail) {
    ScratchFolder folder;
    writeNoise(folder.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 4410);
    const ToolRun run =
        RunTool({"process", "--format=wav:float", "--tail", "0.5", "--program", "7", "--param=0=0.25",
                 IDLEWIRE_PATH, folder.Path("in.wav"), folder.Path("out.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Sound out = readSound(folder.Path("out.wav"));
    EXPECT_EQ(out.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(out.info.frames, 4410 + 22050);
    const float minusOne = -1.0f;
    EXPECT_EQ(std::memcmp(&out.bits[0], &minusOne, 4), 0) << "the input is there, converted exactly";
    EXPECT_TRUE(std::all_of(out.bits.begin() + 4410 * 2, out.bits.end(), [](int32_t s) { return s == 0; }))
        << "the tail of a pass-through is silence";
}

// Every error, with files and values from the fuzzers' corpora (tests/fuzz) broken by hand or found by
// fuzzing among them: one line and a non-zero exit, never a crash and never an output file.
TEST(OrkeHostProcess, EveryErrorIsOneLineANonZeroExitAndNoOutput) {
    ScratchFolder folder;
    const std::string stereo = folder.Path("stereo.wav"), three = folder.Path("three.wav"),
                      text = folder.Path("text.wav"), other = folder.Path("other.fxp"),
                      out = folder.Path("out.wav"), none = folder.Path("nothing.so"),
                      missing = folder.Path("missing.wav"), corpora = ORKE_FUZZ_CORPORA "/corpus-";
    const char* const idle = IDLEWIRE_PATH;
    writeNoise(stereo, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 100);
    writeNoise(three, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 44100, 100);
    std::ofstream(text) << "not audio at all\n";
    ASSERT_EQ(RunTool({"preset", "save", RECORDER_INSTRUMENT_PATH, other}).exitCode, 0);
    // A render from a corpus's MIDI file, program or bank file or audio file, or with an option's value.
    using Args = std::vector<std::string>;
    auto midi = [&](const std::string& name) {
        return Args{"--midi", corpora + "midi-file/" + name, idle, out};
    };
    auto preset = [&](const std::string& name) {
        return Args{"--length", "1", "--preset", corpora + "preset-file/" + name, idle, out};
    };
    auto audio = [&](const std::string& name) {
        return Args{idle, corpora + "audio-file/" + name, out};
    };
    auto option = [&](const char* name, const char* value) {
        return Args{name, value, "--length", "1", idle, out};
    };
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{idle, missing, out}, 1, "cannot read " + missing + ": No such file"},
        {{idle, text, out}, 1, "cannot read " + text + ": "},
        {{idle, folder.Path(""), out}, 1, "it is a folder"},
        {{"--format", "mp9", idle, stereo, out}, 2, "unknown format 'mp9'"},
        {{"--format", "wav:pcm99", idle, stereo, out}, 2, "unknown sample format 'pcm99'"},
        {{idle, stereo, folder.Path("out.xyz")}, 2, "cannot write .xyz files (it writes .wav .wave"},
        {{idle, three, out}, 1, "takes 2 input channels; " + three + " has 3"},
        {{none, stereo, out}, 1, "cannot load " + none + ": " + none + ": cannot open shared object file"},
        {{text, stereo, out}, 1, "cannot load " + text + ": "},
        {{FIXTURE_NULL_RECORD_PATH, stereo, out}, 1, "VSTPluginMain returned no effect (a null record)"},
        {{FIXTURE_BAD_MAGIC_PATH, stereo, out}, 1, "the record's magic is 0x4F6F7073 ('Oops'), not 'VstP'"},
        {{FIXTURE_NO_ENTRY_PATH, stereo, out}, 1, "exports neither VSTPluginMain nor main"},
        {{"--program", "8", idle, stereo, out}, 2, "--program 8 is out of range"},
        {{"--param", "1=0.5", idle, stereo, out}, 2, "--param 1 is out of range"},
        {{"--param", "0=1.5", idle, stereo, out}, 2, "--param takes INDEX=VALUE"},
        {{"--param", "0=nan", idle, stereo, out}, 2, "--param takes INDEX=VALUE"},
        {{"--block", "0", idle, stereo, out}, 2, "--block takes"},
        {{"--block", "64x", idle, stereo, out}, 2, "--block takes"},
        {{"--block", "99999999999999999999", idle, stereo, out}, 2, "--block takes"},
        {{"--tail", "inf", idle, stereo, out}, 2, "--tail takes"},
        {{idle, stereo, out, "--block"}, 2, "option --block needs a value"},
        {{"--bogus", idle, stereo, out}, 2, "unknown option --bogus"},
        {{idle, stereo, folder.Path("no/such/folder.wav")}, 1, "cannot write"},
        {{idle, out}, 2, "without IN, give --midi FILE or --length SECONDS"},
        {{"--midi", text, idle, out}, 1, "cannot read " + text + ": not a MIDI file"},
        {{"--midi", folder.Path("none.mid"), idle, out}, 1, "No such file"},
        {{"--tempo", "0", "--length", "1", idle, out}, 2, "--tempo takes quarter notes per minute"},
        {{"--time-signature", "4/3", "--length", "1", idle, out}, 2, "--time-signature takes N/D"},
        {{"--sample-rate", "100", "--length", "1", idle, out}, 2, "--sample-rate takes"},
        {{"--sample-rate", "48000", idle, stereo, out}, 2, "is at 44100 Hz; orke-host does not resample"},
        {{"--channels", "3", idle, stereo, out}, 2, "--channels 3 is more than"},
        {{"--sidechain", stereo, idle, stereo, out}, 1, "the sidechain's 2 do not fit"},
        {{"--preset", text, idle, stereo, out}, 1, "cannot load " + text + ": not a program or bank file"},
        {{"--preset", other, idle, stereo, out},
         1,
         other + " is a preset for the plug-in 'ReCo' (1382368111), not for this one, 'OKiw' (1330342263)"},
        {midi("broken-truncated.mid"), 1, "a chunk at byte 14 runs past the end"},
        {midi("broken-running-status.mid"), 1, "data byte 0x3C follows no status"},
        {midi("broken-track-count.mid"), 1, "announces 3 tracks but holds 1"},
        {midi("broken-tempo.mid"), 1, "a tempo event holds no tempo"},
        {midi("broken-division.mid"), 1, "0 ticks per quarter note"},
        {preset("broken-count.fxp"), 1, "announces 2147483647 parameters"},
        {preset("broken-nan.fxp"), 1, "is not a value from 0 to 1"},
        {preset("broken-truncated.fxb"), 1, "the file holds fewer"},
        {preset("broken-chunk-size.fxp"), 1, "the chunk's size runs past"},
        {audio("broken-truncated.wav"), 1, "cannot read "},
        {audio("broken-no-channels.wav"), 1, "cannot read "},
        {audio("six-channels.w64"), 1, "takes 2 input channels"},
        {option("--tempo", "1e308"), 2, "--tempo takes"},
        {option("--tempo", "12\n0"), 2, "not '12\\x0A0'"},
        {option("--format", "wav\n:pcm16"), 2, "unknown format 'wav\\x0A'"},
        {option("--time-signature", "256/1"), 2, "--time-signature takes"},
        {option("--param", "3==0.5"), 2, "--param takes"},
    };
    for (const auto& [arguments, exitCode, message] : cases) {
        SCOPED_TRACE(message);
        expectOneLineError(RunTool(Words({{"process"}, arguments})), exitCode,
                           "orke-host process: ", message);
        EXPECT_EQ(folder.Files(), (Args{"other.fxp", "stereo.wav", "text.wav", "three.wav"}));
    }
    // A header that announces more than the file holds: the render ends where the file does.
    const ToolRun cut = RunTool(Words({{"process"}, audio("finding-header-longer-than-data.flac")}));
    EXPECT_EQ(cut.exitCode, 0) << cut.err;
    expectAll(cut.err, {"holds 0 frames, not the 989855863 its header announces"});
}

TEST(OrkeHostProcess, AnInterruptedRenderLeavesNothingBehind) {
    ScratchFolder folder;
    writeNoise(folder.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 16000, 10);
    // An hour of tail: still rendering when the signal comes.
    const ToolRun run =
        RunTool({"process", "--tail", "3600", IDLEWIRE_PATH, folder.Path("in.wav"), folder.Path("out.wav")},
                "", ".", "0.2");
    EXPECT_EQ(run.signal, SIGTERM);
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"in.wav"});
}

// Every level, 1 to 10: at 10 every check runs and every warning would fail.
TEST(OrkeHostValidate, IdlewirePassesEveryLevelAsAPassThrough) {
    const std::pair<int, int> levels[] = {{1, 3},  {2, 7},  {3, 13}, {4, 19}, {5, 23},
                                          {6, 23}, {7, 24}, {8, 25}, {9, 26}, {10, 26}}; // level, checks
    for (const auto& [level, checks] : levels) {
        const std::string count = std::to_string(checks);
        expectRun({"validate", "--level", std::to_string(level), "--expect", "passthrough", IDLEWIRE_PATH}, 0,
                  {"at level " + std::to_string(level) + ", expecting a pass-through\n",
                   count + " checks, " + count + " passed, 0 with warnings, 0 failed\n"});
    }
    expectRun({"validate", "--json", "--check", "real-time-safety", IDLEWIRE_PATH}, 0,
              {"\"level\": 5", "\"name\": \"real-time-safety\"", "\"status\": \"pass\"",
               "no allocation, release, lock, sleep, memory mapping or file operation in ",
               "\"output_not_listed\": 0", "\"failed\": 0\n}"});
}

TEST(OrkeHostValidate, ListsAndPicksChecks) {
    expectRun(
        {"validate", "--list"}, 0,
        {"level  check", "\n    1  load ", "\n    5  real-time-safety ", "\n    9  requests-null-pointers "});
    // A name as it was spelt before names had no spaces is still taken.
    const ToolRun picked =
        expectRun({"validate", "--check", "real-time safety", "--check=load", "--level", "1", IDLEWIRE_PATH},
                  0, {"\nPASS  real-time-safety ", "validate: 2 checks, 2 passed"});
    // In the battery's order, whatever the level.
    EXPECT_LT(picked.out.find("\nPASS  load "), picked.out.find("\nPASS  real-time-safety ")) << picked.out;
    const std::vector<std::string> misuses[] = {
        {"--check", "nonsense"}, {"--level", "0"}, {"--level", "11"}, {"--level", "x"}};
    for (const std::vector<std::string>& misuse : misuses) {
        SCOPED_TRACE(misuse[1]);
        expectOneLineError(RunTool(Words({{"validate"}, misuse, {IDLEWIRE_PATH}})), 2,
                           "orke-host validate: ");
    }
}

// Each check runs in a child with its own time limit. Only the one hanging request may reach it: under a
// sanitizer on a busy two-core machine a sound processing check has taken over 6 s, so the limit is 30 s (the
// hang waits idle, so the time costs no processor).
TEST(OrkeHostValidate, FindsEachKindOfFault) {
    const ToolRun sloppy = RunTool({"validate", "--timeout", "30", FIXTURE_SLOPPY_PATH});
    const ToolRun hostile =
        RunTool({"validate", "--timeout", "30", "--level", "10", "--check", "programs", "--check",
                 "parameters", "--check", "requests-null-pointers", FIXTURE_SLOPPY_PATH});
    const ToolRun rude = RunTool({"validate", "--level", "9", "--expect", "passthrough", FIXTURE_RUDE_PATH});
    const ToolRun reckless = RunTool({"validate", "--timeout", "30", FIXTURE_RECKLESS_PATH});
    const ToolRun strict =
        RunTool({"validate", "--level", "6", "--check", "real-time-safety", FIXTURE_RECKLESS_PATH});
    const ToolRun lenient = RunTool({"validate", "--json", "--check", "parameters", FIXTURE_SLOPPY_PATH});
    const ToolRun unloadable = RunTool({"validate", FIXTURE_NULL_RECORD_PATH});
    for (const ToolRun* run : {&sloppy, &hostile, &rude, &reckless, &strict, &lenient, &unloadable}) {
        EXPECT_EQ(run->exitCode, 1) << run->out << run->err;
        EXPECT_EQ(run->signal, 0) << "the host itself must not crash";
    }
    const std::tuple<const ToolRun*, const char*, const char*> expected[] = {
        {&sloppy, "WARN  identity ", "answers VST version 0, not 2400"},
        {&sloppy, "PASS  programs ", ""}, // a program it does not have is asked for only from level 9
        {&sloppy, "FAIL  parameter-fuzz ", "parameter 0 reads back 1.5"},
        {&sloppy, "FAIL  processing-at-44100-hz ",
         "wrote past the end of the block (block of 1 frame at 44100 Hz, separate buffers, the 9th since "
         "resume)"},
        {&sloppy, "WARN  processing-at-48000-hz ", "denormal samples"},
        {&sloppy, "FAIL  processing-at-96000-hz ", "produced 1 NaN and 1 infinite samples"},
        {&sloppy, "FAIL  sample-rate-changes ",
         "wrote into its input buffers (block of 512 frames at 22050 Hz"},
        {&hostile, "FAIL  programs ", "took program 1, outside its 1"},
        {&hostile, "FAIL  parameters ", "'a name far too long for its field' is 33 characters"},
        {&hostile, "FAIL  requests-null-pointers ",
         "crashed (SIGSEGV) in request 8 (effGetParamName), with a null pointer, during the requests with "
         "null pointers"},
        {&hostile, "FAIL  requests-null-pointers ",
         "no answer within 30 s in request 47 (effGetVendorString), with a null pointer"},
        // A crash fails its check; the battery goes on, and the plain copy passes before and after it.
        {&rude, "FAIL  requests-null-pointers ",
         "the plug-in crashed (SIGSEGV) in request 8 (effGetParamName)"},
        {&rude, "PASS  processing-at-44100-hz", ""},
        {&rude, "PASS  requests-out-of-sequence", ""},
        {&rude, "PASS  absurd-block-sizes", ""},
        // The plug-in's exception, with its text and where it came from; its output, only where it failed.
        {&reckless, "FAIL  identity ",
         "the plug-in threw std::runtime_error (\"reckless refuses to name its vendor\") from request 47 "
         "(effGetVendorString)"},
        {&reckless, "      | reckless: starting up, line 1", ""},
        {&reckless, "      | (and 3 more lines printed by the plug-in)", ""},
        {&reckless, "PASS  open-cold", ""},
        {&reckless, "FAIL  processing-at-48000-hz ",
         "the plug-in crashed (SIGSEGV) in a zero-frame process call at 48000 Hz (blocks of up to 1024, "
         "separate buffers), the 1st since resume"},
        {&reckless, "FAIL  processing-at-96000-hz ",
         "read its inputs outside the block: the marker values the host put after the block came back in its "
         "output (block of 1 frame at 96000 Hz"},
        {&reckless, "WARN  latency ",
         "declares an initial delay of 64 frames, but an impulse comes out after 32"},
        // Allocated through both allocators and locked once in every call; named as the first of them.
        {&reckless, "WARN  real-time-safety ",
         "1814 allocations, 1814 releases, 907 blocking locks inside 907 process calls of 907; the first: "
         "pthread_mutex_lock"},
        {&strict, "FAIL  real-time-safety ", "; the first: "},
        // A plug-in that does not load has nothing else to check.
        {&unloadable, "FAIL  load", ""},
        {&unloadable, "validate: 1 checks, 0 passed, 0 with warnings, 1 failed", ""},
    };
    for (const auto& [run, start, fragment] : expected) {
        expectLine(run->out, start, fragment);
    }
    // Below level 8 a text longer than its field is a warning.
    const size_t warnings = lenient.out.find("\"warnings\": [");
    EXPECT_LT(warnings,
              lenient.out.find("'a name far too long for its field' is 33 characters, more than the 15 "
                               "its 16-byte field holds",
                               warnings))
        << lenient.out;
    const size_t passed = reckless.out.find("\nPASS  open-cold");
    EXPECT_NE(reckless.out.find('\n', passed + 1), reckless.out.find("\n      |", passed))
        << "no output under a check that passes";
}

// A folder reached twice through a link is searched once, a module reached twice is validated once, and a
// module without an entry is skipped.
TEST(OrkeHostSweep, ValidatesEachModuleOnceAndSkipsWhatIsNoPlugin) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.Path("vst"));
    std::filesystem::create_symlink(IDLEWIRE_PATH, folder.Path("vst/Idlewire.so"));
    std::filesystem::create_symlink(FIXTURE_NO_ENTRY_PATH, folder.Path("vst/NoEntry.so"));
    std::filesystem::create_symlink(IDLEWIRE_PATH, folder.Path("vst/Again.so"));
    std::filesystem::create_directory_symlink(folder.Path("vst"), folder.Path("vst/loop"));
    expectRun({"sweep", "--level", "1", "--tsv", folder.Path("report.tsv"), "--json",
               folder.Path("report.json"), folder.Path("vst"), folder.Path("vst/loop")},
              0,
              {"sweeping 2 modules at level 1\n", "PASS  " + folder.Path("vst/Again.so") + "\n",
               "SKIP  " + folder.Path("vst/NoEntry.so") + "  not a plug-in",
               "sweep: 2 modules, 1 passed, 0 with warnings, 0 failed, 1 skipped\n"});
    expectAll(
        FileText(folder.Path("report.tsv")),
        {"module\tstatus\tchecks passed\twith warnings\tfailed\tnotes\tbuffer-layouts\tchannel-setups\t",
         folder.Path("vst/Again.so") + "\tpass\t3\t0\t0\t-\t-\t-\t\n"});
    expectAll(FileText(folder.Path("report.json")),
              {"\"status\": \"skip\"", "\"report\": null", "\"skipped\": 1\n}", "\"buffer-layouts\": \"-\""});
}

TEST(OrkeHostCommands, HelpUsageAndBench) {
    for (const char* command : {"info", "process", "play", "validate", "sweep", "bench", "midi", "preset"}) {
        const ToolRun help = RunTool({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("usage: orke-host ") + command, 0), 0u) << help.out;
    }
    EXPECT_EQ(RunTool({"--help"}).exitCode, 0);
    for (const std::vector<std::string>& misuse : {std::vector<std::string>{}, {"frobnicate"}, {"info"}}) {
        EXPECT_EQ(RunTool(misuse).exitCode, 2);
    }
    const ToolRun bench = expectRun({"bench", "--seconds", "0.01", IDLEWIRE_PATH}, 0, {"\n    8192 "});
    EXPECT_EQ(std::count(bench.out.begin(), bench.out.end(), '\n'), 2 + 14)
        << "a heading and blocks 1 to 8192";
}

// Every command with a report for machines takes --json alike: the JSON object alone on standard output, or
// into a file with the text on standard output as without it.
TEST(OrkeHostCommands, JsonOnStandardOutputOrIntoAFileBesideTheText) {
    ScratchFolder folder;
    const std::string report = folder.Path("report.json");
    const std::pair<std::vector<std::string>, std::string> commands[] = {
        {{"info", IDLEWIRE_PATH}, "effect name     Idlewire\n"},
        {{"validate", "--check", "load", IDLEWIRE_PATH}, "validate: 1 checks, 1 passed"},
        {{"bench", "--seconds", "0.01", IDLEWIRE_PATH}, "vs memcpy\n"},
    };
    for (const auto& [words, text] : commands) {
        SCOPED_TRACE(words[0]);
        const ToolRun bare = RunTool(Words({words, {"--json"}}));
        EXPECT_EQ(bare.exitCode, 0) << bare.err;
        EXPECT_EQ(bare.out.rfind("{\n", 0), 0u) << bare.out;
        EXPECT_EQ(bare.out.find(text), std::string::npos) << bare.out;
        expectRun(Words({words, {"--json=" + report}}), 0, {text});
        const std::string json = FileText(report);
        EXPECT_EQ(json.rfind("{\n", 0), 0u) << json;
        EXPECT_EQ(json.substr(json.size() - 2), "}\n");
    }
    const ToolRun unwritable =
        RunTool({"info", "--json=" + folder.Path("no/such/folder.json"), IDLEWIRE_PATH});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.out.empty()) << "refused before the plug-in is loaded";
}

// Third-party plug-ins from Debian, run as black boxes: whatever faults they have, the host must not crash or
// hang on them.
class ThirdPartyPlugin : public ::testing::TestWithParam<const char*> {};

TEST_P(ThirdPartyPlugin, InfoProcessAndValidateRunToTheEnd) {
    const std::string plugin = std::string("/usr/lib/vst/") + GetParam() + "-vst.so";
    if (access(plugin.c_str(), F_OK) != 0) {
        GTEST_SKIP() << plugin << " is not installed (Debian packages zam-plugins and dpf-plugins-vst)";
    }
    const ThirdPartyHome home;
    const ToolRun info = RunTool({"info", "--json", plugin}, ForeignPlugin(home));
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const size_t inputs = info.out.find("\"inputs\": ");
    ASSERT_NE(inputs, std::string::npos);
    ScratchFolder folder;
    writeNoise(folder.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, std::atoi(&info.out[inputs + 10]),
               44100, 22050);
    const ToolRun process =
        RunTool({"process", plugin, folder.Path("in.wav"), folder.Path("out.wav")}, ForeignPlugin(home));
    EXPECT_EQ(process.exitCode, 0) << process.err;
    EXPECT_EQ(readSound(folder.Path("out.wav")).info.frames, 22050);

    const ToolRun validate = RunTool({"validate", plugin}, ForeignPlugin(home));
    EXPECT_EQ(validate.signal, 0);
    EXPECT_TRUE(validate.exitCode == 0 || validate.exitCode == 1) << validate.exitCode;
    expectAll(validate.out, {"validate: 23 checks, "});
}

INSTANTIATE_TEST_SUITE_P(Debian, ThirdPartyPlugin, ::testing::Values("ZamDelay", "3BandEQ", "MVerb"),
                         [](const auto& info) {
                             return std::string(info.param) == "3BandEQ" ? "ThreeBandEQ" : info.param;
                         });
