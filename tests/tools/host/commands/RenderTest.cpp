// orke-host process from the outside, rendering as a user does: MIDI files through instruments, the transport
// a tempo-synced effect follows, latency, sidechains, kept channels and a plug-in that crashes mid-render.
#include "MidiBytes.h"
#include "ToolRun.h"

#include <cmath>

using namespace orke::host::test;

namespace {

int64_t firstAbove(const std::vector<float>& samples, float level, size_t from = 0) {
    for (size_t i = from; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) > level) {
            return static_cast<int64_t>(i);
        }
    }
    return -1;
}

// The fundamental of `samples` from `start` on: the shortest lag whose autocorrelation comes within 10% of
// the highest (50 to 2000 Hz), refined between its neighbours.
double fundamental(const std::vector<float>& samples, size_t start, size_t length, int rate) {
    const size_t shortest = static_cast<size_t>(rate / 2000), longest = static_cast<size_t>(rate / 50);
    std::vector<double> correlation(longest + 2, 0.0);
    for (size_t lag = shortest; lag <= longest + 1; ++lag) {
        for (size_t i = start; i < start + length; ++i) {
            correlation[lag] += double{samples[i]} * samples[i + lag];
        }
    }
    const double highest = *std::max_element(correlation.begin(), correlation.end());
    for (size_t lag = shortest + 1; lag <= longest; ++lag) {
        const double a = correlation[lag - 1], b = correlation[lag], c = correlation[lag + 1];
        if (b >= 0.9 * highest && b >= a && b >= c) {
            return rate / (static_cast<double>(lag) + 0.5 * (a - c) / (a - 2 * b + c));
        }
    }
    return 0.0;
}

} // namespace

TEST(OrkeHostRender, EveryEventReachesItsBlockAtItsFrameWithTheTransport) {
    ScratchFolder folder;
    WriteBytes(folder.Path("song.mid"), TestSong());
    // At 9600 Hz a tick lasts 10 frames at 120 and 20 at 60: the events fall on blocks' edges and inside
    // them.
    const std::vector<std::pair<int64_t, std::string>> expected = {
        {0, "144 60 100"},   {10, "144 62 100"},   {2400, "144 60 0"},  {2400, "144 60 80"},
        {4800, "176 7 100"}, {4800, "144 72 100"}, {4800, "128 72 64"}, // its note-off after its note-on
        {9600, "128 62 64"}, {9860, "128 60 64"},  {9860, "192 5 0"},   {10240, "224 0 64"},
    };
    for (const char* block : {"1", "17", "512"}) {
        SCOPED_TRACE(block);
        const ToolRun run =
            RunTool({"process", "--midi", folder.Path("song.mid"), "--block", block, "--sample-rate", "9600",
                     RECORDER_INSTRUMENT_PATH, folder.Path("out.wav")},
                    "ORKE_RECORDING=" + folder.Path("log"));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out,
                  folder.Path("out.wav") + ": 10400 frames, 2 channels, 9600 Hz, WAV 32-bit float\n");
        std::istringstream log(FileText(folder.Path("log")));
        std::vector<std::pair<int, std::string>> pending; // delta, bytes
        std::vector<std::pair<int64_t, std::string>> received;
        int64_t next = 0;
        for (std::string word; log >> word;) {
            if (std::string bytes; word == "event") {
                int delta = 0;
                std::getline(log >> delta >> std::ws, bytes);
                pending.emplace_back(delta, bytes);
            } else if (word == "block") {
                int64_t start = 0, frames = 0;
                log >> start >> frames;
                EXPECT_EQ(start, next);
                next = start + frames;
                for (const auto& [delta, bytes] : pending) {
                    EXPECT_TRUE(delta >= 0 && delta < frames) << delta << " in a block of " << frames;
                    received.emplace_back(start + delta, bytes);
                }
                pending.clear();
                double position = 0, ppq = 0, tempo = 0, bar = 0;
                int numerator = 0, denominator = 0, flags = 0;
                log >> word >> position >> ppq >> tempo >> bar >> numerator >> denominator >> flags;
                ASSERT_EQ(word, "time");
                const double quarter = start < 9600 ? start / 4800.0 : 2.0 + (start - 9600) / 9600.0;
                EXPECT_EQ(position, start);
                EXPECT_EQ(tempo, start < 9600 ? 120.0 : 60.0);
                EXPECT_NEAR(ppq, quarter, 1e-6);
                EXPECT_NEAR(bar, std::floor(quarter / 3.0 + 1e-9) * 3.0, 1e-6);
                EXPECT_EQ(numerator * 10 + denominator, 34);
                EXPECT_EQ(flags, 2 | 512 | 1024 | 2048 | 8192 | (start == 0 ? 1 : 0)) << start;
            }
        }
        EXPECT_EQ(next, 10400);
        EXPECT_EQ(received, expected);
    }
}

