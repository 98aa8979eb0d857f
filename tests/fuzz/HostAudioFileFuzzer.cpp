// orke-host reading an audio file it did not write: the input is the file IN, read block by block as a render
// feeds it to a plug-in's inputs and written into OUT in the format OUT's name and IN's format give. Besides
// the sanitizers' findings it fails when a read or write that fails leaves OUT or its temporary file behind,
// or does not say why in one line.
#include "AudioFiles.h"
#include "FuzzSupport.h"
#include "InputFeed.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace orke::host;

std::string g_folder;
constexpr int32_t kBlock = 256;

// IN through to OUT; false, with a one-line reason, where it stopped.
bool copyThrough(const std::string& in, const std::string& out, std::string& error) {
    auto input = InputFile::Open(in, error);
    if (!input) {
        return false;
    }
    const SF_INFO info = input->Info();
    check(info.channels > 0 && info.samplerate > 0);
    int format = 0;
    if (!FormatForPath(out, info.format, format, error)) {
        return false;
    }
    auto output = OutputFile::Create(out, format, info.channels, info.samplerate, error);
    if (!output) {
        return false;
    }
    std::vector<std::vector<float>> channels(static_cast<size_t>(info.channels), std::vector<float>(kBlock));
    std::vector<float*> pointers;
    for (auto& channel : channels) {
        pointers.push_back(channel.data());
    }
    std::vector<float> interleaved(channels.size() * kBlock);
    InputFeed feed(std::move(input), 0, kBlock);
    for (int64_t got = kBlock; got == kBlock;) {
        got = feed.Fill(pointers.data(), kBlock);
        check(got >= 0 && got <= kBlock);
        for (int64_t i = 0; i < got; ++i) {
            for (size_t c = 0; c < channels.size(); ++c) {
                interleaved[static_cast<size_t>(i) * channels.size() + c] =
                    channels[c][static_cast<size_t>(i)];
            }
        }
        if (got > 0 && !output->Write(interleaved.data(), got, error)) {
            return false;
        }
    }
    return output->Commit(error);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_folder = MakeScratchFolder("orke-audio-file");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = g_folder + "/in", out = g_folder + "/out.wav";
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::string error;
    const bool copied = copyThrough(in, out, error);
    if (!copied) {
        checkReason(error);
    }
    check(std::filesystem::exists(out) == copied);
    std::filesystem::remove(out);
    check(std::distance(std::filesystem::directory_iterator(g_folder), {}) == 1); // IN alone
    return 0;
}
