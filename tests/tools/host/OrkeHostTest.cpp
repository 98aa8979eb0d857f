// orke-host from the outside: its reports, its renders through Idlewire, its one-line errors, its validator
// on good, broken and third-party plug-ins.
#include "ToolRun.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <random>

namespace {

// Writes `frames` frames of reproducible noise in `format`: integers reaching both ends of full scale, or
// floats beyond full scale with negative zero and a denormal among them.
void writeNoise(const std::string& path, int format, int channels, int rate, int frames) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::mt19937 random(static_cast<uint32_t>(format + channels));
    const auto count = static_cast<size_t>(frames * channels);
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) {
        std::vector<float> samples(count);
        for (float& sample : samples) {
            sample = std::uniform_real_distribution<float>(-2.0f, 2.0f)(random);
        }
        samples[0] = -1.0f;
        samples[1] = -0.0f;
        samples[2] = 1e-40f;
        sf_write_float(file, samples.data(), static_cast<sf_count_t>(count));
    } else {
        std::vector<int> samples(count);
        for (int& sample : samples) {
            sample = static_cast<int>(random());
        }
        samples[0] = INT32_MIN;
        samples[1] = INT32_MAX;
        sf_write_int(file, samples.data(), static_cast<sf_count_t>(count));
    }
    sf_close(file);
}

struct SoundData {
    SF_INFO info{};
    std::vector<int> integers; // PCM samples, exact
    std::vector<float> floats; // float samples, exact
};

SoundData readSamples(const std::string& path) {
    SoundData data;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &data.info);
    if (file != nullptr) {
        const auto count = static_cast<size_t>(data.info.frames * data.info.channels);
        if ((data.info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) {
            data.floats.resize(count);
            sf_read_float(file, data.floats.data(), static_cast<sf_count_t>(count));
        } else {
            data.integers.resize(count);
            sf_read_int(file, data.integers.data(), static_cast<sf_count_t>(count));
        }
        sf_close(file);
    }
    return data;
}

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

size_t lineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

TEST(OrkeHostInfo, DescribesIdlewireAsTextAndJson) {
    const ToolRun text = RunTool({"info", IDLEWIRE_PATH});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    for (const char* expected :
         {"effect name     Idlewire\n", "vendor          Orvane Kettlers\n", "category        effect (1)\n",
          "unique ID       'OKiw' (1330342263)\n", "flags           can-replacing is-synth (272)\n",
          "programs        8 (current 0)\n", "    7  Defaults\n", "    0  Dummy = "}) {
        EXPECT_NE(text.out.find(expected), std::string::npos) << expected;
    }
    const ToolRun json = RunTool({"info", "--json", IDLEWIRE_PATH});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.out.front(), '{');
    EXPECT_EQ(json.out.substr(json.out.size() - 2), "}\n");
    for (const char* expected : {"\"unique_id_text\": \"OKiw\"", "\"inputs\": 2", "\"vst_version\": 2400",
                                 "\"flag_names\": [\n    \"can-replacing\",\n    \"is-synth\"\n  ]"}) {
        EXPECT_NE(json.out.find(expected), std::string::npos) << expected;
    }
}

