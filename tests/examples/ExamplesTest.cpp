// The example plug-ins through their modules' records. Orke Gain: the programs' levels once the gain has
// settled, exactly where the level is 1 or -1, and the ramp that a jump in the gain parameter becomes. Orke
// Filter: the magnitude of each filter type below, at and above its cutoff against the analogue prototype it
// is transformed from, DC through the low-pass, and memories cleared when the host resumes the plug-in or
// changes the sample rate. Both: a second host thread sets parameters and switches programs as the audio
// thread renders, the output stays finite and in proportion, and the thread sanitizer finds no race; every
// parameter set from its own display text shows that text again.
#include "HostedPlugin.h"

#include <atomic>
#include <complex>
#include <thread>

namespace {

constexpr double kRate = 48000.0;
constexpr size_t kRampFrames = 480; // the gain's ramp: 10 ms
constexpr size_t kSettle = 24000;   // half a second
constexpr size_t kWindow = 24000;   // a whole number of periods of every filter test frequency

// From another program, the host switches to each program mid-stream; once the ramp is over every sample is
// the input times the program's level: bit for bit where the level is 1 or -1.
TEST(OrkeGain, ProgramsSettleOnTheirLevel) {
    const struct {
        int from, to;
        float scale, tolerance; // tolerance 0: bit for bit
    } cases[] = {{2, 0, 1.0f, 0.0f}, {0, 1, 0.5f, 1e-6f}, {0, 2, 0.1f, 1e-6f}, {1, 3, -1.0f, 0.0f}};
    const std::vector<float> input = Sine(997.0, kRate, 9600); // no sample is 0, so no zero's sign to lose
    for (const auto& c : cases) {
        HostedPlugin gain(ORKE_GAIN_PATH, kRate);
        gain.SetProgram(c.from);
        gain.Render(input, 64);
        gain.SetProgram(c.to);
        const std::vector<float> output = gain.Render(input, 100);
        for (size_t k = kRampFrames; k < input.size(); ++k) {
            const float expected = input[k] * c.scale;
            ASSERT_LE(std::fabs(output[k] - expected), c.tolerance)
                << "program " << c.to << " frame " << k << ": " << output[k] << " for " << input[k];
        }
    }
}

// A jump from 0 dB to -60 dB reaches the output as a ramp over 10 ms: with a constant input of 1 the output
// is the gain itself, and no step between two samples is larger than a 480th of the whole change.
TEST(OrkeGain, AJumpInGainBecomesATenMillisecondRamp) {
    HostedPlugin gain(ORKE_GAIN_PATH, kRate);
    gain.SetProgram(0);
    const std::vector<float> ones(4800, 1.0f);
    EXPECT_EQ(gain.Render(ones), ones);
    gain.SetParameter(0, 0.0f); // -60 dB
    const std::vector<float> output = gain.Render(ones, 64);
    const float finalGain = std::pow(10.0f, -3.0f);
    const float largestStep = (1.0f - finalGain) / kRampFrames * 1.0001f;
    float previous = 1.0f;
    for (size_t k = 0; k < output.size(); ++k) {
        ASSERT_LE(std::fabs(output[k] - previous), largestStep) << "frame " << k;
        previous = output[k];
    }
    EXPECT_GT(output[kRampFrames - 2], finalGain);
    EXPECT_EQ(output[kRampFrames - 1], finalGain);
    EXPECT_EQ(output.back(), finalGain);
}

// The magnitude in dB of the output's component at `frequency`, over the window after settling.
double measuredDecibels(HostedPlugin& filter, double frequency) {
    const std::vector<float> output = filter.Render(Sine(frequency, kRate, kSettle + kWindow));
    std::complex<double> sum = 0.0;
    for (size_t k = kSettle; k < output.size(); ++k) {
        sum += static_cast<double>(output[k]) * std::polar(1.0, -2.0 * M_PI * frequency * double(k) / kRate);
    }
    return 20.0 * std::log10(2.0 * std::abs(sum) / double(kWindow));
}

// The bilinear transform with the cutoff matched maps frequency f to the analogue frequency
// tan(pi f / rate) / tan(pi cutoff / rate) of the prototype 1 / (s^2 + s/Q + 1), s^2 / (...) or (s/Q) /
// (...).
double analogueDecibels(int type, double cutoff, double q, double frequency) {
    const double w = std::tan(M_PI * frequency / kRate) / std::tan(M_PI * cutoff / kRate);
    const std::complex<double> s(0.0, w);
    const std::complex<double> numerator = type == 0 ? 1.0 : type == 1 ? s * s : s / q;
    return 20.0 * std::log10(std::abs(numerator / (s * s + s / q + 1.0)));
}

// The low-pass passes direct current whole.
TEST(OrkeFilter, EachTypeFollowsItsAnalogueResponseWithinATenthOfADecibelAndTheLowPassPassesDc) {
    const struct {
        int program, type;
        double cutoff, q;
    } programs[] = {{0, 0, 2000.0, 0.7071}, {1, 1, 300.0, 0.7071}, {2, 2, 1000.0, 2.0}}; // Warm, Thin, Voice
    for (const auto& p : programs) {
        for (double ratio : {0.1, 1.0, 10.0}) {
            HostedPlugin filter(ORKE_FILTER_PATH, float(kRate));
            filter.SetProgram(p.program);
            const double frequency = p.cutoff * ratio;
            EXPECT_NEAR(measuredDecibels(filter, frequency),
                        analogueDecibels(p.type, p.cutoff, p.q, frequency), 0.1)
                << "program " << p.program << " at " << frequency << " Hz";
        }
    }
    HostedPlugin lowPass(ORKE_FILTER_PATH, float(kRate));
    lowPass.SetProgram(0);
    EXPECT_NEAR(lowPass.Render(std::vector<float>(kSettle, 1.0f)).back(), 1.0f, 1e-4f) << "direct current";
}

// After loud input, silence comes out as silence at once when the host resumed the plug-in or set a new rate;
// without either, the resonance is still ringing.
TEST(OrkeFilter, MemoriesAreClearedOnResumeAndOnANewSampleRate) {
    const struct {
        const char* action;
        int32_t opcode;
        intptr_t value;
        float rate;
        bool silent;
    } cases[] = {{"nothing", effGetProgram, 0, 0.0f, false},
                 {"resume", effMainsChanged, 1, 0.0f, true},
                 {"new sample rate", effSetSampleRate, 0, 44100.0f, true}};
    const std::vector<float> silence(256, 0.0f);
    for (const auto& c : cases) {
        HostedPlugin filter(ORKE_FILTER_PATH, float(kRate));
        filter.SetProgram(3); // Resonant
        filter.Render(Sine(800.0, kRate, 4800));
        Dispatch(filter.effect, effMainsChanged, 0, 0);
        Dispatch(filter.effect, c.opcode, 0, c.value, nullptr, c.rate);
        EXPECT_EQ(filter.Render(silence) == silence, c.silent) << c.action;
    }
}

class Examples : public ::testing::TestWithParam<std::pair<const char*, float>> {};

TEST_P(Examples, ParametersAndProgramsChangeWhileTheAudioThreadRenders) {
    HostedPlugin plugin(GetParam().first);
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

// Every parameter of every example, at values across its range: set from its own display text, alone and with
// the unit's label after it, it shows that same text again.
TEST_P(Examples, EachParameterTakesItsOwnDisplayTextBack) {
    HostedPlugin plugin(GetParam().first);
    const auto text = [&](int32_t opcode, int32_t index) {
        char field[64] = "";
        Dispatch(plugin.effect, opcode, index, 0, field);
        return std::string(field);
    };
    for (int32_t index = 0; index < plugin.effect->numParams; ++index) {
        const std::string label = text(effGetParamLabel, index);
        for (const float normalised : {0.0f, 0.13f, 0.5f, 0.77f, 1.0f}) {
            plugin.SetParameter(index, normalised);
            const std::string shown = text(effGetParamDisplay, index);
            for (std::string entry : {shown, shown + " " + label}) {
                plugin.SetParameter(index, normalised < 0.5f ? 1.0f : 0.0f);
                EXPECT_EQ(Dispatch(plugin.effect, effString2Parameter, index, 0, entry.data()), 1)
                    << "parameter " << index << ": '" << entry << "'";
                EXPECT_EQ(text(effGetParamDisplay, index), shown)
                    << "parameter " << index << ": '" << entry << "'";
            }
        }
    }
}

const char* const kExampleNames[] = {"Gain", "Filter", "Echo"};

// The loudest output each may give for an input of peak 1: Orke Echo's feedback of at most 95 % sums its
// echoes to at most 20 times the input.
INSTANTIATE_TEST_SUITE_P(Every, Examples,
                         ::testing::Values(std::pair{ORKE_GAIN_PATH, 4.0f},
                                           std::pair{ORKE_FILTER_PATH, 50.0f},
                                           std::pair{ORKE_ECHO_PATH, 20.0f}),
                         [](const auto& info) { return std::string(kExampleNames[info.index]); });

} // namespace
