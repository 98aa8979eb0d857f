#include "EffectNames.h"

#include <gtest/gtest.h>

using namespace orke::host;

TEST(EffectNames, NameFlagsCategoriesAndCodes) {
    EXPECT_EQ(FlagNames(272), (std::vector<std::string>{"can-replacing", "is-synth"}));
    EXPECT_EQ(FlagNames(0), std::vector<std::string>{});
    EXPECT_EQ(FlagNames(static_cast<int32_t>(0x80000041u)),
              (std::vector<std::string>{"has-editor", "0x40", "0x80000000"}));
    EXPECT_EQ(CategoryName(1), "effect");
    EXPECT_EQ(CategoryName(11), "generator");
    EXPECT_EQ(CategoryName(12), "category 12");
    EXPECT_EQ(CategoryName(-1), "category -1");
    EXPECT_EQ(FourCharText(0x4F4B6977), "OKiw");
    EXPECT_EQ(FourCharText(0x00415C7F), "\\x00A\\x5C\\x7F");
}

TEST(EffectNames, PrintableTextShowsControlBytesInsteadOfSendingThem) {
    EXPECT_EQ(PrintableText("plain caf\xc3\xa9"), "plain caf\xc3\xa9");
    EXPECT_EQ(PrintableText("\x1b[2J\r\n\x7f"), "\\x1B[2J\\x0D\\x0A\\x7F");
}