TEST(OrkeHostInfo, SurvivesARudePluginAndEscapesItsName) {
    // Entry only under "main", unknown host requests, a name with a quote, a control byte and a stray byte.
    const ToolRun json = RunTool({"info", "--json", FIXTURE_RUDE_PATH});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(json.out.find("\"entry\": \"main\""), std::string::npos);
    EXPECT_NE(json.out.find(R"("effect_name": "Rude \"fx\"\u0001\u00FF")"), std::string::npos) << json.out;
    // On a terminal the control byte is shown, not sent.
    const ToolRun text = RunTool({"info", FIXTURE_RUDE_PATH});
    EXPECT_NE(text.out.find("effect name     Rude \"fx\"\\x01"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find('\x01'), std::string::npos);
}

TEST(OrkeHostProcess, PassesAudioThroughIdlewireBitForBit) {
    struct Case {
        int format;
        const char* block;
    };
    const Case cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, "512"},  {SF_FORMAT_WAV | SF_FORMAT_PCM_24, "17"},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, "1"},     {SF_FORMAT_AIFF | SF_FORMAT_PCM_16, "4096"},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "333"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block);
        ScratchFolder folder;
        writeNoise(folder.Path("in"), c.format, 2, 48000, 10007);
        const ToolRun run =
            RunTool({"process", "--block", c.block, IDLEWIRE_PATH, folder.Path("in"), folder.Path("out")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const SoundData in = readSamples(folder.Path("in"));
        const SoundData out = readSamples(folder.Path("out"));
        EXPECT_EQ(out.info.format, c.format) << "OUT keeps IN's format";
        EXPECT_EQ(out.info.frames, 10007);
        EXPECT_EQ(out.info.samplerate, 48000);
        EXPECT_EQ(in.integers.size() + in.floats.size(), 2u * 10007u);
        EXPECT_TRUE(in.integers == out.integers) << "the samples differ";
        // Bit for bit, not by value: negative zero must stay negative.
        EXPECT_EQ(in.floats.size(), out.floats.size());
        if (!in.floats.empty() && in.floats.size() == out.floats.size()) {
            EXPECT_EQ(std::memcmp(in.floats.data(), out.floats.data(), sizeof(float) * in.floats.size()), 0);
        }
        EXPECT_EQ(folder.Files().size(), 2u) << "no temporary file is left";
    }
}