// Debian's instruments, where installed, play the A4 of a MIDI file from its note-on's frame, in tune, the
// same on every run.
class ThirdPartyInstrument : public ::testing::TestWithParam<std::tuple<const char*, const char*, int>> {};

TEST_P(ThirdPartyInstrument, PlaysA4OnTimeInTuneAndAlikeEveryRun) {
    const auto [name, file, rate] = GetParam();
    const std::string plugin = std::string("/usr/lib/vst/") + file;
    if (access(plugin.c_str(), F_OK) != 0) {
        GTEST_SKIP() << plugin << " is not installed";
    }
    const ThirdPartyHome home;
    // A synth takes MIDI, and its programs are listed up to a limit. amsynth has thousands, how many depends
    // on the banks it finds in its home; its 41 parameters do not.
    const ToolRun info = RunTool({"info", plugin}, ForeignPlugin(home));
    expectAll(info.out, {"MIDI input      yes"});
    if (std::string(name) == "amsynth") {
        const std::string programs = lineStarting(info.out, "  programs ");
        const int count = std::atoi(programs.substr(std::min<size_t>(programs.size(), 11)).c_str());
        EXPECT_GE(count, 128) << "a bank at least";
        EXPECT_EQ(programs, "  programs        " + std::to_string(count) + " (current 0)");
        expectAll(info.out,
                  {"\n    31  ", "\n    and " + std::to_string(count - 32) + " more (--all lists them)\n",
                   "\n    and 9 more (--all lists them)\n"});
    }
    ScratchFolder folder;
    // A4 from 0.1 s for one second (480 ticks a quarter note at 120: 96 ticks are 0.1 s).
    WriteBytes(folder.Path("a4.mid"),
               MidiFileBytes(0, 480, {MidiTrack({{96, {0x90, 69, 100}}, {960, {0x80, 69, 64}}})}));
    const std::string rateText = std::to_string(rate);
    for (const char* out : {"one.wav", "two.wav"}) {
        const ToolRun run = RunTool({"process", "--midi", folder.Path("a4.mid"), "--tail", "0.5",
                                     "--sample-rate", rateText, plugin, folder.Path(out)},
                                    ForeignPlugin(home));
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    EXPECT_EQ(FileText(folder.Path("one.wav")), FileText(folder.Path("two.wav"))) << "two runs differ";
    const Sound one = readSound(folder.Path("one.wav"));
    ASSERT_EQ(one.info.samplerate, rate);
    const std::vector<float> sound = one.Channel(0);
    const int64_t noteOn = rate / 10;
    const int64_t onset = firstAbove(sound, 1e-4f);
    EXPECT_GE(onset, noteOn) << name << " sounds before its note";
    EXPECT_LE(onset, noteOn + 64) << name << " starts late";
    const double frequency =
        fundamental(sound, static_cast<size_t>(onset + rate / 10), static_cast<size_t>(rate / 20), rate);
    EXPECT_NEAR(frequency, 440.0, 4.4) << name;
}

// Kars tunes by a whole number of frames per period (A4 at 432 Hz at 48000 Hz): at 96000 Hz it is within 1%.
INSTANTIATE_TEST_SUITE_P(Debian, ThirdPartyInstrument,
                         ::testing::Values(std::make_tuple("Kars", "Kars-vst.so", 96000),
                                           std::make_tuple("amsynth", "amsynth_vst.so", 48000),
                                           std::make_tuple("ZynAddSubFX", "ZynAddSubFX.so", 48000)),
                         [](const auto& info) { return std::string(std::get<0>(info.param)); });

TEST(OrkeHostRender, ZamDelaysEchoFollowsTheTempo) {
    const std::string plugin = "/usr/lib/vst/ZamDelay-vst.so";
    if (access(plugin.c_str(), F_OK) != 0) {
        GTEST_SKIP() << plugin << " is not installed (Debian package zam-plugins)";
    }
    ScratchFolder folder;
    // A click at 0.1 s. ZamDelay's parameter 2 is "Sync BPM"; its time is then a quarter note.
    SF_INFO info{0, 48000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* file = sf_open(folder.Path("click.wav").c_str(), SFM_WRITE, &info);
    std::vector<float> click(48000 * 3, 0.0f);
    click[4800] = 1.0f;
    sf_writef_float(file, click.data(), static_cast<sf_count_t>(click.size()));
    sf_close(file);
    const std::tuple<std::vector<std::string>, int64_t> cases[] = {
        {{"--tempo", "120", "--param", "2=1"}, 24000}, // 500 ms
        {{"--tempo", "60", "--param", "2=1"}, 48000},  // 1000 ms: twice as long at half the tempo
        {{"--tempo", "60"}, 7680},                     // not synced: its own 160 ms
    };
    const ThirdPartyHome home;
    for (const auto& [options, delay] : cases) {
        const ToolRun run =
            RunTool(Words({{"process"}, options, {plugin, folder.Path("click.wav"), folder.Path("out.wav")}}),
                    ForeignPlugin(home));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<float> out = readSound(folder.Path("out.wav")).Channel(0);
        EXPECT_EQ(firstAbove(out, 0.01f), 4800) << "the dry click";
        EXPECT_EQ(firstAbove(out, 0.01f, 4900) - 4800, delay) << options.front() << " " << options[1];
    }
}

TEST(OrkeHostRender, LatencySidechainAndKeptChannels) {
    ScratchFolder folder;
    writeNoise(folder.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 3000);
    writeNoise(folder.Path("side.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 1000);
    const Sound in = readSound(folder.Path("in.wav")), side = readSound(folder.Path("side.wav"));
    const std::string out = folder.Path("out.wav");
    // The plug-in mixes its sidechain in at half level and declares its delay of 100 frames truly.
    const ToolRun compensated =
        RunTool({"process", "--report-latency", "--compensate", "--sidechain", folder.Path("side.wav"),
                 RECORDER_DELAY_PATH, folder.Path("in.wav"), out});
    ASSERT_EQ(compensated.exitCode, 0) << compensated.err;
    expectAll(compensated.out,
              {"latency: declared 100 frames, measured 100 frames\n", ": 3000 frames, 2 channels"});
    const Sound aligned = readSound(out);
    for (size_t c = 0; c < 2; ++c) {
        const std::vector<float> got = aligned.Channel(c), dry = in.Channel(c), wet = side.Channel(c);
        ASSERT_EQ(got.size(), 3000u);
        for (size_t i = 0; i < 3000; ++i) {
            ASSERT_EQ(got[i], dry[i] + 0.5f * (i < 1000 ? wet[i] : 0.0f)) << c << " " << i;
        }
    }
    const ToolRun late =
        RunTool({"process", "--channels", "1", RECORDER_DELAY_PATH, folder.Path("in.wav"), out});
    ASSERT_EQ(late.exitCode, 0) << late.err;
    expectAll(late.err, {"note: " RECORDER_DELAY_PATH " has 4 inputs and " + folder.Path("in.wav") +
                             " 2 channels: the other inputs get silence\n",
                         "note: " RECORDER_DELAY_PATH " has 2 outputs; " + out + " keeps the first 1\n"});
    const Sound delayed = readSound(out);
    ASSERT_EQ(delayed.info.channels, 1);
    EXPECT_EQ(delayed.Channel(0)[99], 0.0f);
    EXPECT_EQ(delayed.Channel(0)[100], in.Channel(0)[0]);
}

TEST(OrkeHostRender, APluginThatCrashesOrEndsTheProcessMidRenderIsNamedWithItsFrameAndLeavesNoFile) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {RECORDER_INSTRUMENT_PATH, " crashed (SIGSEGV) at frame 4608; ", "ORKE_RECORDER_CRASH_AT=5000"},
        {RECORDER_EXIT_PATH, " ended the process (exit(0)) at frame 1024; ", ""},
        {RECORDER_UNDERSCORE_EXIT_PATH, " ended the process (_exit(0)) at frame 1024; ", ""},
    };
    for (const auto& [plugin, how, environment] : cases) {
        ScratchFolder folder;
        const ToolRun run =
            RunTool({"process", "--length", "1", plugin, folder.Path("out.wav")}, environment);
        EXPECT_EQ(run.exitCode, 1) << plugin;
        EXPECT_EQ(run.err, "orke-host process: " + std::string(plugin) + how + folder.Path("out.wav") +
                               " is not written\n");
        EXPECT_TRUE(folder.Files().empty()) << plugin;
    }
}

TEST(OrkeHostRender, OutsExtensionChoosesItsFormat) {
    ScratchFolder folder;
    writeNoise(folder.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 44100, 4410);
    const std::pair<const char*, int> cases[] = {
        {"out.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {"out.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
    };
    for (const auto& [name, format] : cases) {
        const ToolRun run = RunTool({"process", IDLEWIRE_PATH, folder.Path("in.wav"), folder.Path(name)});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(readSound(folder.Path(name)).info.format, format) << name;
    }
}

TEST(OrkeHostRender, OddSamplesAreWarnedOfAndStrictRefusesThemButNoExample) {
    ScratchFolder folder;
    const std::string out = folder.Path("out.wav");
    const std::string planted = RECORDER_ODD_PATH;
    const std::string warnings = "orke-host process: warning: " + out +
                                 " holds 1 NaN sample, the first at frame 1000 of channel 1\n" +
                                 "orke-host process: warning: " + out +
                                 " holds 1 infinite sample, the first at frame 1500 of channel 0\n" +
                                 "orke-host process: warning: " + out +
                                 " holds 2 samples beyond +24 dBFS, the first at frame 2000 of channel 1\n";
    const ToolRun warned = RunTool({"process", "--length", "0.1", "--block", "300", planted, out});
    EXPECT_EQ(warned.exitCode, 0);
    EXPECT_EQ(warned.err, warnings);
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"out.wav"});
    std::filesystem::remove(out);
    const ToolRun strict = RunTool({"process", "--strict", "--length", "0.1", planted, out});
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_EQ(strict.err, warnings + "orke-host process: --strict: " + out +
                              " is not written, as it would hold such samples\n");
    EXPECT_TRUE(folder.Files().empty());

    // Every example renders strictly: the effects noise beyond full scale, the synth a chord.
    writeNoise(folder.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 24000);
    WriteBytes(folder.Path("chord.mid"), MidiFileBytes(0, 480,
                                                       {MidiTrack({{0, {0x90, 48, 127}},
                                                                   {0, {64, 127}},
                                                                   {0, {0x90, 79, 127}},
                                                                   {480, {0x80, 48, 0}},
                                                                   {0, {64, 0}},
                                                                   {0, {79, 0}}})}));
    for (const std::string example : {IDLEWIRE_PATH, ORKEGAIN_PATH, ORKEFILTER_PATH, ORKEECHO_PATH}) {
        if (!example.empty()) {
            const ToolRun run =
                RunTool({"process", "--strict", "--tail", "1", example, folder.Path("in.wav"), out});
            EXPECT_EQ(run.exitCode, 0) << example << ": " << run.err;
        }
    }
    if (!std::string(ORKESYNTH_PATH).empty()) {
        const ToolRun run = RunTool(
            {"process", "--strict", "--midi", folder.Path("chord.mid"), "--tail", "1", ORKESYNTH_PATH, out});
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
}

// A WAV file's header as a writer leaves it: `declared` data bytes at `rate`, of which `frames` 16-bit mono
// frames are there. Its fields are little-endian words, or pairs of halves (PCM and one channel; 2 bytes a
// frame and 16 bits a sample); a chunk's name is its four bytes as they stand.
Bytes waveBytes(uint32_t rate, uint32_t frames, uint32_t declared) {
    auto name = [](const char* text) {
        return uint32_t(text[0] | text[1] << 8 | text[2] << 16 | text[3] << 24);
    };
    Bytes bytes;
    for (const uint32_t word : {name("RIFF"), 36 + declared, name("WAVE"), name("fmt "), 16u, 1u | 1u << 16,
                                rate, rate * 2, 2u | 16u << 16, name("data"), declared}) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<uint8_t>(word >> shift));
        }
    }
    bytes.resize(bytes.size() + 2 * frames, 0x10);
    return bytes;
}

