// A plug-in on the framework for its tests: recording kernels, value strings for the Mode row, a
// configurable answer to the display-string property and one property that can be set.
#pragma once

#include "OrkeAuBase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct KernelCall {
    int kernel; // the kernel's channel
    const float* source;
    float* destination;
    unsigned long frames, channels;
    // What the kernel read before processing: whether parameters changed, the Level row, its sample rate,
    // and how often it had been reset.
    bool changed;
    float level, sampleRate;
    int resets;
};

class RecordingKernel : public AUKernelBase {
public:
    RecordingKernel(OrkeAuBase* owner, std::vector<KernelCall>& calls, int channel)
        : AUKernelBase(owner)
        , m_calls(calls)
        , m_channel(channel) {}
    void Process(const float* source, float* destination, unsigned long frames, unsigned long channels,
                 bool&) override {
        const bool changed = ParametersChanged();
        m_calls.push_back({m_channel, source, destination, frames, channels, changed, GetParameter(kRowLevel),
                           GetSampleRate(), m_resets});
    }
    void Reset() override { ++m_resets; }

private:
    std::vector<KernelCall>& m_calls;
    int m_channel;
    int m_resets = 0;
};

class TestEffect : public OrkeAuBase {
public:
    static constexpr UInt32 kSettableProperty = 1000;

    // Makes `outputs` kernels, or only `kernelsMade` of them when NewKernel answers null after that many.
    explicit TestEffect(audioMasterCallback host = nullptr, int32_t outputs = 2, int kernelsMade = -1)
        : OrkeAuBase(host, 8, OrkeProgramBasic::Factory)
        , m_kernelsLeft(kernelsMade) {
        setNumInputs(outputs);
        setNumOutputs(outputs);
        AddKernels();
    }
    ~TestEffect() override {
        for (CFTypeRef object : handedOut) {
            EXPECT_EQ(CFGetRetainCount(object), 1) << "a string or array handed out was not released";
            CFRelease(object);
        }
    }

    AUKernelBase* NewKernel() override {
        return m_kernelsLeft-- == 0 ? nullptr : new RecordingKernel(this, kernelCalls, int(m_kernels.size()));
    }
    OSStatus GetParameterValueStrings(UInt32, UInt32 parameterID, CFArrayRef* outStrings) override {
        if (parameterID != kRowMode || valueStrings.empty()) {
            return kErrInvalidParameter;
        }
        if (outStrings != nullptr) {
            std::vector<CFStringRef> strings;
            for (const std::string& text : valueStrings) {
                strings.push_back(CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8));
            }
            *outStrings = CFArrayCreate(nullptr, reinterpret_cast<const void**>(strings.data()),
                                        static_cast<CFIndex>(strings.size()), &kCFTypeArrayCallBacks);
            for (CFStringRef string : strings) {
                CFRelease(string); // the array holds them now
            }
            handedOut.push_back(CFRetain(*outStrings));
        }
        return noErr;
    }
    // With a display text set, the display-string property answers it ("": success without a string).
    OSStatus GetProperty(UInt32 property, UInt32 scope, UInt32 element, void* data) override {
        if (property != kPropertyParameterStringFromValue || displayText == nullptr) {
            return OrkeAuBase::GetProperty(property, scope, element, data);
        }
        if (*displayText != '\0') {
            auto& answer = static_cast<ParameterStringFromValue*>(data)->outString;
            answer = CFStringCreateWithCString(nullptr, displayText, kCFStringEncodingUTF8);
            handedOut.push_back(CFRetain(answer));
        }
        return noErr;
    }
    OSStatus SetProperty(UInt32 property, UInt32, UInt32, const void*, UInt32) override {
        return property == kSettableProperty ? OSStatus(noErr) : OSStatus(kErrInvalidProperty);
    }
    OSStatus Initialize() override { return noErr; }
    void Cleanup() override {}
    SInt32 Version() override { return 1; }

    OrkeProgram* Program(int32_t number) const { return m_programs[number]; }

    std::vector<std::string> valueStrings{"Low", "Mid", "High"}; // of the Mode row; none when empty
    const char* displayText = nullptr;
    std::vector<CFTypeRef> handedOut; // each with one reference of ours, so that the receiver's release shows
    std::vector<KernelCall> kernelCalls;

private:
    int m_kernelsLeft;
};
