// Orke Echo: a click rendered through orke-host at two tempi echoes exactly on the eighth note, left then
// right then left, each round trip scaled by the feedback, and alike for every block size; through its
// record, in-place buffers give what separate ones give, and without a tempo from the host the delay is the
// free time in milliseconds.
#include "HostedExample.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

constexpr double kRate = 96000.0;
constexpr size_t kFrames = 120000;
// Normalised values: feedback 50 % of its 0 to 95, mix 100 % (the echoes alone), high cut at its top.
constexpr float kFeedback = 50.0f / 95.0f;
constexpr int kFeedbackIndex = 3, kMixIndex = 4, kHighCutIndex = 5;

#ifdef ORKE_HOST_PATH
// The sum of one channel's samples from `from` for `count` frames: the low-pass in the feedback path moves
// an echo's energy about but keeps its sum, so sums compare echoes exactly.
double sumOf(const std::vector<float>& interleaved, int channel, size_t from, size_t count) {
    double sum = 0.0;
    for (size_t k = from; k < from + count && 2 * k + 1 < interleaved.size(); ++k) {
        sum += interleaved[2 * k + channel];
    }
    return sum;
}

// A stereo 32-bit float WAV file with a click of 1 on both channels at frame 0.
void writeClick(const std::string& path) {
    const uint32_t dataBytes = uint32_t(kFrames * 2 * sizeof(float));
    std::string header = "RIFF....WAVEfmt ";
    const auto word = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            header.push_back(char(value >> (8 * i)));
        }
    };
    word(16, 4);
    word(3, 2); // IEEE float
    word(2, 2);
    word(uint32_t(kRate), 4);
    word(uint32_t(kRate) * 8, 4);
    word(8, 2);
    word(32, 2);
    header += "data";
    word(dataBytes, 4);
    const uint32_t riff = uint32_t(header.size()) - 8 + dataBytes;
    for (int i = 0; i < 4; ++i) {
        header[4 + i] = char(riff >> (8 * i));
    }
    std::vector<float> samples(kFrames * 2, 0.0f);
    samples[0] = samples[1] = 1.0f;
    std::ofstream file(path, std::ios::binary);
    file.write(header.data(), std::streamsize(header.size()));
    file.write(reinterpret_cast<const char*>(samples.data()), std::streamsize(dataBytes));
}

// The click through orke-host at `tempo` in blocks of `block`, as raw interleaved floats.
std::vector<float> renderClick(double tempo, int block) {
    char folder[] = "/tmp/orke-echo-XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    const std::string in = std::string(folder) + "/click.wav", out = std::string(folder) + "/echo.raw";
    writeClick(in);
    const std::string command = std::string(ORKE_HOST_PATH) + " process " + ORKE_ECHO_PATH + " " + in + " " +
                                out + " --format raw:float --tempo " + std::to_string(tempo) + " --block " +
                                std::to_string(block) + " --param " + std::to_string(kFeedbackIndex) + "=" +
                                std::to_string(kFeedback) + " --param " + std::to_string(kMixIndex) +
                                "=1 --param " + std::to_string(kHighCutIndex) + "=1 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream file(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    std::remove(in.c_str());
    std::remove(out.c_str());
    rmdir(folder);
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
// The output of an orke-host command, or "" with a failure when it fails.
std::string run(const std::string& arguments) {
    const std::string command = std::string(ORKE_HOST_PATH) + " " + arguments + " 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        for (size_t read; (read = fread(chunk, 1, sizeof(chunk), pipe)) > 0;) {
            output.append(chunk, read);
        }
        EXPECT_EQ(pclose(pipe), 0) << command << "\n" << output;
    }
    return output;
}

// The programs travel as one chunk: a bank saved with values set, loaded into a fresh instance, shows those
// values and every program's name; a program file lands in the current program.
TEST(OrkeEcho, ItsStateComesBackThroughOrkeHostsProgramAndBankFiles) {
    const std::string bank = "/tmp/orke-echo-" + std::to_string(getpid()) + ".fxb";
    const std::string program = "/tmp/orke-echo-" + std::to_string(getpid()) + ".fxp";
    const std::string echo = ORKE_ECHO_PATH;
    run("preset save " + echo + " " + bank + " --bank --param 2=0.25 --param 3=0.7");
    run("preset save " + echo + " " + program + " --program 3 --param 5=0.5");
    const std::string fresh = run("info " + echo);
    const std::string fromBank = run("info " + echo + " --preset " + bank);
    const std::string fromProgram = run("info " + echo + " --preset " + program);
    std::remove(bank.c_str());
    std::remove(program.c_str());
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
    HostedExample echo(ORKE_ECHO_PATH, float(kRate));
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
    std::vector<float> left = Sine(441.0, kRate, 20000), right = Sine(1234.5, kRate, 20000);
    std::vector<float> outLeft(left.size()), outRight(right.size());
    HostedExample separate(ORKE_ECHO_PATH, float(kRate)), inPlace(ORKE_ECHO_PATH, float(kRate));
    for (HostedExample* echo : {&separate, &inPlace}) {
        echo->SetProgram(4);
    }
    for (size_t start = 0; start < left.size(); start += 300) {
        const auto frames = int32_t(std::min<size_t>(300, left.size() - start));
        float* inputs[2] = {left.data() + start, right.data() + start};
        float* outputs[2] = {outLeft.data() + start, outRight.data() + start};
        separate.effect->processReplacing(separate.effect, inputs, outputs, frames);
        inPlace.effect->processReplacing(inPlace.effect, inputs, inputs, frames);
    }
    EXPECT_TRUE(outLeft == left) << "left";
    EXPECT_TRUE(outRight == right) << "right";
}

} // namespace
