// The state chunk of a plug-in that keeps state: every program's values and name (or the current program's,
// for a preset) and the plug-in's own bytes, tagged with its unique ID and the format's version. Every field
// is big-endian, so a session moves between processors.
//
//   'Orke', format version, unique ID, plug-in version, parameter count P, program count N, current program
//   N times: the name (32 bytes, NUL-padded), then P real values (32-bit floats)
//   the plug-in's own byte count, then its bytes
#include "OrkeAuBase.h"
#include "ParameterValues.h"

#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t kChunkTag = 0x4F726B65; // 'Orke'
constexpr uint32_t kChunkFormat = 1;
constexpr size_t kHeaderSize = 28;
constexpr size_t kNameSize = 32;

// Writes big-endian words into a buffer sized for them beforehand.
class ChunkWriter {
public:
    explicit ChunkWriter(uint8_t* bytes)
        : m_at(bytes) {}

    void Word(uint32_t word) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            *m_at++ = static_cast<uint8_t>(word >> shift);
        }
    }
    void Float(float value) {
        uint32_t word;
        std::memcpy(&word, &value, sizeof(word));
        Word(word);
    }
    void Bytes(const void* bytes, size_t count) {
        if (count > 0) {
            std::memcpy(m_at, bytes, count);
        }
        m_at += count;
    }

private:
    uint8_t* m_at;
};

// Reads words from a chunk without ever going past its end; a read beyond it fails every later read too.
class ChunkReader {
public:
    ChunkReader(const uint8_t* bytes, size_t size)
        : m_bytes(bytes)
        , m_size(size) {}

    bool Word(uint32_t& word) {
        if (!Has(4)) {
            return false;
        }
        word = static_cast<uint32_t>(m_bytes[m_at]) << 24 | static_cast<uint32_t>(m_bytes[m_at + 1]) << 16 |
               static_cast<uint32_t>(m_bytes[m_at + 2]) << 8 | m_bytes[m_at + 3];
        m_at += 4;
        return true;
    }
    bool Float(float& value) {
        uint32_t word;
        if (!Word(word)) {
            return false;
        }
        std::memcpy(&value, &word, sizeof(value));
        return true;
    }
    const uint8_t* Take(size_t count) {
        if (!Has(count)) {
            return nullptr;
        }
        const uint8_t* taken = m_bytes + m_at;
        m_at += count;
        return taken;
    }
    bool Has(size_t count) const { return m_size - m_at >= count; }
    bool AtEnd() const { return m_at == m_size; }

private:
    const uint8_t* m_bytes;
    size_t m_size;
    size_t m_at = 0;
};

// One program as the chunk holds it, read whole before anything is changed.
struct ProgramRecord {
    char name[kNameSize];
    float values[kParameterCount > 0 ? kParameterCount : 1];
};

} // namespace

int32_t OrkeAuBase::getChunk(void** data, bool isPreset) {
    if (!Described(kOrkeKeepsState) || data == nullptr) {
        return AudioEffectX::getChunk(data, isPreset);
    }
    const int32_t current = curProgram;
    const int32_t first = isPreset ? current : 0;
    const int32_t count = isPreset ? 1 : numPrograms;
    std::vector<uint8_t> own;
    SaveState(own);
    const size_t size =
        kHeaderSize + static_cast<size_t>(count) * (kNameSize + 4 * kParameterCount) + 4 + own.size();
    m_chunk.reset(new uint8_t[size]);
    ChunkWriter writer(m_chunk.get());
    writer.Word(kChunkTag);
    writer.Word(kChunkFormat);
    writer.Word(static_cast<uint32_t>(cEffect.uniqueID));
    writer.Word(static_cast<uint32_t>(getVendorVersion()));
    writer.Word(static_cast<uint32_t>(kParameterCount));
    writer.Word(static_cast<uint32_t>(count));
    writer.Word(static_cast<uint32_t>(current));
    for (int32_t p = first; p < first + count; ++p) {
        const OrkeProgram* program = p >= 0 && p < numPrograms ? m_programs[p] : nullptr;
        char name[kNameSize] = {};
        if (program != nullptr) {
            program->CopyName(name, sizeof(name));
        }
        writer.Bytes(name, kNameSize);
        for (int j = 0; j < kParameterCount; ++j) {
            writer.Float(program != nullptr ? program->GetParameter(j) : astParamInfos[j].defaultValue);
        }
    }
    writer.Word(static_cast<uint32_t>(own.size()));
    writer.Bytes(own.data(), own.size());
    *data = m_chunk.get();
    return static_cast<int32_t>(size);
}

