// What a host sees of both examples through their modules: value strings and labels, and parameters and
// programs changed from a second thread while the audio thread renders (the thread sanitizer watches this).
#include "HostedExample.h"

#include "PropertyExports.h"

#include <atomic>
#include <thread>

namespace {

struct Example {
    const char* path;
    int indexed;                      // the parameter with value strings
    std::vector<std::string> strings; // its values' texts
    std::vector<std::string> labels;  // every parameter's label
    float loudest;                    // no output sample is larger than this times the largest input
};

const Example kExamples[] = {
    {ORKE_GAIN_PATH, 1, {"Normal", "Inverted"}, {"dB", ""}, 4.0f},
    {ORKE_FILTER_PATH, 2, {"Low-pass", "High-pass", "Band-pass"}, {"Hz", "", ""}, 50.0f},
};

class Examples : public ::testing::TestWithParam<Example> {};

TEST_P(Examples, IndexedValuesAreShownAndHandedOutByName) {
    const Example& example = GetParam();
    HostedExample plugin(example.path);
    PluginModule module(example.path); // the same module: dlopen hands back the loaded one
    const auto get = reinterpret_cast<decltype(&AudioUnitGetProperty)>(
        module.Symbol("_Z20AudioUnitGetPropertyP10OrkeAuBasejjjPvPj"));
    ASSERT_NE(get, nullptr);
    auto* object = static_cast<OrkeAuBase*>(plugin.effect->object);
    CFArrayRef strings = nullptr;
    ASSERT_EQ(get(object, kPropertyParameterValueStrings, 0, UInt32(example.indexed), &strings, nullptr), 0);
    ASSERT_EQ(CFArrayGetCount(strings), CFIndex(example.strings.size()));
    for (size_t i = 0; i < example.strings.size(); ++i) {
        const auto string = static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, CFIndex(i)));
        EXPECT_EQ(CFStringGetCStringPtr(string, kCFStringEncodingUTF8), example.strings[i]);
        plugin.SetParameter(example.indexed, float(i) / float(example.strings.size() - 1));
        EXPECT_EQ(plugin.Text(effGetParamDisplay, example.indexed), example.strings[i]);
    }
    CFRelease(strings);
    for (size_t index = 0; index < example.labels.size(); ++index) {
        EXPECT_EQ(plugin.Text(effGetParamLabel, int32_t(index)), example.labels[index]) << index;
    }
}

TEST_P(Examples, ParametersAndProgramsChangeWhileTheAudioThreadRenders) {
    const Example& example = GetParam();
    HostedExample plugin(example.path);
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
    EXPECT_LE(loudest, example.loudest);
}

INSTANTIATE_TEST_SUITE_P(Both, Examples, ::testing::ValuesIn(kExamples),
                         [](const auto& info) { return info.index == 0 ? "Gain" : "Filter"; });

} // namespace
