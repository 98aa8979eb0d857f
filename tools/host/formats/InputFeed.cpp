// Reading an audio file into channel buffers, block by block.
#include "InputFeed.h"

#include <algorithm>

namespace orke::host {

InputFeed::InputFeed(std::unique_ptr<InputFile> file, int32_t firstChannel, int32_t block)
    : m_file(std::move(file))
    , m_first(firstChannel)
    , m_channels(m_file ? m_file->Info().channels : 0)
    , m_interleaved(static_cast<size_t>(block) * static_cast<size_t>(m_channels)) {}

int64_t InputFeed::Fill(float* const* channels, int32_t frames) {
    int64_t got = 0;
    if (m_file && !m_ended) {
        got = m_file->Read(m_interleaved.data(), frames);
        m_ended = got < frames;
    }
    for (int32_t c = 0; c < m_channels; ++c) {
        float* channel = channels[m_first + c];
        for (int64_t i = 0; i < got; ++i) {
            channel[i] = m_interleaved[static_cast<size_t>(i * m_channels + c)];
        }
        std::fill(channel + got, channel + frames, 0.0f);
    }
    return got;
}

} // namespace orke::host
