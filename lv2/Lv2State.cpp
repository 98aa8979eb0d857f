// The LV2 state of an Orke plug-in. A plug-in that keeps its programs as one chunk saves that chunk, the bank
// form the VST 2.4 side hands a host too, under kChunkKey. Any other saves what a host would keep of it, the
// current program and the parameters' real values, under kParametersKey in a small form of its own, every
// field big-endian:
//
//   'OkLv', format version, unique ID, parameter count P, current program, then P real values (32-bit floats)
//
// A restore is checked whole before anything is changed.
#include "ControlValues.h"
#include "EffectOpcodes.h"
#include "Lv2Plugin.h"
#include "OrkeAuBase.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace orke::lv2 {

namespace {

constexpr uint32_t kParametersTag = 0x4F6B4C76; // 'OkLv'
constexpr uint32_t kParametersFormat = 1;
constexpr size_t kParametersHeader = 20;
constexpr uint32_t kStateFlags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;

void putWord(std::vector<uint8_t>& bytes, uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<uint8_t>(word >> shift));
    }
}

uint32_t wordAt(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

float floatAt(const uint8_t* bytes) {
    const uint32_t word = wordAt(bytes);
    float value;
    std::memcpy(&value, &word, sizeof(value));
    return value;
}

bool keepsChunk(const AEffect& record) {
    return (record.flags & effFlagsProgramChunks) != 0;
}

} // namespace

LV2_State_Status Lv2Plugin::Save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    if (!m_uris.known) {
        return LV2_STATE_ERR_NO_FEATURE;
    }
    const AEffect& record = *m_effect.Record();
    if (keepsChunk(record)) {
        void* chunk = nullptr;
        const intptr_t size = m_effect.Dispatch(effGetChunk, 0, 0, &chunk);
        if (chunk == nullptr || size <= 0) {
            return LV2_STATE_ERR_UNKNOWN;
        }
        return store(handle, m_uris.chunkKey, chunk, static_cast<size_t>(size), m_uris.atomChunk,
                     kStateFlags);
    }
    std::vector<uint8_t> bytes;
    putWord(bytes, kParametersTag);
    putWord(bytes, kParametersFormat);
    putWord(bytes, static_cast<uint32_t>(record.uniqueID));
    putWord(bytes, static_cast<uint32_t>(kParameterCount));
    putWord(bytes, static_cast<uint32_t>(m_effect.Dispatch(effGetProgram)));
    for (int32_t i = 0; i < kParameterCount; ++i) {
        uint32_t word;
        const float value = m_effect.Plugin().GetParameterValue(i);
        std::memcpy(&word, &value, sizeof(word));
        putWord(bytes, word);
    }
    return store(handle, m_uris.parametersKey, bytes.data(), bytes.size(), m_uris.atomChunk, kStateFlags);
}

LV2_State_Status Lv2Plugin::Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    if (!m_uris.known) {
        return LV2_STATE_ERR_NO_FEATURE;
    }
    const AEffect& record = *m_effect.Record();
    const bool chunk = keepsChunk(record);
    size_t size = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    const void* value =
        retrieve(handle, chunk ? m_uris.chunkKey : m_uris.parametersKey, &size, &type, &flags);
    if (value == nullptr) {
        return LV2_STATE_SUCCESS; // a state of port values only: nothing of the plug-in's own to restore
    }
    if (type != m_uris.atomChunk) {
        return LV2_STATE_ERR_BAD_TYPE;
    }
    if (chunk) {
        // The plug-in checks its chunk whole and refuses it, changing nothing, when anything is wrong.
        if (size > INT32_MAX ||
            m_effect.Dispatch(effSetChunk, 0, static_cast<intptr_t>(size), const_cast<void*>(value)) != 1) {
            return LV2_STATE_ERR_UNKNOWN;
        }
        SeeCurrentValues();
        return LV2_STATE_SUCCESS;
    }
    const auto* bytes = static_cast<const uint8_t*>(value);
    if (size < kParametersHeader || wordAt(bytes) != kParametersTag ||
        wordAt(bytes + 4) != kParametersFormat ||
        wordAt(bytes + 8) != static_cast<uint32_t>(record.uniqueID)) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    // An earlier version with fewer parameters is taken, the missing ones at their defaults.
    const uint32_t parameters = wordAt(bytes + 12);
    const uint32_t program = wordAt(bytes + 16);
    if (parameters > static_cast<uint32_t>(kParameterCount) ||
        size != kParametersHeader + 4 * size_t{parameters} ||
        program >= static_cast<uint32_t>(record.numPrograms > 0 ? record.numPrograms : 1)) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    std::vector<float> values(static_cast<size_t>(kParameterCount));
    for (int32_t i = 0; i < kParameterCount; ++i) {
        const uint32_t at = static_cast<uint32_t>(i);
        values[at] =
            at < parameters ? floatAt(bytes + kParametersHeader + 4 * at) : astParamInfos[i].defaultValue;
        if (!std::isfinite(values[at])) {
            return LV2_STATE_ERR_UNKNOWN;
        }
    }
    if (record.numPrograms > 0) {
        m_effect.Dispatch(effSetProgram, 0, static_cast<intptr_t>(program));
    }
    AEffect* effect = m_effect.Record();
    for (int32_t i = 0; i < kParameterCount; ++i) {
        effect->setParameter(effect, i, NormalisedValue(i, values[static_cast<size_t>(i)]));
    }
    SeeCurrentValues();
    return LV2_STATE_SUCCESS;
}

} // namespace orke::lv2
