// Both examples while a second host thread sets parameters and switches programs as the audio thread renders:
// the output stays finite and in proportion, and the thread sanitizer finds no race.
#include "HostedExample.h"

#include <atomic>
#include <thread>

namespace {

class Examples : public ::testing::TestWithParam<std::pair<const char*, float>> {};

TEST_P(Examples, ParametersAndProgramsChangeWhileTheAudioThreadRenders) {
    HostedExample plugin(GetParam().first);
    std::atomic<bool> stop{false};
    std::atomic<int> changes{0};
    std::thread host([&] {
        for (int i = 0; !stop; ++i, ++changes) {
            if (i % 7 == 0) {
                plugin.SetProgram(i / 7 % plugin.effect->numPrograms);
            } else {
                plugin.SetParameter(i % plugin.effect->numParams, float(i % 11) / 10.0f);
            }
        }
    });
    // Until the host thread has made its share of changes, however the two threads are scheduled.
    const std::vector<float> input = Sine(440.0, 48000.0, 512);
    float loudest = 0.0f;
    for (int block = 0; block < 400 || (changes < 20000 && block < 400000); ++block) {
        for (float sample : plugin.Render(input, 64 + block % 5, false)) {
            loudest = std::isfinite(sample) ? std::max(loudest, std::fabs(sample)) : INFINITY;
        }
    }
    stop = true;
    host.join();
    EXPECT_LE(loudest, GetParam().second); // the input's peak is 1
}

INSTANTIATE_TEST_SUITE_P(Both, Examples,
                         ::testing::Values(std::pair{ORKE_GAIN_PATH, 4.0f},
                                           std::pair{ORKE_FILTER_PATH, 50.0f}),
                         [](const auto& info) { return info.index == 0 ? "Gain" : "Filter"; });

} // namespace
