// The LV2 bundles through Debian's LV2 tools, run as black boxes in a home of their own: sord_validate with
// the LV2 schemas (lv2_validate), lv2info, lv2apply rendering audio files through every example, and jalv
// running a plug-in headless against a dummy JACK server.
#include "Lv2TestHost.h"
#include "ThirdPartyHome.h"

#include <sndfile.hh>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// Every bundle's folder.
const char* const kBundles[] = {ORKE_IDLEWIRE_BUNDLE, ORKE_GAIN_BUNDLE,  ORKE_FILTER_BUNDLE,
                                ORKE_ECHO_BUNDLE,     ORKE_SYNTH_BUNDLE, ORKE_PROBE_BUNDLE};

// A plug-in built with a sanitizer only loads into a process whose first library is the sanitizer's runtime;
// this process has it, so the tools are given the same one (their own leaks are not the plug-ins').
std::string sanitizerWords() {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.find("/libasan.so") != std::string::npos || line.find("/libtsan.so") != std::string::npos) {
            return "LD_PRELOAD=" + line.substr(line.find('/')) +
                   " ASAN_OPTIONS=detect_leaks=0 TSAN_OPTIONS=report_bugs=0";
        }
    }
    return "";
}

// The tools' world: a home of their own whose lv2 folder links every bundle, and the system's LV2 folder for
// the LV2 core and extension descriptions.
struct ToolHome {
    ThirdPartyHome home;
    fs::path bundles = fs::path(home.Path()) / "lv2";

    ToolHome() {
        fs::create_directories(bundles);
        for (const fs::path bundle : kBundles) {
            fs::create_directory_symlink(bundle, bundles / bundle.filename());
        }
    }
    // For a tool that loads the modules (lv2apply, jalv) with the sanitizer's runtime; those that only read
    // the bundles' files go without it (a shell script does not start under the thread sanitizer's).
    std::string Environment(bool loadsModules = true) const {
        return "env " + home.EnvironmentWords() + " LV2_PATH=" + bundles.string() + ":/usr/lib/lv2 " +
               (loadsModules ? sanitizerWords() : "");
    }
    std::string File(const char* name) const { return home.Path() + std::string("/") + name; }
};

struct Ran {
    int status;
    std::string output;
};

