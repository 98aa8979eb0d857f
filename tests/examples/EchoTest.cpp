// Orke Echo: a click rendered through orke-host at two tempi echoes exactly on the eighth note, left then
// right then left, each round trip scaled by the feedback, and alike for every block size; through its
// record, in-place buffers give what separate ones give, and without a tempo from the host the delay is the
// free time in milliseconds.
#include "HostedPlugin.h"
#ifdef ORKE_HOST_PATH
#include "ToolRun.h"
#endif

#include <cstring>

namespace {

constexpr double kRate = 96000.0;
constexpr size_t kFrames = 120000;
// Normalised values: feedback 50 % of its 0 to 95, mix 100 % (the echoes alone), high cut at its top.
constexpr float kFeedback = 50.0f / 95.0f;
constexpr int kFeedbackIndex = 3, kMixIndex = 4, kHighCutIndex = 5;

#ifdef ORKE_HOST_PATH
using namespace orke::host::test;

// The sum of one channel's samples from `from` for `count` frames: the low-pass in the feedback path moves
// an echo's energy about but keeps its sum, so sums compare echoes exactly.
double sumOf(const std::vector<float>& interleaved, int channel, size_t from, size_t count) {
    double sum = 0.0;
    for (size_t k = from; k < from + count && 2 * k + 1 < interleaved.size(); ++k) {
        sum += interleaved[2 * k + channel];
    }
    return sum;
}

// A click of 1 on both channels at frame 0 through orke-host at `tempo` in blocks of `block`, as raw
// interleaved floats.
std::vector<float> renderClick(double tempo, int block) {
    const ScratchFolder folder;
    const std::string in = folder.Path("click.wav"), out = folder.Path("echo.raw");
    std::vector<float> samples(kFrames * 2, 0.0f);
    samples[0] = samples[1] = 1.0f;
    SF_INFO info{0, int(kRate), 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    if (SNDFILE* file = sf_open(in.c_str(), SFM_WRITE, &info)) {
        sf_writef_float(file, samples.data(), sf_count_t(kFrames));
        sf_close(file);
    }
    const auto param = [](int index, float value) {
        return std::to_string(index) + "=" + std::to_string(value);
    };
    const ToolRun ran = RunTool({"process", ORKE_ECHO_PATH, in, out, "--format", "raw:float", "--tempo",
                                 std::to_string(tempo), "--block", std::to_string(block), "--param",
                                 param(kFeedbackIndex, kFeedback), "--param", param(kMixIndex, 1), "--param",
                                 param(kHighCutIndex, 1)});
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    const std::string bytes = FileText(out);
    samples.assign(bytes.size() / sizeof(float), 0.0f);
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

TEST(OrkeEcho, EchoesLandOnTheEighthNoteAlternatingAndScaledByTheFeedback) {
    const float feedback = 95.0f * kFeedback * 0.01f;
    for (const auto& [tempo, eighth] : {std::pair{120.0, size_t(24000)}, {90.0, size_t(32000)}}) {
        const std::vector<float> out = renderClick(tempo, 512);
        ASSERT_EQ(out.size(), kFrames * 2) << tempo;
        for (size_t k = 0; k < eighth; ++k) {
            ASSERT_EQ(out[2 * k], 0.0f) << tempo << " BPM: left before the first echo, frame " << k;
        }
        EXPECT_EQ(out[2 * eighth], 1.0f) << tempo << " BPM: the first echo, left, on the eighth note";
        EXPECT_EQ(sumOf(out, 1, 0, 2 * eighth - 1), 0.0) << tempo << " BPM: nothing right before 2 eighths";
        const size_t window = eighth / 2;
        const double first = sumOf(out, 0, eighth - window, 2 * window);
        const double second = sumOf(out, 1, 2 * eighth - window, 2 * window);
        const double third = sumOf(out, 0, 3 * eighth - window, 2 * window);
        EXPECT_NEAR(first, 1.0, 1e-6) << tempo;
        EXPECT_NEAR(second / first, feedback, 1e-4) << tempo << " BPM: the right echo";
        EXPECT_NEAR(third / second, feedback, 1e-4) << tempo << " BPM: the left echo after it";
        EXPECT_EQ(sumOf(out, 1, 3 * eighth - window, 2 * window), 0.0) << tempo << ": sides alternate";
    }
    const std::vector<float> reference = renderClick(120.0, 4096);
    for (const int block : {1, 37}) {
        EXPECT_TRUE(renderClick(120.0, block) == reference) << "blocks of " << block << " frames differ";
    }
}
// The standard output of an orke-host command that must succeed.
std::string run(const std::vector<std::string>& arguments) {
    const ToolRun ran = RunTool(arguments);
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    return ran.out;
}

// The programs travel as one chunk: a bank saved with values set, loaded into a fresh instance, shows those
// values and every program's name; a program file lands in the current program.
TEST(OrkeEcho, ItsStateComesBackThroughOrkeHostsProgramAndBankFiles) {
    const ScratchFolder folder;
    const std::string bank = folder.Path("echo.fxb"), program = folder.Path("echo.fxp"),
                      echo = ORKE_ECHO_PATH;
    run({"preset", "save", echo, bank, "--bank", "--param", "2=0.25", "--param", "3=0.7"});
    run({"preset", "save", echo, program, "--program", "3", "--param", "5=0.5"});
    const std::string fresh = run({"info", echo});
    const std::string fromBank = run({"info", echo, "--preset", bank});
    const std::string fromProgram = run({"info", echo, "--preset", program});
    for (const char* shown : {"Time = 6.687 ms", "Feedback = 66.50 %"}) {
        EXPECT_EQ(fresh.find(shown), std::string::npos) << shown;
        EXPECT_NE(fromBank.find(shown), std::string::npos) << shown << " in\n" << fromBank;
    }
    for (const char* name :
         {"Eighth Ping-Pong", "Dotted Eighth", "Slapback", "Dark Quarter", "Triplet Wash"}) {
        EXPECT_NE(fromBank.find(name), std::string::npos) << name;
    }
    EXPECT_NE(fromProgram.find("High Cut = 3162 Hz"), std::string::npos) << fromProgram;
    EXPECT_NE(fromProgram.find("Feedback = 65.00 %"), std::string::npos) << "Dark Quarter's feedback";
}
#endif

// A host whose transport has no tempo: the delay is the free time (375 ms by default), in every program
// that syncs.
TEST(OrkeEcho, WithoutATempoTheDelayIsTheFreeTime) {
    HostedPlugin echo(ORKE_ECHO_PATH, float(kRate));
    echo.SetParameter(kMixIndex, 1.0f);
    std::vector<float> click(kFrames, 0.0f);
    click[0] = 1.0f;
    const std::vector<float> left = echo.Render(click, 512, false);
    const size_t delay = size_t(0.375 * kRate);
    for (size_t k = 0; k < delay; ++k) {
        ASSERT_EQ(left[k], 0.0f) << k;
    }
    EXPECT_EQ(left[delay], 1.0f);
}

// The same stereo signal in place and in separate buffers, with a program that keeps the echoes coming back.
TEST(OrkeEcho, InPlaceAndSeparateBuffersGiveTheSameSamples) {
    Channels channels = {Sine(441.0, kRate, 20000), Sine(1234.5, kRate, 20000)};
    HostedPlugin separate(ORKE_ECHO_PATH, float(kRate)), inPlace(ORKE_ECHO_PATH, float(kRate));
    separate.SetProgram(4);
    inPlace.SetProgram(4);
    const Channels expected = separate.Play(channels, 300);
    for (size_t start = 0; start < channels[0].size(); start += 300) {
        float* inputs[2] = {channels[0].data() + start, channels[1].data() + start};
        inPlace.effect->processReplacing(inPlace.effect, inputs, inputs,
                                         int32_t(std::min<size_t>(300, channels[0].size() - start)));
    }
    EXPECT_TRUE(channels[0] == expected[0]) << "left";
    EXPECT_TRUE(channels[1] == expected[1]) << "right";
}

} // namespace
