// Idlewire's answers that no exported function reaches: value strings asked with and without a place for
// them, and the editor data, in the behaviour this program is built with (the suite builds it with both).
// Its properties are tested through the exported functions, in tests/host.
#include "OrkeIdlewire.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(OrkeIdlewire, HasNoValueStringsButSaysItMightWhenOnlyAsked) {
    OrkeIdlewire plugin(nullptr);
    EXPECT_EQ(plugin.GetParameterValueStrings(0, 0, nullptr), noErr);
    const auto untouched = reinterpret_cast<CFArrayRef>(0x77);
    CFArrayRef strings = untouched;
    EXPECT_EQ(plugin.GetParameterValueStrings(0, 0, &strings), kErrInvalidParameter);
    EXPECT_EQ(strings, untouched);
}

TEST(OrkeIdlewire, CopiesItsZeroEditorDataWhole) {
    static_assert(sizeof(DataToGui) == (orke::kPowerPcBehaviour ? 16 : 12));
    OrkeIdlewire plugin(nullptr);
    DataToGui data;
    std::memset(&data, 0xEE, sizeof(data));
    plugin.CopyDataToGui(data);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&data);
    for (size_t i = 0; i < sizeof(data); ++i) {
        EXPECT_EQ(bytes[i], 0) << "byte " << i;
    }
}

} // namespace
