#include "AudioFiles.h"

#include "ToolRun.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace orke::host;

TEST(AudioFiles, FormatNamesKeepTheInputsSampleFormatWhereTheyCan) {
    const int pcm24Wav = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    const int floatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    struct Case {
        const char* text;
        int input;
        int format; // 0: refused
    };
    const Case cases[] = {
        {"aiff", pcm24Wav, SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
        {"flac", floatWav, SF_FORMAT_FLAC | SF_FORMAT_PCM_24}, // flac holds no floats
        {"ogg", pcm24Wav, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {"wav:double", pcm24Wav, SF_FORMAT_WAV | SF_FORMAT_DOUBLE},
        {"wav:pcm99", pcm24Wav, 0},
        {"mp9", pcm24Wav, 0},
        {"flac:float", pcm24Wav, 0},
    };
    for (const Case& c : cases) {
        int format = 0;
        std::string error;
        EXPECT_EQ(ParseFormat(c.text, c.input, format, error), c.format != 0) << c.text << ": " << error;
        if (c.format != 0) {
            EXPECT_EQ(format, c.format) << c.text << " is " << FormatText(format);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(AudioFiles, OutputAppearsOnlyWhenCommitted) {
    ScratchFolder folder;
    const std::string path = folder.Path("out.wav");
    const float frame[2] = {0.5f, -0.5f};
    std::string error;
    {
        auto output = OutputFile::Create(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, error);
        ASSERT_NE(output, nullptr) << error;
        EXPECT_TRUE(output->Write(frame, 1, error));
        EXPECT_EQ(folder.Files().size(), 1u) << "the temporary file, under another name";
        EXPECT_NE(access(path.c_str(), F_OK), 0);
    }
    EXPECT_TRUE(folder.Files().empty()) << "dropped without a commit: nothing is left";
    auto output = OutputFile::Create(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, error);
    ASSERT_NE(output, nullptr);
    EXPECT_TRUE(output->Write(frame, 1, error));
    EXPECT_TRUE(output->Commit(error)) << error;
    output.reset();
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"out.wav"});
    auto input = InputFile::Open(path, error);
    ASSERT_NE(input, nullptr) << error;
    EXPECT_EQ(input->Info().frames, 1);

    EXPECT_EQ(
        OutputFile::Create(folder.Path("x.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 100000, 44100, error),
        nullptr);
    EXPECT_NE(error.find("cannot hold 100000 channels"), std::string::npos) << error;
    EXPECT_EQ(InputFile::Open(folder.Path(""), error), nullptr);
    EXPECT_NE(error.find("it is a folder"), std::string::npos) << error;
}
