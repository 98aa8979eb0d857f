// The record as the host reads it: its size and every offset on the processor the test runs on, and the
// four-character codes as numbers whatever the byte order.
#include "AudioEffectBase.h"
#include "EffectOpcodes.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

struct Field {
    const char* name;
    size_t offset, offsetOn32Bit, offsetOn64Bit;
};

// clang-format off
#define ORKE_FIELD(name, on32, on64) {#name, offsetof(AEffect, name), on32, on64}
const Field kFields[] = {
    ORKE_FIELD(magic, 0, 0), ORKE_FIELD(dispatcher, 4, 8), ORKE_FIELD(process, 8, 16),
    ORKE_FIELD(setParameter, 12, 24), ORKE_FIELD(getParameter, 16, 32), ORKE_FIELD(numPrograms, 20, 40),
    ORKE_FIELD(numParams, 24, 44), ORKE_FIELD(numInputs, 28, 48), ORKE_FIELD(numOutputs, 32, 52),
    ORKE_FIELD(flags, 36, 56), ORKE_FIELD(reserved1, 40, 64), ORKE_FIELD(reserved2, 44, 72),
    ORKE_FIELD(initialDelay, 48, 80), ORKE_FIELD(realQualities, 52, 84), ORKE_FIELD(offQualities, 56, 88),
    ORKE_FIELD(ioRatio, 60, 92), ORKE_FIELD(object, 64, 96), ORKE_FIELD(user, 68, 104),
    ORKE_FIELD(uniqueID, 72, 112), ORKE_FIELD(version, 76, 116), ORKE_FIELD(processReplacing, 80, 120),
    ORKE_FIELD(processDoubleReplacing, 84, 128), ORKE_FIELD(reserved, 88, 136)};
// clang-format on
#undef ORKE_FIELD

} // namespace

TEST(EffectRecordLayout, SizeAndEveryOffsetFollowThePointerWidth) {
    constexpr bool k32Bit = sizeof(void*) == 4;
    EXPECT_EQ(sizeof(AEffect), k32Bit ? 144u : 192u);
    EXPECT_EQ(sizeof(AEffect::reserved), 56u);
    for (const Field& field : kFields) {
        EXPECT_EQ(field.offset, k32Bit ? field.offsetOn32Bit : field.offsetOn64Bit) << field.name;
    }
}

// The codes are integers, not bytes in memory: the same numbers on a big-endian processor.
TEST(EffectRecordLayout, FourCharCodesAreTheSameNumbersOnEveryByteOrder) {
    EXPECT_EQ(kEffectMagic, 0x56737450);               // 'VstP'
    EXPECT_EQ(kNoEffectId, 0x4E6F4566);                // 'NoEf'
    EXPECT_EQ(kEffectIdentity, 0x4E764566);            // 'NvEf'
    EXPECT_EQ(orke::fourCharCode("OKiw"), 0x4F4B6977); // 'OKiw'
}
