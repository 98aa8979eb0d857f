// orke-host process reading an audio file it did not write: the input is the file IN, rendered through a
// plain stereo effect (FuzzedPlugin.cpp with an empty script) into OUT. Besides the sanitizers' findings it
// fails when a render that fails leaves OUT behind or does not say why in its last line.
#include "Commands.h"
#include "FuzzedPluginRun.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

FuzzedPluginScript g_script = nullptr;
std::string g_folder;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_script = LoadFuzzedPluginScript();
    g_folder = MakeScratchFolder("orke-audio-file");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_script(nullptr, 0);
    const std::string in = g_folder + "/in", out = g_folder + "/out.wav";
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::string words[] = {"process", "--block", "256", FUZZED_PLUGIN_PATH, in, out};
    char* argv[] = {words[0].data(), words[1].data(), words[2].data(), words[3].data(),
                    words[4].data(), words[5].data(), nullptr};
    std::ostringstream outText, errText;
    const int status = orke::host::RunProcess(6, argv, outText, errText);
    const std::string err = errText.str();
    check(status == 0 || (err.size() > 1 && err.back() == '\n'));
    check((access(out.c_str(), F_OK) == 0) == (status == 0));
    std::filesystem::remove(out);
    return 0;
}
