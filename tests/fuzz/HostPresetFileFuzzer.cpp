// orke-host's program and bank file reader, both forms: a file it reads is written back and read again to the
// same bytes, and `orke-host preset show` describes it. Besides the sanitizers' findings it fails when a file
// it read does not survive being written, or an error is not one line.
#include "Commands.h"
#include "PresetFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool oneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == text.size() - 1;
}

// `preset show` on the bytes, read from a file in memory as the command reads any file.
void show(const uint8_t* data, size_t size, bool parsed) {
    static const int descriptor = memfd_create("preset", 0);
    check(descriptor >= 0 && ftruncate(descriptor, 0) == 0 &&
          pwrite(descriptor, data, size, 0) == static_cast<ssize_t>(size));
    std::string path = "/proc/self/fd/" + std::to_string(descriptor);
    char command[] = "preset", action[] = "show";
    char* argv[] = {command, action, path.data(), nullptr};
    std::ostringstream out, err;
    const int status = orke::host::RunPreset(3, argv, out, err);
    check(parsed ? status == 0 && err.str().empty() : status == 1 && out.str().empty() && oneLine(err.str()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orke::host;
    PresetFile preset;
    std::string error;
    const bool parsed = ParsePresetFile(data, size, preset, error);
    check(parsed || (!error.empty() && error.find('\n') == std::string::npos));
    show(data, size, parsed);
    if (!parsed) {
        return 0;
    }
    // Written and read back, a file settles: names are cut to what the field holds, and the current
    // program a bank names is kept only when it is one of its programs, after one round.
    const std::vector<uint8_t> once = WritePresetFile(preset);
    PresetFile again;
    check(ParsePresetFile(once.data(), once.size(), again, error));
    const std::vector<uint8_t> twice = WritePresetFile(again);
    check(once == twice);
    check(again.bank == preset.bank && again.chunkForm == preset.chunkForm && again.chunk == preset.chunk &&
          again.uniqueId == preset.uniqueId && again.programs.size() == preset.programs.size());
    return 0;
}
