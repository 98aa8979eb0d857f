// Program and bank files: each kind read back as written, no cut of one read, files no plug-in wrote refused.
#include "PresetFile.h"

#include <gtest/gtest.h>

using namespace orke::host;

namespace {

PresetFile sample(bool bank, bool chunkForm) {
    PresetFile preset;
    preset.bank = bank;
    preset.chunkForm = chunkForm;
    preset.uniqueId = 0x4F4B6977; // 'OKiw'
    preset.pluginVersion = 7;
    preset.parameterCount = 2;
    preset.programCount = 2;
    preset.currentProgram = bank ? 1 : -1;
    preset.program = {"Lead", {0.25f, 1.0f}};
    if (bank && !chunkForm) {
        preset.programs = {{"Lead", {0.25f, 1.0f}}, {"Pad", {0.0f, 0.5f}}};
    }
    if (chunkForm) {
        preset.chunk = {1, 2, 3, 0, 255};
    }
    return preset;
}

} // namespace

TEST(PresetFile, EachKindReadsBackAsWrittenAndNoCutOfItReads) {
    for (const bool bank : {false, true}) {
        for (const bool chunkForm : {false, true}) {
            SCOPED_TRACE(std::to_string(bank) + std::to_string(chunkForm));
            const PresetFile written = sample(bank, chunkForm);
            const std::vector<uint8_t> bytes = WritePresetFile(written);
            const std::string kind(bytes.begin() + 8, bytes.begin() + 12);
            EXPECT_EQ(kind, bank ? (chunkForm ? "FBCh" : "FxBk") : (chunkForm ? "FPCh" : "FxCk"));
            EXPECT_EQ(bytes[6] * 256u + bytes[7] + 8u, bytes.size())
                << "the byte count of the rest, big-endian";
            // Where the fields sit: the ID at 16, a program's name at 28 and its first value at 56.
            EXPECT_EQ(std::string(bytes.begin() + 16, bytes.begin() + 20), "OKiw");
            if (!bank) {
                EXPECT_EQ(std::string(bytes.begin() + 28, bytes.begin() + 33), std::string("Lead\0", 5));
                EXPECT_EQ(bytes[chunkForm ? 59 : 57],
                          chunkForm ? 5 : 0x80); // chunk size 5; 0.25 is 0x3E800000
            }
            PresetFile read;
            std::string error;
            ASSERT_TRUE(ParsePresetFile(bytes.data(), bytes.size(), read, error)) << error;
            EXPECT_EQ(read.currentProgram, written.currentProgram);
            EXPECT_EQ(WritePresetFile(read), bytes) << "everything read back as written";
            for (size_t cut = 0; cut < bytes.size(); ++cut) {
                EXPECT_FALSE(ParsePresetFile(bytes.data(), cut, read, error)) << cut;
            }
        }
    }
}

TEST(PresetFile, RefusesWhatNoPluginWrote) {
    auto patched = [](bool bank, size_t offset, std::vector<uint8_t> value) {
        std::vector<uint8_t> bytes = WritePresetFile(sample(bank, false));
        std::copy(value.begin(), value.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        return bytes;
    };
    const std::pair<std::vector<uint8_t>, const char*> cases[] = {
        {patched(false, 0, {'R', 'I', 'F', 'F'}), "no CcnK"},
        {patched(false, 8, {'F', 'x', 'Z', 'z'}), "neither FxCk"},
        {patched(false, 24, {0x7F, 0xFF, 0xFF, 0xFF}), "announces 2147483647 parameters"},
        {patched(false, 56, {0x7F, 0xC0, 0, 0}), "parameter 0 is not a value from 0 to 1"}, // NaN
        {patched(false, 60, {0x3F, 0xC0, 0, 0}), "parameter 1 is not a value from 0 to 1"}, // 1.5
        {patched(true, 24, {0x10, 0, 0, 0}), "announces 268435456 programs"},
        {patched(true, 28, {0, 0, 0, 2}), "current program 2 is not among its 2"},
        {patched(true, 156 + 16, {0, 0, 0, 1}), "program 0 of the bank is not a parameter-form program"},
    };
    for (const auto& [bytes, reason] : cases) {
        PresetFile read;
        std::string error;
        EXPECT_FALSE(ParsePresetFile(bytes.data(), bytes.size(), read, error)) << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}
