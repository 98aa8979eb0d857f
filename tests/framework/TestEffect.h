// A plug-in on the framework for its tests: recording kernels, value strings for the Mode row, a
// configurable answer to the display-string property and one property that can be set.
#pragma once

#include "OrkeAuBase.h"

#include <string>
#include <vector>

struct DataToGui {};

struct KernelCall {
    int kernel; // the kernel's channel
    const float* source;
    float* destination;
    unsigned long frames;
    unsigned long channels;
};

class TestEffect : public OrkeAuBase {
public:
    static constexpr UInt32 kSettableProperty = 1000;

    // Makes `outputs` kernels, or only `kernelsMade` of them when NewKernel answers null after that many.
    explicit TestEffect(audioMasterCallback host = nullptr, int32_t outputs = 2, int kernelsMade = -1);
    ~TestEffect() override;

    AUKernelBase* NewKernel() override;
    OSStatus GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) override;
    OSStatus GetProperty(UInt32 property, UInt32 scope, UInt32 element, void* data) override;
    OSStatus SetProperty(UInt32 property, UInt32 scope, UInt32 element, const void* data,
                         UInt32 dataSize) override;
    OSStatus Initialize() override { return noErr; }
    void Cleanup() override {}
    SInt32 Version() override { return 1; }

    using OrkeAuBase::CurrentProgram;
    OrkeProgram* Program(int32_t number) const { return m_programs[number]; }

    // ---- what the tests set and read ----
    std::vector<std::string> valueStrings{"Low", "Mid", "High"}; // of the Mode row; none when empty
    CFArrayRef lastStrings = nullptr; // one reference kept by the test effect, to see the caller's released
    OSStatus displayStatus = kErrInvalidProperty; // the answer to the display-string property
    const char* displayText = nullptr;            // the string it hands out, if any
    CFStringRef lastDisplay = nullptr;            // one reference kept, as above
    ParameterStringFromValue lastRequest{};
    std::vector<KernelCall> kernelCalls;

private:
    int m_kernelsLeft;
};
