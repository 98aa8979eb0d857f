// An audio file feeding some of a render's input channels block by block, with silence after its end.
#pragma once

#include "AudioFiles.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orke::host {

class InputFeed {
public:
    // The file's channels go to channels `firstChannel` on; blocks are at most `block` frames. A null file
    // feeds nothing.
    InputFeed(std::unique_ptr<InputFile> file, int32_t firstChannel, int32_t block);

    InputFeed(const InputFeed&) = delete;
    InputFeed& operator=(const InputFeed&) = delete;

    int32_t Channels() const { return m_channels; }
    // Fills the first `frames` frames of its channels among `channels`; the frames it read from the file.
    int64_t Fill(float* const* channels, int32_t frames);

private:
    std::unique_ptr<InputFile> m_file;
    int32_t m_first;
    int32_t m_channels;
    std::vector<float> m_interleaved;
    bool m_ended = false;
};

} // namespace orke::host
