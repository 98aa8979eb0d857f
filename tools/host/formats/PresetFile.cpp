// Reading and writing program and bank files, big-endian field by field, and saying what one holds.
#include "PresetFile.h"

#include "CommandLine.h"
#include "EffectNames.h"
#include "FileBytes.h"
#include "FourCharCode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orke::host {
namespace {

// Larger files than this are no plug-in's settings.
constexpr size_t kMaxPresetFileSize = size_t{260} << 20;
constexpr int32_t kFileMagic = orke::fourCharCode("CcnK");
constexpr int32_t kProgramValues = orke::fourCharCode("FxCk");
constexpr int32_t kProgramChunk = orke::fourCharCode("FPCh");
constexpr int32_t kBankValues = orke::fourCharCode("FxBk");
constexpr int32_t kBankChunk = orke::fourCharCode("FBCh");
constexpr size_t kProgramHeaderSize = 56; // up to and with the name
constexpr size_t kBankFutureSize = 128;

class Reader {
public:
    Reader(const uint8_t* data, size_t size)
        : m_data(data)
        , m_size(size) {}
    size_t Left() const { return m_size - m_offset; }
    bool Int(int32_t& value) {
        if (Left() < 4) {
            return false;
        }
        uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) {
            bits = (bits << 8) | m_data[m_offset++];
        }
        value = static_cast<int32_t>(bits);
        return true;
    }
    bool Float(float& value) {
        int32_t bits = 0;
        if (!Int(bits)) {
            return false;
        }
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
    bool Bytes(size_t count, const uint8_t*& at) {
        if (count > Left()) {
            return false;
        }
        at = m_data + m_offset;
        m_offset += count;
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_offset = 0;
};

class Writer {
public:
    void Int(int32_t value) {
        const auto bits = static_cast<uint32_t>(value);
        for (int shift = 24; shift >= 0; shift -= 8) {
            m_bytes.push_back(static_cast<uint8_t>(bits >> shift));
        }
    }
    void Float(float value) {
        int32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        Int(bits);
    }
    void Bytes(const uint8_t* data, size_t count) { m_bytes.insert(m_bytes.end(), data, data + count); }
    void Zeros(size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    void Name(const std::string& name) {
        const size_t kept = std::min(name.size(), kPresetNameSize - 1);
        Bytes(reinterpret_cast<const uint8_t*>(name.data()), kept);
        Zeros(kPresetNameSize - kept);
    }
    // Fills in the byte count of everything after it, at offset 4 of the record that starts at `start`.
    void CloseRecord(size_t start) {
        const auto count = static_cast<uint32_t>(m_bytes.size() - start - 8);
        for (int i = 0; i < 4; ++i) {
            m_bytes[start + 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(count >> (24 - 8 * i));
        }
    }
    size_t Size() const { return m_bytes.size(); }
    std::vector<uint8_t>& Result() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

std::string readName(const uint8_t* field) {
    const void* end = std::memchr(field, '\0', kPresetNameSize);
    return std::string(reinterpret_cast<const char*>(field),
                       end != nullptr ? static_cast<const uint8_t*>(end) - field : kPresetNameSize);
}

bool readValues(Reader& reader, int32_t count, std::vector<float>& values, const std::string& where,
                std::string& error) {
    if (count < 0 || static_cast<size_t>(count) > reader.Left() / 4) {
        error = where + " announces " + std::to_string(count) + " parameters; the file holds fewer";
        return false;
    }
    values.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        float& value = values[static_cast<size_t>(i)];
        reader.Float(value);
        if (!(value >= 0.0f && value <= 1.0f)) { // NaN fails too
            error = where + ": parameter " + std::to_string(i) + " is not a value from 0 to 1";
            return false;
        }
    }
    return true;
}

bool readChunk(Reader& reader, std::vector<uint8_t>& chunk, std::string& error) {
    int32_t size = 0;
    const uint8_t* bytes = nullptr;
    if (!reader.Int(size) || size < 0 || !reader.Bytes(static_cast<size_t>(size), bytes)) {
        error = "the chunk's size runs past the end of the file";
        return false;
    }
    chunk.assign(bytes, bytes + size);
    return true;
}

// A program record's head: magic, byte count, kind, format version, ID, plug-in version, parameter count and
// name.
bool readProgramHead(Reader& reader, int32_t& kind, PresetFile& preset, std::string& error) {
    int32_t magic = 0, byteCount = 0;
    const uint8_t* name = nullptr;
    if (reader.Left() < kProgramHeaderSize) {
        error = "the program record is cut short";
        return false;
    }
    reader.Int(magic);
    reader.Int(byteCount); // not trusted: the reader goes by what the file holds
    reader.Int(kind);
    reader.Int(preset.formatVersion);
    reader.Int(preset.uniqueId);
    reader.Int(preset.pluginVersion);
    reader.Int(preset.parameterCount);
    reader.Bytes(kPresetNameSize, name);
    preset.program.name = readName(name);
    if (magic != kFileMagic) {
        error = "not a program or bank file (no CcnK)";
        return false;
    }
    return true;
}

} // namespace

bool ParsePresetFile(const uint8_t* data, size_t size, PresetFile& preset, std::string& error) {
    preset = PresetFile{};
    Reader reader(data, size);
    int32_t magic = 0, byteCount = 0, kind = 0;
    if (!reader.Int(magic) || magic != kFileMagic || !reader.Int(byteCount) || !reader.Int(kind)) {
        error = "not a program or bank file (no CcnK)";
        return false;
    }
    if (kind == kProgramValues || kind == kProgramChunk) {
        Reader program(data, size);
        if (!readProgramHead(program, kind, preset, error)) {
            return false;
        }
        preset.chunkForm = kind == kProgramChunk;
        return preset.chunkForm ? readChunk(program, preset.chunk, error)
                                : readValues(program, preset.parameterCount, preset.program.parameters,
                                             "the program", error);
    }
    if (kind != kBankValues && kind != kBankChunk) {
        error = "not a program or bank file (its kind is neither FxCk, FPCh, FxBk nor FBCh)";
        return false;
    }
    preset.bank = true;
    preset.chunkForm = kind == kBankChunk;
    const uint8_t* future = nullptr;
    if (!reader.Int(preset.formatVersion) || !reader.Int(preset.uniqueId) ||
        !reader.Int(preset.pluginVersion) || !reader.Int(preset.programCount) ||
        !reader.Bytes(kBankFutureSize, future)) {
        error = "the bank's header is cut short";
        return false;
    }
    if (preset.formatVersion >= 2) {
        Reader current(future, 4);
        current.Int(preset.currentProgram);
    }
    if (preset.chunkForm) {
        return readChunk(reader, preset.chunk, error);
    }
    if (preset.programCount < 0 ||
        static_cast<size_t>(preset.programCount) > reader.Left() / kProgramHeaderSize) {
        error =
            "the bank announces " + std::to_string(preset.programCount) + " programs; the file holds fewer";
        return false;
    }
    if (preset.currentProgram >= preset.programCount) {
        error = "the bank's current program " + std::to_string(preset.currentProgram) + " is not among its " +
                std::to_string(preset.programCount);
        return false;
    }
    for (int32_t i = 0; i < preset.programCount; ++i) {
        const std::string where = "program " + std::to_string(i) + " of the bank";
        PresetFile program;
        if (!readProgramHead(reader, kind, program, error)) {
            error = where + ": " + error;
            return false;
        }
        if (kind != kProgramValues || program.uniqueId != preset.uniqueId) {
            error = where + " is not a parameter-form program of the bank's plug-in";
            return false;
        }
        if (!readValues(reader, program.parameterCount, program.program.parameters, where, error)) {
            return false;
        }
        preset.programs.push_back(std::move(program.program));
    }
    return true;
}

std::vector<uint8_t> WritePresetFile(const PresetFile& preset) {
    Writer writer;
    auto writeProgram = [&writer, &preset](const ProgramValues& program) {
        const size_t start = writer.Size();
        writer.Int(kFileMagic);
        writer.Int(0);
        writer.Int(preset.chunkForm && !preset.bank ? kProgramChunk : kProgramValues);
        writer.Int(1);
        writer.Int(preset.uniqueId);
        writer.Int(preset.pluginVersion);
        writer.Int(preset.chunkForm && !preset.bank ? preset.parameterCount
                                                    : static_cast<int32_t>(program.parameters.size()));
        writer.Name(program.name);
        if (preset.chunkForm && !preset.bank) {
            writer.Int(static_cast<int32_t>(preset.chunk.size()));
            writer.Bytes(preset.chunk.data(), preset.chunk.size());
        } else {
            for (float value : program.parameters) {
                writer.Float(value);
            }
        }
        writer.CloseRecord(start);
    };
    if (!preset.bank) {
        writeProgram(preset.program);
        return std::move(writer.Result());
    }
    const bool named = preset.currentProgram >= 0;
    writer.Int(kFileMagic);
    writer.Int(0);
    writer.Int(preset.chunkForm ? kBankChunk : kBankValues);
    writer.Int(named ? 2 : 1);
    writer.Int(preset.uniqueId);
    writer.Int(preset.pluginVersion);
    writer.Int(preset.chunkForm ? preset.programCount : static_cast<int32_t>(preset.programs.size()));
    if (named) {
        writer.Int(preset.currentProgram);
        writer.Zeros(kBankFutureSize - 4);
    } else {
        writer.Zeros(kBankFutureSize);
    }
    if (preset.chunkForm) {
        writer.Int(static_cast<int32_t>(preset.chunk.size()));
        writer.Bytes(preset.chunk.data(), preset.chunk.size());
    } else {
        for (const ProgramValues& program : preset.programs) {
            writeProgram(program);
        }
    }
    writer.CloseRecord(0);
    return std::move(writer.Result());
}

bool ReadPresetFile(const std::string& path, PresetFile& preset, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, kMaxPresetFileSize, bytes, error)) {
        return false;
    }
    if (!ParsePresetFile(bytes.data(), bytes.size(), preset, error)) {
        error = "cannot load " + path + ": " + error;
        return false;
    }
    return true;
}

std::string DescribePresetFile(const PresetFile& preset) {
    std::string text = std::string(preset.bank ? "bank" : "program") +
                       (preset.chunkForm ? " (chunk form)" : " (parameter form)") + " for the plug-in '" +
                       FourCharText(preset.uniqueId) + "' (" + std::to_string(preset.uniqueId) +
                       "), version " + std::to_string(preset.pluginVersion) + "\n";
    auto values = [](const ProgramValues& program) {
        std::string line;
        for (float value : program.parameters) {
            char number[32];
            std::snprintf(number, sizeof number, " %.6g", static_cast<double>(value));
            line += number;
        }
        return "'" + PrintableText(program.name) + "'" + (line.empty() ? "" : ":" + line);
    };
    if (preset.chunkForm) {
        text += "  " + std::to_string(preset.chunk.size()) + "-byte chunk";
        text += preset.bank ? " for " + std::to_string(preset.programCount) + " programs"
                            : ", program '" + PrintableText(preset.program.name) + "'";
        if (preset.bank && preset.currentProgram >= 0) {
            text += ", current " + std::to_string(preset.currentProgram);
        }
        return text + "\n";
    }
    if (!preset.bank) {
        return text + "  " + values(preset.program) + "\n";
    }
    text += "  " + std::to_string(preset.programs.size()) + " programs" +
            (preset.currentProgram >= 0 ? ", current " + std::to_string(preset.currentProgram) : "") + "\n";
    for (size_t i = 0; i < preset.programs.size(); ++i) {
        text += "    " + std::to_string(i) + "  " + values(preset.programs[i]) + "\n";
    }
    return text;
}

} // namespace orke::host