TEST(OrkeHostRender, CutInputsRatelessInputsAndSweepsOfNoFolderAreNamed) {
    ScratchFolder folder;
    WriteBytes(folder.Path("cut.wav"), waveBytes(48000, 1000, 2 * 4800));
    WriteBytes(folder.Path("streamed.wav"), waveBytes(48000, 1000, 0xFFFFFFFF)); // a size left unknown
    WriteBytes(folder.Path("rateless.wav"), waveBytes(0, 1000, 2 * 1000));
    const std::string out = folder.Path("out.wav");
    const ToolRun cut = RunTool({"process", "--channels", "1", IDLEWIRE_PATH, folder.Path("cut.wav"), out});
    EXPECT_EQ(cut.exitCode, 0);
    EXPECT_EQ(lineStarting("\n" + cut.err, "orke-host process: warning:"),
              "orke-host process: warning: " + folder.Path("cut.wav") +
                  " is cut short: it holds 1000 frames of the 4800 its header declares");
    const ToolRun streamed =
        RunTool({"process", "--channels", "1", IDLEWIRE_PATH, folder.Path("streamed.wav"), out});
    EXPECT_EQ(streamed.exitCode, 0);
    EXPECT_EQ(streamed.err.find("warning"), std::string::npos) << streamed.err;
    const ToolRun rateless = RunTool({"process", IDLEWIRE_PATH, folder.Path("rateless.wav"), out});
    EXPECT_EQ(rateless.exitCode, 1);
    EXPECT_EQ(rateless.err, "orke-host process: cannot read " + folder.Path("rateless.wav") +
                                ": its header gives a sample rate of 0 Hz\n");
    for (const auto& [path, what] : {std::pair{folder.Path("missing"), " does not exist"},
                                     std::pair{folder.Path("cut.wav"), " is not a folder"}}) {
        const ToolRun sweep = RunTool({"sweep", folder.path, path});
        EXPECT_EQ(sweep.exitCode, 2) << path;
        EXPECT_EQ(sweep.out, "");
        EXPECT_EQ(sweep.err, "orke-host sweep: " + path + what + " (see orke-host sweep --help)\n");
    }
}
