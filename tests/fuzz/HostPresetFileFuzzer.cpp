// orke-host's program and bank file reader, both forms: a file it reads is written back and read again to the
// same bytes, and what `orke-host preset show` says of it is made. Besides the sanitizers' findings it fails
// when a file it read does not survive being written, or an error is not one line.
#include "FuzzSupport.h"
#include "PresetFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <string>

namespace {

// The bytes read from a file in memory as `preset show` reads any file, and described: the same verdict as
// from the bytes themselves.
void show(const uint8_t* data, size_t size, bool parsed) {
    static const int descriptor = memfd_create("preset", 0);
    check(descriptor >= 0 && ftruncate(descriptor, 0) == 0 &&
          pwrite(descriptor, data, size, 0) == static_cast<ssize_t>(size));
    orke::host::PresetFile preset;
    std::string error;
    const bool read = ReadPresetFile("/proc/self/fd/" + std::to_string(descriptor), preset, error);
    check(read == parsed);
    if (read) {
        const std::string text = DescribePresetFile(preset);
        check(!text.empty() && text.back() == '\n');
    } else {
        checkReason(error);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orke::host;
    PresetFile preset;
    std::string error;
    const bool parsed = ParsePresetFile(data, size, preset, error);
    show(data, size, parsed);
    if (!parsed) {
        checkReason(error);
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
