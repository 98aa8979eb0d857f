// Whole small files as bytes: read with a size limit, and written so that the old file is replaced only by a
// complete new one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orke::host {

// Reads the file at `path`. False, with a one-line reason naming it, when it cannot be read, is a folder or
// is larger than `limit` bytes.
bool ReadFileBytes(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, std::string& error);

// Creates an empty file beside `path` (in its folder, hidden, named after it) with the mode any new file
// gets, to be renamed to `path` once complete, so that the rename stays within one file system. Its
// descriptor, with its name in `temporary`; -1, with a one-line reason naming `path`, when it cannot be made.
int CreateTemporaryBeside(const std::string& path, std::string& temporary, std::string& error);

// Writes `bytes` to a temporary file beside `path` and renames it to `path`. False, with a one-line reason,
// when that fails; no partial file is left then.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

} // namespace orke::host