TEST(OrkeHostProcess, ConvertsFormatsAndRendersATail) {
    ScratchFolder folder;
    writeNoise(folder.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 4410);
    const ToolRun run =
        RunTool({"process", "--format", "wav:float", "--tail", "0.5", "--program", "7", "--param", "0=0.25",
                 IDLEWIRE_PATH, folder.Path("in.wav"), folder.Path("out.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    SF_INFO info{};
    SNDFILE* file = sf_open(folder.Path("out.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(info.frames, 4410 + 22050);
    std::vector<float> samples(static_cast<size_t>(info.frames * 2));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    EXPECT_EQ(samples[0], -1.0f) << "the input is there, converted exactly";
    EXPECT_TRUE(std::all_of(samples.begin() + 4410 * 2, samples.end(), [](float s) { return s == 0.0f; }))
        << "the tail of a pass-through is silence";
}

TEST(OrkeHostProcess, EveryErrorIsOneLineANonZeroExitAndNoOutput) {
    ScratchFolder folder;
    const std::string stereo = folder.Path("stereo.wav");
    const std::string mono = folder.Path("mono.wav");
    const std::string text = folder.Path("text.wav");
    writeNoise(stereo, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 100);
    writeNoise(mono, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, 100);
    FILE* notAudio = fopen(text.c_str(), "w");
    fputs("not audio at all\n", notAudio);
    fclose(notAudio);
    const std::string out = folder.Path("out.wav");
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{IDLEWIRE_PATH, folder.Path("missing.wav"), out},
         1,
         "cannot read " + folder.Path("missing.wav") + ": No such file"},
        {{IDLEWIRE_PATH, text, out}, 1, "cannot read " + text + ": "},
        {{"--format", "mp9", IDLEWIRE_PATH, stereo, out}, 2, "unknown format 'mp9'"},
        {{"--format", "wav:pcm99", IDLEWIRE_PATH, stereo, out}, 2, "unknown sample format 'pcm99'"},
        {{IDLEWIRE_PATH, mono, out}, 1, "takes 2 input channels; " + mono + " has 1"},
        {{folder.Path("nothing.so"), stereo, out}, 1, "cannot load " + folder.Path("nothing.so") + ": "},
        {{text, stereo, out}, 1, "cannot load " + text + ": "},
        {{FIXTURE_NULL_RECORD_PATH, stereo, out}, 1, "returned no effect (a null record)"},
        {{FIXTURE_BAD_MAGIC_PATH, stereo, out}, 1, "the record's magic is 0x4F6F7073 ('Oops'), not 'VstP'"},
        {{FIXTURE_NO_ENTRY_PATH, stereo, out}, 1, "exports neither VSTPluginMain nor main"},
        {{"--program", "8", IDLEWIRE_PATH, stereo, out}, 2, "--program 8 is out of range"},
        {{"--param", "1=0.5", IDLEWIRE_PATH, stereo, out}, 2, "--param 1 is out of range"},
        {{"--param", "0=1.5", IDLEWIRE_PATH, stereo, out}, 2, "--param takes INDEX=VALUE"},
        {{"--block", "0", IDLEWIRE_PATH, stereo, out}, 2, "--block takes"},
        {{IDLEWIRE_PATH, stereo, folder.Path("no/such/folder.wav")}, 1, "cannot write"},
        {{"--bogus", IDLEWIRE_PATH, stereo, out}, 2, "unknown option --bogus"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"process"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ToolRun run = RunTool(arguments);
        SCOPED_TRACE(c.message);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(lineCount(run.err), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("orke-host process: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_FALSE(exists(out));
        EXPECT_EQ(folder.Files().size(), 3u) << "no temporary file is left";
    }
}

TEST(OrkeHostProcess, AnInterruptedRenderLeavesNothingBehind) {
    ScratchFolder folder;
    writeNoise(folder.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 16000, 10);
    // An hour of tail: still rendering when the signal comes.
    const ToolRun run = RunTool(
        {"process", "--tail", "3600", IDLEWIRE_PATH, folder.Path("in.wav"), folder.Path("out.wav")}, 200);
    EXPECT_EQ(run.signal, SIGTERM);
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"in.wav"});
}

TEST(OrkeHostValidate, IdlewirePassesEveryCheckAsAPassThrough) {
    const ToolRun run = RunTool({"validate", "--expect", "passthrough", IDLEWIRE_PATH});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("19 checks, 19 passed, 0 with warnings, 0 failed\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("PASS  processing at 96000 Hz"), std::string::npos);
    const ToolRun json = RunTool({"validate", "--json", IDLEWIRE_PATH});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_NE(json.out.find("\"failed\": 0\n}"), std::string::npos) << json.out;
}

TEST(OrkeHostValidate, ReportsACrashAndGoesOnWithTheBattery) {
    const ToolRun run = RunTool({"validate", "--expect", "passthrough", FIXTURE_RUDE_PATH});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.signal, 0) << "the host itself must not crash";
    const size_t start = run.out.find("FAIL  requests, null pointers ");
    ASSERT_NE(start, std::string::npos) << run.out;
    const std::string line = run.out.substr(start, run.out.find('\n', start) - start);
    EXPECT_NE(
        line.find("the plug-in crashed (SIGSEGV) during request 8 (effGetParamName) with null pointers"),
        std::string::npos)
        << line;
    // Processing is a plain copy and passes, in the checks after the crash as well.
    EXPECT_NE(run.out.find("PASS  processing at 44100 Hz"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("PASS  sample-rate changes"), std::string::npos) << run.out;
}

TEST(OrkeHostValidate, APluginThatDoesNotLoadFailsAtOnce) {
    const ToolRun run = RunTool({"validate", FIXTURE_NULL_RECORD_PATH});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("FAIL  load"), std::string::npos);
    EXPECT_NE(run.out.find("validate: 1 checks, 0 passed, 0 with warnings, 1 failed"), std::string::npos)
        << run.out;
}

TEST(OrkeHostCommands, HelpUsageAndBench) {
    for (const char* command : {"info", "process", "validate", "bench", "midi"}) {
        const ToolRun help = RunTool({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("usage: orke-host ") + command, 0), 0u) << help.out;
    }
    EXPECT_EQ(RunTool({"--help"}).exitCode, 0);
    EXPECT_EQ(RunTool({}).exitCode, 2);
    EXPECT_EQ(RunTool({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(RunTool({"info"}).exitCode, 2);

    const ToolRun bench = RunTool({"bench", "--seconds", "0.01", IDLEWIRE_PATH});
    EXPECT_EQ(bench.exitCode, 0) << bench.err;
    EXPECT_EQ(lineCount(bench.out), 2u + 14u) << "a heading and block sizes 1 to 8192";
    EXPECT_NE(bench.out.find("\n    8192 "), std::string::npos);
}

// Third-party plug-ins from Debian, run as black boxes: whatever faults they have, the host must not crash or
// hang on them.
class ThirdPartyPlugin : public ::testing::TestWithParam<const char*> {};

TEST_P(ThirdPartyPlugin, InfoProcessAndValidateRunToTheEnd) {
    const std::string plugin = std::string("/usr/lib/vst/") + GetParam();
    if (!exists(plugin)) {
        GTEST_SKIP() << plugin << " is not installed (Debian packages zam-plugins and dpf-plugins-vst)";
    }
    const ToolRun info = RunTool({"info", "--json", plugin});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const size_t inputs = info.out.find("\"inputs\": ");
    ASSERT_NE(inputs, std::string::npos);
    const int channels = std::atoi(info.out.c_str() + inputs + 10);

    ScratchFolder folder;
    writeNoise(folder.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, channels, 44100, 22050);
    const ToolRun process = RunTool({"process", plugin, folder.Path("in.wav"), folder.Path("out.wav")});
    EXPECT_EQ(process.exitCode, 0) << process.err;
    EXPECT_EQ(readSamples(folder.Path("out.wav")).info.frames, 22050);

    const ToolRun validate = RunTool({"validate", plugin});
    EXPECT_EQ(validate.signal, 0);
    EXPECT_TRUE(validate.exitCode == 0 || validate.exitCode == 1) << validate.exitCode;
    EXPECT_NE(validate.out.find("validate: 19 checks, "), std::string::npos) << validate.out;
}

INSTANTIATE_TEST_SUITE_P(Debian, ThirdPartyPlugin,
                         ::testing::Values("ZamDelay-vst.so", "3BandEQ-vst.so", "MVerb-vst.so"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             name = name.substr(0, name.find('-'));
                             return name == "3BandEQ" ? std::string("ThreeBandEQ") : name;
                         });

TEST(OrkeHostValidate, FindsEachKindOfFault) {
    const ToolRun run = RunTool({"validate", "--timeout", "2", FIXTURE_SLOPPY_PATH});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.signal, 0);
    struct Expected {
        const char* line;
        const char* fragment;
    };
    const Expected expected[] = {
        {"WARN  identity ", "answers VST version 0, not 2400"},
        {"FAIL  programs ", "took program 1, outside its 1"},
        {"FAIL  parameters ", "the name of parameter 0 runs past its 16-byte field"},
        {"FAIL  parameters ", "parameter 0 reads back 1.5 after being set to 1"},
        {"FAIL  requests, null pointers ",
         "the plug-in crashed (SIGSEGV) during request 8 (effGetParamName)"},
        {"FAIL  requests, null pointers ", "no answer within 2 s during request 47 (effGetVendorString)"},
        {"FAIL  processing at 44100 Hz ", "wrote past the end of the block (block of 1 frame at 44100 Hz)"},
        {"WARN  processing at 48000 Hz ", "denormal samples"},
        {"FAIL  processing at 96000 Hz ", "NaN"},
        {"FAIL  sample-rate changes ", "changed its input buffers (block of 512 frames at 22050 Hz)"},
    };
    for (const Expected& e : expected) {
        const size_t start = run.out.find(e.line);
        ASSERT_NE(start, std::string::npos) << e.line << "\n" << run.out;
        const std::string line = run.out.substr(start, run.out.find('\n', start) - start);
        EXPECT_NE(line.find(e.fragment), std::string::npos) << line;
    }
}
