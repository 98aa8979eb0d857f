// Idlewire's own answers to the framework: value strings, its two properties and the editor data, in the
// behaviour this program is built with (the suite builds it with both).
#include "OrkeIdlewire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

TEST(OrkeIdlewire, HasNoValueStringsButSaysItMightWhenOnlyAsked) {
    OrkeIdlewire plugin(nullptr);
    EXPECT_EQ(plugin.GetParameterValueStrings(0, 0, nullptr), noErr);
    const auto untouched = reinterpret_cast<CFArrayRef>(0x77);
    CFArrayRef strings = untouched;
    EXPECT_EQ(plugin.GetParameterValueStrings(0, 0, &strings), kErrInvalidParameter);
    EXPECT_EQ(strings, untouched);
}

TEST(OrkeIdlewire, PropertiesOfTheDisplayStringAndTheEditorData) {
    static_assert(sizeof(DataToGui) == (orke::kPowerPcBehaviour ? 16 : 12));
    OrkeIdlewire plugin(nullptr);
    const struct {
        UInt32 property;
        OSStatus status;
        UInt32 size;
    } cases[] = {
        {kPropertyParameterStringFromValue, noErr, sizeof(ParameterStringFromValue)},
        {kPropertyDataToGui, noErr, sizeof(DataToGui)},
        {kPropertyParameterValueStrings, kErrInvalidProperty, 99}, // answered by the exported functions only
        {64000, kErrInvalidProperty, 99},
    };
    for (const auto& c : cases) {
        UInt32 size = 99;
        Boolean writable = 7;
        EXPECT_EQ(plugin.GetPropertyInfo(c.property, 3, 4, size, writable), c.status) << c.property;
        EXPECT_EQ(size, c.size) << c.property;
        EXPECT_EQ(writable, c.status == noErr ? 0 : 7) << c.property;
    }

    unsigned char data[sizeof(DataToGui) + 4];
    std::memset(data, 0xEE, sizeof(data));
    EXPECT_EQ(plugin.GetProperty(kPropertyParameterStringFromValue, 0, 0, data), kErrInvalidProperty);
    EXPECT_EQ(data[0], 0xEE);
    EXPECT_EQ(plugin.GetProperty(kPropertyDataToGui, 0, 0, data), noErr);
    for (size_t i = 0; i < sizeof(data); ++i) {
        EXPECT_EQ(data[i], i < sizeof(DataToGui) ? 0x00 : 0xEE) << "byte " << i;
    }
    EXPECT_EQ(plugin.GetProperty(kPropertyDataToGui, 0, 0, nullptr), kErrInvalidProperty);
}

TEST(OrkeIdlewire, CopiesItsZeroEditorDataWhole) {
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
