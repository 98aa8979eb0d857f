// orke-host process reading an audio file it did not write: the input is the file IN, rendered through a
// plain stereo effect (FuzzedPlugin.cpp with an empty script) into OUT. Besides the sanitizers' findings it
// fails when a render that fails leaves OUT behind or does not say why in its last line.
#include "Commands.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

FuzzedPluginScript g_script = nullptr;
std::string g_folder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_script = LoadFuzzedPluginScript(FUZZED_PLUGIN_PATH);
    g_folder = MakeScratchFolder("orke-audio-file");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_script(nullptr, 0);
    const std::string in = g_folder + "/in", out = g_folder + "/out.wav";
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const int status =
        RunCommand(orke::host::RunProcess, {"process", "--block", "256", FUZZED_PLUGIN_PATH, in, out}).status;
    check((access(out.c_str(), F_OK) == 0) == (status == 0));
    std::filesystem::remove(out);
    return 0;
}
