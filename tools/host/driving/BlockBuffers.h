// The channel buffers of one block and their pointer arrays, as the process entry takes them. A plug-in
// without inputs still gets an array holding one silent channel, never a null one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace orke::host {

struct BlockBuffers {
    BlockBuffers(int32_t inputs, int32_t outputs, int32_t frames)
        : input(static_cast<size_t>(std::max(inputs, 1)), std::vector<float>(static_cast<size_t>(frames)))
        , output(static_cast<size_t>(outputs), std::vector<float>(static_cast<size_t>(frames))) {
        for (auto& channel : input) {
            inputPointers.push_back(channel.data());
        }
        for (auto& channel : output) {
            outputPointers.push_back(channel.data());
        }
    }
    std::vector<std::vector<float>> input;
    std::vector<std::vector<float>> output;
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;
};

} // namespace orke::host
