// Drives the record's entries with whatever a careless host might send: any opcode, index and value, floats
// that are not numbers, infinite or denormal, ptr null or a zeroed 4 KiB buffer, blocks of up to 4096
// frames. Each input is one session, from the entry to the close request. Besides the sanitizers' findings
// it fails when a text overruns its field or a block does not come through unchanged.
#include "BaseHostCallback.h"
#include "EffectOpcodes.h"
#include "EffectRecord.h"
#include "FuzzSupport.h"
#include "PluginEntry.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kBufferSize = 4096;
constexpr int32_t kMaxFrames = 4096;

template <typename T, size_t N>
T pick(FuzzedDataProvider& in, const T (&choices)[N], T raw) {
    return in.ConsumeBool() ? choices[in.ConsumeIntegralInRange<size_t>(0, N - 1)] : raw;
}

float anyFloat(FuzzedDataProvider& in) {
    static const float kOdd[] = {NAN,         -NAN,    INFINITY, -INFINITY, FLT_TRUE_MIN, -FLT_TRUE_MIN,
                                 FLT_MIN / 4, 0.0f,    -0.0f,    0.5f,      1.0f,         -1.0f,
                                 1.5f,        FLT_MAX, -FLT_MAX, 1e30f,     2147483648.0f};
    const uint32_t bits = in.ConsumeIntegral<uint32_t>();
    float raw;
    std::memcpy(&raw, &bits, sizeof(raw));
    return pick(in, kOdd, raw);
}

int32_t anyIndex(FuzzedDataProvider& in) {
    static const int32_t kOdd[] = {INT32_MIN, -1, 0, 1, 7, 8, 255, 256, INT32_MAX};
    return pick(in, kOdd, in.ConsumeIntegral<int32_t>());
}

intptr_t anyValue(FuzzedDataProvider& in) {
    static const intptr_t kOdd[] = {INTPTR_MIN, INT32_MIN, -1, 0, 1, 7, 8, 4096, INT32_MAX, INTPTR_MAX};
    return pick(in, kOdd, in.ConsumeIntegral<intptr_t>());
}

// The widths of the text fields the plug-in writes into; nothing may reach beyond them.
size_t textField(int32_t opcode) {
    static const std::pair<int32_t, size_t> kFields[] = {
        {effGetProgramName, 24},  {effGetParamDisplay, 24},  {effGetProgramNameIndexed, 24},
        {effGetParamLabel, 8},    {effGetParamName, 16},     {effGetEffectName, 32},
        {effGetVendorString, 64}, {effGetProductString, 64}, {effShellGetNextPlugin, 64},
        {effGetErrorText, 256}};
    const auto* found = std::find_if(std::begin(kFields), std::end(kFields),
                                     [opcode](const auto& f) { return f.first == opcode; });
    return found != std::end(kFields) ? found->second : 0;
}

void dispatch(AEffect* effect, FuzzedDataProvider& in, std::vector<char>& buffer) {
    const int32_t opcode = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-2, 82) : anyIndex(in);
    if (opcode == effClose) {
        return; // the session's end, see below
    }
    const int32_t index = anyIndex(in);
    intptr_t value = anyValue(in);
    if (opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement) {
        // These take a pointer in value; a host sends a real one or none.
        value = in.ConsumeBool() ? reinterpret_cast<intptr_t>(buffer.data()) : 0;
    }
    const size_t field = textField(opcode);
    std::fill(buffer.begin(), buffer.end(), 0);
    if (field == 0 && in.ConsumeBool()) { // a text, for the requests that read one
        const std::string text = in.ConsumeRandomLengthString(kBufferSize - 1);
        std::memcpy(buffer.data(), text.data(), text.size());
    }
    void* ptr = in.ConsumeBool() ? buffer.data() : nullptr;
    effect->dispatcher(effect, opcode, index, value, ptr, anyFloat(in));

    check(ptr == nullptr || field == 0 ||
          (std::memchr(buffer.data(), '\0', field) != nullptr &&
           std::all_of(buffer.begin() + static_cast<ptrdiff_t>(field), buffer.end(),
                       [](char c) { return c == 0; })));
}

void process(AEffect* effect, FuzzedDataProvider& in) {
    const int32_t frames =
        in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, kMaxFrames) : anyIndex(in);
    const size_t size = frames > 0 && frames <= kMaxFrames ? static_cast<size_t>(frames) : 1;
    std::vector<float> in0(size), in1(size), out0(size, 7.0f), out1(size, 7.0f);
    const float odd = anyFloat(in), other = anyFloat(in);
    for (size_t k = 0; k < size; ++k) {
        in0[k] = k % 3 == 0 ? odd : static_cast<float>(k) * 0.001f;
        in1[k] = k % 2 == 0 ? other : -odd;
    }
    const std::vector<float> original[2] = {in0, in1};
    float* inputs[2] = {in0.data(), in1.data()};
    float* separate[2] = {out0.data(), out1.data()};
    float** outputs = in.ConsumeBool() ? inputs : separate; // in place or not
    if (frames > kMaxFrames) {
        return; // larger than any buffer here: a host never sends more than it holds
    }
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        effect->processReplacing(effect, inputs, outputs, frames);
        for (int c = 0; c < 2; ++c) {
            check(frames <= 0 || std::memcmp(outputs[c], original[c].data(), sizeof(float) * size) == 0);
        }
        break;
    case 1:
        effect->processReplacing(effect, in.ConsumeBool() ? nullptr : inputs, nullptr, frames);
        break;
    case 2:
        effect->process(effect, inputs, outputs, frames);
        break;
    default: {
        std::vector<double> d0(size), d1(size);
        double* channels[2] = {d0.data(), d1.data()};
        effect->processDoubleReplacing(effect, channels, channels, frames);
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    AEffect* effect = VSTPluginMain(orke::BaseHostCallback); // null would be a finding at its first use
    std::vector<char> buffer(kBufferSize);
    for (int step = 0; step < 512 && in.remaining_bytes() > 0; ++step) {
        const int action = in.ConsumeIntegralInRange<int>(0, 4);
        if (action <= 1) {
            dispatch(effect, in, buffer);
        } else if (action == 2) {
            effect->setParameter(effect, anyIndex(in), anyFloat(in));
        } else if (action == 3) {
            effect->getParameter(effect, anyIndex(in));
        } else {
            process(effect, in);
        }
    }
    check(effect->dispatcher(effect, effClose, anyIndex(in), anyValue(in), nullptr, anyFloat(in)) == 1);
    return 0;
}
