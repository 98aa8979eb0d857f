// Orke Filter through its module's record: the magnitude of each filter type below, at and above its cutoff
// against the analogue prototype it is transformed from, DC through the low-pass, and memories cleared when
// the host resumes the plug-in or changes the sample rate.
#include "HostedExample.h"

#include <complex>

namespace {

constexpr double kRate = 48000.0;
constexpr size_t kSettle = 24000; // half a second
constexpr size_t kWindow = 24000; // a whole number of periods of every test frequency

// The magnitude in dB of the output's component at `frequency`, over the window after settling.
double measuredDecibels(HostedExample& filter, double frequency) {
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

TEST(OrkeFilter, EachTypeFollowsItsAnalogueResponseWithinATenthOfADecibel) {
    const struct {
        int program, type;
        double cutoff, q;
    } programs[] = {{0, 0, 2000.0, 0.7071}, {1, 1, 300.0, 0.7071}, {2, 2, 1000.0, 2.0}}; // Warm, Thin, Voice
    for (const auto& p : programs) {
        for (double ratio : {0.1, 1.0, 10.0}) {
            HostedExample filter(ORKE_FILTER_PATH, float(kRate));
            filter.SetProgram(p.program);
            const double frequency = p.cutoff * ratio;
            EXPECT_NEAR(measuredDecibels(filter, frequency),
                        analogueDecibels(p.type, p.cutoff, p.q, frequency), 0.1)
                << "program " << p.program << " at " << frequency << " Hz";
        }
    }
}

TEST(OrkeFilter, LowPassPassesDirectCurrentWhole) {
    HostedExample filter(ORKE_FILTER_PATH, float(kRate));
    filter.SetProgram(0);
    const std::vector<float> output = filter.Render(std::vector<float>(kSettle, 1.0f));
    EXPECT_NEAR(output.back(), 1.0f, 1e-4f);
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
        HostedExample filter(ORKE_FILTER_PATH, float(kRate));
        filter.SetProgram(3); // Resonant
        filter.Render(Sine(800.0, kRate, 4800));
        Dispatch(filter.effect, effMainsChanged, 0, 0);
        Dispatch(filter.effect, c.opcode, 0, c.value, nullptr, c.rate);
        EXPECT_EQ(filter.Render(silence) == silence, c.silent) << c.action;
    }
}

} // namespace
