// Program and bank files, the interface's published preset formats, read from and written to bytes. Every
// field is big-endian whatever the processor. A file holds either a plug-in's parameter values (the parameter
// form) or the opaque chunk the plug-in hands out (the chunk form).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orke::host {

inline constexpr size_t kPresetNameSize = 28; // a program name's field, NUL-padded

struct ProgramValues {
    std::string name;              // at most 27 characters are kept
    std::vector<float> parameters; // normalised, 0 to 1
};

struct PresetFile {
    bool bank = false;      // a bank of programs, or one program
    bool chunkForm = false; // `chunk` holds the settings, or the parameter values do
    int32_t formatVersion = 1;
    int32_t uniqueId = 0;
    int32_t pluginVersion = 0;
    int32_t parameterCount = 0;          // a program file's, as written (also in the chunk form)
    int32_t programCount = 0;            // a bank's, as written (also in the chunk form)
    int32_t currentProgram = -1;         // a version-2 bank's current program; -1 when the file names none
    ProgramValues program;               // a program file's name (both forms) and values (parameter form)
    std::vector<ProgramValues> programs; // a parameter-form bank's programs
    std::vector<uint8_t> chunk;          // the chunk form's chunk
};

// Reads a program or bank file from `size` bytes at `data`. No count or size in the file is trusted beyond
// the bytes that are there. False, with a one-line reason in `error`, for anything else than a sound file:
// values outside 0 to 1 included.
bool ParsePresetFile(const uint8_t* data, size_t size, PresetFile& preset, std::string& error);

// The file's bytes. A parameter-form bank is written as version 2 when it names a current program.
std::vector<uint8_t> WritePresetFile(const PresetFile& preset);

// Reads and parses the file at `path`. False, with a one-line reason naming it, when it cannot be read or is
// not a sound program or bank file.
bool ReadPresetFile(const std::string& path, PresetFile& preset, std::string& error);

// What the file holds, for people: program or bank, form, plug-in ID and version on the first line, then the
// names and values, each line ended.
std::string DescribePresetFile(const PresetFile& preset);

} // namespace orke::host
