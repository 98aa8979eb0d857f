// Orke Synth's sound parts on their own, for what its module's output shows poorly: the envelope's stages
// last their times to the frame at every rate, the rounded jumps keep the aliases down against the naive
// shapes, and the low-pass stays bounded at every cutoff, resonance and rate while its envelope sweeps it.
#include "Envelope.h"
#include "Oscillator.h"
#include "SynthVoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

// Attack 10 ms to 1, decay 100 ms to the sustain, release 250 ms to 0: each ends on its level at the frame
// its time gives, and not a frame sooner.
TEST(SynthEnvelope, StagesLastTheirTimesAtEveryRate) {
    for (const double rate : {8000.0, 44100.0, 96000.0, 192000.0}) {
        Envelope envelope;
        envelope.SetTimes(0.01, 0.1, 0.25, rate);
        envelope.Start();
        const auto attack = long(std::lround(0.01 * rate)), decay = long(std::lround(0.1 * rate)),
                   release = long(std::lround(0.25 * rate));
        std::vector<double> levels;
        for (long k = 0; k < attack + decay + 100; ++k) {
            levels.push_back(envelope.Next(0.5));
        }
        EXPECT_GT(levels[0], 0.0) << rate << " Hz: the first frame already sounds";
        EXPECT_LT(levels[size_t(attack - 2)], 1.0) << rate << " Hz";
        EXPECT_EQ(levels[size_t(attack - 1)], 1.0) << rate << " Hz: the top at the attack's last frame";
        EXPECT_GT(levels[size_t(attack + decay - 2)], 0.5) << rate << " Hz";
        EXPECT_EQ(levels[size_t(attack + decay - 1)], 0.5) << rate << " Hz: the sustain at the decay's end";
        envelope.Release();
        for (long k = 0; k < release - 1; ++k) {
            ASSERT_GT(envelope.Next(0.5), 0.0) << rate << " Hz: release frame " << k;
        }
        EXPECT_EQ(envelope.Next(0.5), 0.0) << rate << " Hz: 0 at the release's last frame";
        EXPECT_TRUE(envelope.IsIdle()) << rate << " Hz";
    }
}

// What is not a harmonic, in dB of the whole, each harmonic's power taken by one bin of a discrete Fourier
// transform: a second of 3001 Hz at 48 kHz puts every harmonic and every alias on a bin of its own.
double AliasDecibels(const std::vector<double>& x, double frequency, double rate) {
    double total = 0.0, harmonics = 0.0;
    for (const double v : x) {
        total += v * v / double(x.size());
    }
    for (double f = frequency; f < rate / 2.0; f += frequency) {
        std::complex<double> sum = 0.0;
        for (size_t k = 0; k < x.size(); ++k) {
            sum += x[k] * std::polar(1.0, -2.0 * M_PI * f * double(k) / rate);
        }
        harmonics += 2.0 * std::norm(sum) / double(x.size() * x.size());
    }
    return 10.0 * std::log10((total - harmonics) / total);
}

TEST(SynthOscillator, RoundedJumpsKeepAliasesDown) {
    constexpr double kRate = 48000.0, kFrequency = 3001.0;
    for (const auto& [wave, name] :
         {std::pair{kWaveSaw, "saw"}, {kWaveSquare, "square"}, {kWaveTriangle, "triangle"}}) {
        Oscillator oscillator;
        std::vector<double> rounded, naive;
        double t = Oscillator::kStartPhase;
        for (int k = 0; k < int(kRate); ++k) {
            rounded.push_back(oscillator.Next(wave, kFrequency / kRate, 0.5));
            naive.push_back(wave == kWaveSaw      ? 2.0 * t - 1.0
                            : wave == kWaveSquare ? (t < 0.5 ? 1.0 : -1.0)
                                                  : (t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t));
            t = std::fmod(t + kFrequency / kRate, 1.0);
        }
        const double ours = AliasDecibels(rounded, kFrequency, kRate);
        const double theirs = AliasDecibels(naive, kFrequency, kRate);
        EXPECT_LT(ours, theirs - 12.0)
            << name << ": aliases at " << ours << " dB, the naive shape's at " << theirs;
    }
}

// Noise and a saw through the low-pass, its envelope throwing the cutoff ten octaves either way and the key
// tracking it double, at the extremes of key, resonance and rate: every sample finite and bounded.
TEST(SynthLowPass, StaysBoundedAtEverySettingAndRate) {
    for (const double rate : {8000.0, 44100.0, 192000.0}) {
        for (const float resonance : {0.0f, 1.0f}) {
            for (const float octaves : {-10.0f, 10.0f}) {
                SynthSettings settings;
                settings.noise = 1.0f;
                settings.cutoff = octaves > 0 ? 20.0f : 20000.0f;
                settings.resonance = resonance;
                settings.envelopeOctaves = octaves;
                settings.keyTracking = 2.0f;
                settings.filterAttack = 0.01f;
                settings.filterDecay = 0.02f;
                settings.filterSustain = 0.5f;
                OrkeVoices<SynthVoice> voices(2, settings);
                voices.SetSampleRate(rate);
                std::vector<float> out(size_t(rate / 4));
                float* outputs[1] = {out.data()};
                float largest = 0.0f;
                for (const int key : {0, 127}) {
                    voices.NoteOn(key, 127);
                    std::fill(out.begin(), out.end(), 0.0f);
                    voices.Render(outputs, 1, 0, int32_t(out.size()));
                    voices.NoteOff(key);
                    for (const float v : out) {
                        ASSERT_TRUE(std::isfinite(v))
                            << rate << " Hz, key " << key << ", resonance " << resonance;
                        largest = std::max(largest, std::fabs(v));
                    }
                }
                EXPECT_LT(largest, 20.0f)
                    << rate << " Hz, resonance " << resonance << ", " << octaves << " octaves";
            }
        }
    }
}

} // namespace
