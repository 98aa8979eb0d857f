// A plug-in loaded from its VST 2.4 module and driven through its record as a host drives it: opened, given a
// sample rate (and a block size when told one), resumed, then fed blocks with their MIDI messages; the host
// answers audioMasterGetTime with the transport it was given, moved on by every block.
#pragma once

#include "BaseHostCallback.h"
#include "Dispatch.h"
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "MidiEvents.h"
#include "PluginModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

using Channels = std::vector<std::vector<float>>;

class HostedPlugin {
public:
    // blockSize 0: none is told.
    explicit HostedPlugin(const char* path, float sampleRate = 48000.0f, int32_t blockSize = 0)
        : m_module(path)
        , effect(m_module.Create(Callback)) {
        // A module that did not build or load fails the test that wanted it, with the loader's reason.
        if (effect == nullptr) {
            throw std::runtime_error(std::string(path) + ": no effect (" + m_module.Error() + ")");
        }
        effect->user = this;
        Dispatch(effect, effOpen);
        Dispatch(effect, effSetSampleRate, 0, 0, nullptr, sampleRate);
        if (blockSize > 0) {
            Dispatch(effect, effSetBlockSize, 0, blockSize);
        }
        Dispatch(effect, effMainsChanged, 0, 1);
    }
    ~HostedPlugin() {
        Dispatch(effect, effMainsChanged, 0, 0);
        Dispatch(effect, effClose);
    }
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    void SetProgram(int program) { Dispatch(effect, effSetProgram, 0, program); }
    void SetParameter(int index, float normalised) { effect->setParameter(effect, index, normalised); }
    // The transport every following block is given; the sample and quarter-note positions move on with it.
    void SetTime(const VstTimeInfo& time) {
        m_time = time;
        m_hasTime = true;
    }
    // The real value the module's own mapping gives parameter `index` at `normalised`.
    float RealValue(uint32_t index, float normalised) const {
        using Mapping = float (*)(float, const void*);
        const auto fromLinear = reinterpret_cast<Mapping>(m_module.Symbol("AUParameterValueFromLinear"));
        const uint32_t reference[4] = {0, index, 0, 0};
        EXPECT_NE(fromLinear, nullptr) << "no AUParameterValueFromLinear";
        return fromLinear != nullptr ? fromLinear(normalised, reference) : 0.0f;
    }

    // The two channels of `input` through the plug-in in blocks of `block` frames (no inputs for a plug-in
    // without any), each message sent with the block that holds its frame; the two outputs.
    Channels Play(const Channels& input, size_t block = 256, const std::vector<Message>& messages = {}) {
        const size_t length = input.at(0).size();
        Channels output(2, std::vector<float>(length));
        MidiEvents events;
        size_t next = 0;
        for (size_t start = 0; start < length; start += block) {
            const size_t frames = std::min(block, length - start);
            events.Clear();
            for (; next < messages.size() && messages[next].frame < long(start + frames); ++next) {
                const Message& m = messages[next];
                events.Add(int32_t(m.frame - long(start)), m.status, m.data1, m.data2);
            }
            if (!events.Empty()) {
                Dispatch(effect, effProcessEvents, 0, 0, events.List());
            }
            float* inputs[2] = {const_cast<float*>(input[0].data()) + start,
                                const_cast<float*>(input.at(1).data()) + start};
            float* outputs[2] = {output[0].data() + start, output[1].data() + start};
            effect->processReplacing(effect, effect->numInputs > 0 ? inputs : nullptr, outputs,
                                     int32_t(frames));
            if (m_hasTime && (m_time.flags & kVstTransportPlaying) != 0) {
                m_time.samplePos += double(frames);
                m_time.ppqPos += double(frames) * m_time.tempo / (60.0 * m_time.sampleRate);
            }
        }
        return output;
    }
    // `input` through both channels; channel 0's output. Both channels must agree unless the parameters may
    // change meanwhile.
    std::vector<float> Render(const std::vector<float>& input, size_t block = 256,
                              bool channelsAgree = true) {
        const Channels output = Play({input, input}, block);
        EXPECT_TRUE(!channelsAgree || output[0] == output[1]) << "the two channels differ";
        return output[0];
    }

private:
    static intptr_t Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                             float opt) {
        auto* host = effect != nullptr ? static_cast<HostedPlugin*>(effect->user) : nullptr;
        if (opcode == audioMasterGetTime) {
            return host != nullptr && host->m_hasTime ? reinterpret_cast<intptr_t>(&host->m_time) : 0;
        }
        return orke::BaseHostCallback(effect, opcode, index, value, ptr, opt);
    }

    orke::PluginModule m_module;
    VstTimeInfo m_time{};
    bool m_hasTime = false;

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
