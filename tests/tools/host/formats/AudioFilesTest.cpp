// Audio file formats by name: the input's sample format kept where the named format can hold it.
#include "AudioFiles.h"

#include <gtest/gtest.h>

using namespace orke::host;

TEST(AudioFiles, FormatNamesKeepTheInputsSampleFormatWhereTheyCan) {
    const int pcm24Wav = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    const std::tuple<const char*, int, int> cases[] = {
        // name, input, result (0: refused)
        {"aiff", pcm24Wav, SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
        {"flac", SF_FORMAT_WAV | SF_FORMAT_FLOAT, SF_FORMAT_FLAC | SF_FORMAT_PCM_24}, // flac holds no floats
        {"wav:double", pcm24Wav, SF_FORMAT_WAV | SF_FORMAT_DOUBLE},
        {"flac:float", pcm24Wav, 0},
    };
    for (const auto& [text, input, expected] : cases) {
        int format = 0;
        std::string error;
        EXPECT_EQ(ParseFormat(text, input, format, error), expected != 0) << text << ": " << error;
        EXPECT_TRUE(expected != 0 ? format == expected : !error.empty())
            << text << ": " << FormatText(format);
    }
}