// Runs a shell command line, its standard error with its output.
Ran run(const std::string& command) {
    Ran ran{-1, ""};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t n; pipe != nullptr && (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) {
        ran.output.append(buffer, n);
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    ran.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

// `input` through lv2apply with `controls` (its options, "-c symbol value" each); the output's channels.
Channels lv2apply(const ToolHome& home, const char* uri, const Channels& input,
                  const std::string& controls = "") {
    std::vector<float> frames(input[0].size() * 2); // interleaved
    for (size_t k = 0; k < frames.size(); ++k) {
        frames[k] = input[k % 2][k / 2];
    }
    SndfileHandle(home.File("in.wav"), SFM_WRITE, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000)
        .writef(frames.data(), sf_count_t(input[0].size()));
    fs::remove(home.File("out.wav"));
    const Ran ran = run(home.Environment() + " lv2apply -i " + home.File("in.wav") + " -o " +
                        home.File("out.wav") + " " + controls + " " + uri);
    EXPECT_EQ(ran.status, 0) << ran.output;
    SndfileHandle out(home.File("out.wav"));
    EXPECT_EQ(out.error(), 0) << "no sound from lv2apply: " << out.strError();
    frames.assign(size_t(out.frames()) * size_t(out.channels()), 0.0f);
    out.readf(frames.data(), out.frames());
    Channels channels(size_t(out.channels()));
    for (size_t k = 0; k < frames.size(); ++k) {
        channels[k % channels.size()].push_back(frames[k]);
    }
    return channels;
}

// The level of the second half of a signal (past the filter's settling), in dB.
double levelOf(const std::vector<float>& signal) {
    const auto from = signal.begin() + long(signal.size() / 2);
    return 10.0 * std::log10(std::inner_product(from, signal.end(), from, 0.0) / double(signal.end() - from) +
                             1e-30);
}

} // namespace

TEST(ThirdPartyLv2Tools, SordValidatePassesEveryBundleWithTheLv2Schemas) {
    ToolHome home;
    for (const fs::path folder : kBundles) {
        const std::string name = folder.stem().string();
        const Ran ran = run(home.Environment(false) + " lv2_validate " + (folder / "manifest.ttl").string() +
                            " " + (folder / (name + ".ttl")).string());
        EXPECT_EQ(ran.status, 0) << name << ":\n" << ran.output;
        EXPECT_NE(ran.output.find("Found 0 errors"), std::string::npos) << name << ":\n" << ran.output;
    }
}

TEST(ThirdPartyLv2Tools, Lv2infoListsEachPluginWithItsPortsAndPresets) {
    // Each plug-in and the lines found in lv2info's listing of it.
    const std::pair<const char*, std::vector<std::string>> listings[] = {
        {"urn:orke:OKiw",
         {"Name:              Idlewire", "Class:             Plugin", "Author:            Orvane Kettlers",
          "Symbol:      in_l", "Symbol:      out_r", "Symbol:      dummy",
          "Presets: \n\t         Defaults\n\n"}},
        {"urn:orke:OKgn",
         {"Name:              Orke Gain", "Symbol:      gain", "Minimum:     -60.000000",
          "Maximum:     12.000000", "1.0 = \"Inverted\"", "Half", "Quiet", "Inverted", "Unity",
          "state#interface"}},
        {"urn:orke:OKfl",
         {"Name:              Orke Filter", "Symbol:      cutoff", "port-props#logarithmic",
          "2.0 = \"Band-pass\"", "Warm", "Thin", "Voice", "Resonant"}},
        {"urn:orke:OKec",
         {"Name:              Orke Echo", "Class:             Delay Plugin", "Symbol:      high_cut",
          "lv2core#toggled", "Dotted Eighth", "Triplet Wash", "Symbol:      events",
          "Name:        Transport"}},
        {"urn:orke:OKsy",
         {"Name:              Orke Synth", "Class:             Instrument Plugin", "Symbol:      osc_1_wave",
          "Symbol:      amp_attack", "3.0 = \"Sine\"", "Saw Lead", "Mono Bass", "Breath"}},
        {"urn:orke:test:OKpb",
         {"Class:             Instrument Plugin", "Has latency:       yes, reported by port 7",
          "Name:        Events", "Symbol:      events", "1.0 = \"Square \"hard\"\"", "Low", "High"}},
    };
    ToolHome home;
    for (const auto& [uri, lines] : listings) {
        const Ran ran = run(home.Environment(false) + " lv2info " + uri);
        EXPECT_EQ(ran.status, 0) << ran.output;
        for (const std::string& line : lines) {
            EXPECT_NE(ran.output.find(line), std::string::npos) << uri << " lacks " << line << ":\n"
                                                                << ran.output;
        }
    }
}

TEST(ThirdPartyLv2Tools, Lv2applyRendersIdlewireBitForBitAndOrkeGainAtHalf) {
    ToolHome home;
    Channels input = NoiseBurst(12000, 12000, 3);
    input[0][10] = -0.0f;
    input[1][20] = 1e-40f; // subnormal
    const Channels through = lv2apply(home, "urn:orke:OKiw", input);
    ASSERT_EQ(through.size(), 2u);
    for (size_t c = 0; c < 2; ++c) {
        ASSERT_EQ(through[c].size(), input[c].size());
        EXPECT_EQ(std::memcmp(through[c].data(), input[c].data(), input[c].size() * sizeof(float)), 0)
            << "Idlewire changed channel " << c;
    }
    Channels half = input;
    for (std::vector<float>& channel : half) {
        std::transform(channel.begin(), channel.end(), channel.begin(), [](float v) { return 0.5f * v; });
    }
    SCOPED_TRACE("Orke Gain at -6.0206 dB against half the input");
    ExpectSameSamples(lv2apply(home, "urn:orke:OKgn", input, "-c gain -6.0206"), half, 0);
}

TEST(ThirdPartyLv2Tools, Lv2applyFiltersAsTheVstModuleDoes) {
    ToolHome home;
    // lv2apply's controls, the VST module's program with the same values, the cutoff.
    const std::tuple<const char*, int, double> settings[] = {
        {"-c cutoff 2000 -c resonance 0.7071 -c type 0", 0, 2000.0},
        {"-c cutoff 1000 -c resonance 2 -c type 2", 2, 1000.0}};
    for (const auto& [controls, program, cutoff] : settings) {
        for (const double ratio : {0.1, 1.0, 10.0}) {
            const std::vector<float> tone = Sine(cutoff * ratio, 48000.0, 24000);
            const Channels lv2 = lv2apply(home, "urn:orke:OKfl", {tone, tone}, controls);
            ASSERT_EQ(lv2.size(), 2u);
            HostedPlugin vst(ORKE_FILTER_VST, 48000.0f, 4096);
            vst.SetProgram(program);
            EXPECT_NEAR(levelOf(lv2[0]), levelOf(vst.Render(tone)), 0.1)
                << controls << " at " << ratio << " times the cutoff";
        }
    }
}

TEST(ThirdPartyLv2Tools, Lv2applyEchoesAsTheVstModuleDoes) {
    ToolHome home;
    const Channels input = NoiseBurst(36000, 2400, 5);
    // Free time (lv2apply gives no tempo), 250 ms, 47.5 % feedback, 50 % mix: real values the VST 2.4
    // module's normalised 0.5s give as well. The time's taper gives no short decimal, so it is read back.
    HostedPlugin vst(ORKE_ECHO_VST, 48000.0f, 4096);
    const float normalised[] = {0.0f, 0.0f, 0.72f, 0.5f, 0.5f, 1.0f};
    for (int i = 0; i < 6; ++i) {
        vst.SetParameter(i, normalised[i]);
    }
    char controls[128] = {};
    std::snprintf(controls, sizeof(controls),
                  "-c sync 0 -c feedback 47.5 -c mix 50 -c time %.9g -c high_cut %.9g",
                  double(vst.RealValue(2, 0.72f)), double(vst.RealValue(5, 1.0f)));
    SCOPED_TRACE(controls);
    ExpectSameSamples(lv2apply(home, "urn:orke:OKec", input, controls), vst.Play(input, 1024), 4800);
}

TEST(ThirdPartyLv2Tools, JalvRunsHeadlessAgainstADummyJackServerAndExitsCleanly) {
    ToolHome home;
    const std::string server = "orke-lv2-test-" + std::to_string(getpid());
    const std::string environment = home.Environment() + " JACK_DEFAULT_SERVER=" + server +
                                    " JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1";
    const pid_t jackd = fork();
    if (jackd == 0) {
        home.home.Enter();
        setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execlp("jackd", "jackd", "-n", server.c_str(), "-d", "dummy", "-r", "48000", "-p", "256",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(jackd, 0);
    const Ran waited = run(environment + " jack_wait -w -t 20");
    ASSERT_EQ(waited.status, 0) << "the dummy server did not start: " << waited.output;

    // Orke Echo for three seconds: standard input stays open that long, then ends, and jalv exits.
    const Ran ran = run("(sleep 3) | " + environment + " timeout 30 jalv -n orke-echo urn:orke:OKec");
    kill(jackd, SIGTERM);
    waitpid(jackd, nullptr, 0);
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_NE(ran.output.find("high_cut = 8000"), std::string::npos) << ran.output;
}