int32_t OrkeAuBase::setChunk(void* data, int32_t byteSize, bool isPreset) {
    if (!Described(kOrkeKeepsState)) {
        return AudioEffectX::setChunk(data, byteSize, isPreset);
    }
    if (data == nullptr || byteSize < static_cast<int32_t>(kHeaderSize)) {
        return 0;
    }
    ChunkReader reader(static_cast<const uint8_t*>(data), static_cast<size_t>(byteSize));
    uint32_t tag, format, id, version, parameters, programs, current;
    if (!reader.Word(tag) || !reader.Word(format) || !reader.Word(id) || !reader.Word(version) ||
        !reader.Word(parameters) || !reader.Word(programs) || !reader.Word(current)) {
        return 0;
    }
    const uint32_t expected = isPreset ? 1u : static_cast<uint32_t>(numPrograms);
    // Another plug-in's, another format's, or of another shape: nothing of it can be taken. A chunk of an
    // earlier version with fewer parameters is taken, the missing ones at their defaults.
    if (tag != kChunkTag || format != kChunkFormat || id != static_cast<uint32_t>(cEffect.uniqueID) ||
        parameters > static_cast<uint32_t>(kParameterCount) || programs != expected) {
        return 0;
    }
    std::vector<ProgramRecord> records(programs);
    for (ProgramRecord& record : records) {
        const uint8_t* name = reader.Take(kNameSize);
        if (name == nullptr) {
            return 0;
        }
        std::memcpy(record.name, name, kNameSize);
        record.name[kNameSize - 1] = '\0';
        for (int j = 0; j < kParameterCount; ++j) {
            float& value = record.values[j];
            value = astParamInfos[j].defaultValue;
            if (static_cast<uint32_t>(j) < parameters && (!reader.Float(value) || !std::isfinite(value))) {
                return 0;
            }
        }
    }
    uint32_t ownSize;
    const uint8_t* own = reader.Word(ownSize) ? reader.Take(ownSize) : nullptr;
    if (own == nullptr || !reader.AtEnd()) {
        return 0; // truncated, or more than the chunk says it holds
    }
    // The plug-in's own part last of the checks and first of the changes: a refusal there leaves all as it
    // was.
    if (!RestoreState(own, ownSize)) {
        return 0;
    }
    const int32_t first = isPreset ? curProgram.load() : 0;
    for (uint32_t p = 0; p < programs; ++p) {
        const int32_t index = first + static_cast<int32_t>(p);
        OrkeProgram* program = index >= 0 && index < numPrograms ? m_programs[index] : nullptr;
        if (program == nullptr) {
            continue;
        }
        for (int j = 0; j < kParameterCount; ++j) {
            program->SetParameter(j, OrkeConformParameter(j, records[p].values[j]));
        }
        program->SetName(records[p].name);
    }
    if (!isPreset && current < static_cast<uint32_t>(numPrograms)) {
        curProgram = static_cast<int32_t>(current);
    }
    CountParameterChange();
    return 1;
}

void OrkeAuBase::SaveState(std::vector<uint8_t>&) {}

bool OrkeAuBase::RestoreState(const uint8_t*, size_t size) {
    return size == 0;
}
