// An example plug-in loaded from its module and driven through its record as a host drives it: opened, given
// a sample rate, resumed, then fed the same signal on both channels.
#pragma once

#include "BaseHostCallback.h"
#include "Dispatch.h"
#include "EffectOpcodes.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

class HostedExample {
public:
    // blockSize 0: none is told.
    explicit HostedExample(const char* path, float sampleRate = 48000.0f, int32_t blockSize = 0)
        : m_module(path)
        , effect(m_module.Create(orke::BaseHostCallback)) {
        // A module that did not build or load fails the test that wanted it, with the loader's reason.
        if (effect == nullptr) {
            throw std::runtime_error(std::string(path) + ": no effect (" + m_module.Error() + ")");
        }
        Dispatch(effect, effOpen);
        Dispatch(effect, effSetSampleRate, 0, 0, nullptr, sampleRate);
        if (blockSize > 0) {
            Dispatch(effect, effSetBlockSize, 0, blockSize);
        }
        Dispatch(effect, effMainsChanged, 0, 1);
    }
    ~HostedExample() { Dispatch(effect, effClose); }

    void SetProgram(int program) { Dispatch(effect, effSetProgram, 0, program); }
    void SetParameter(int index, float normalised) { effect->setParameter(effect, index, normalised); }
    // `input` through both channels in blocks of `block` frames; channel 0's output. Both channels must agree
    // unless the parameters may change meanwhile.
    std::vector<float> Render(const std::vector<float>& input, size_t block = 256,
                              bool channelsAgree = true) {
        std::vector<float> left(input.size()), right(input.size());
        for (size_t start = 0; start < input.size(); start += block) {
            float* in = const_cast<float*>(input.data()) + start;
            float* inputs[2] = {in, in};
            float* outputs[2] = {left.data() + start, right.data() + start};
            effect->processReplacing(effect, inputs, outputs, int32_t(std::min(block, input.size() - start)));
        }
        EXPECT_TRUE(!channelsAgree || left == right) << "the two channels differ";
        return left;
    }

private:
    orke::PluginModule m_module;

public:
    AEffect* effect;
};

inline std::vector<float> Sine(double frequency, double sampleRate, size_t frames) {
    std::vector<float> signal(frames);
    for (size_t k = 0; k < frames; ++k) {
        signal[k] = float(std::sin(2.0 * M_PI * frequency * double(k) / sampleRate));
    }
    return signal;
}
