// Program names: kept up to 31 characters, handed to the host in its 24-byte field.
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Programs, NamesAreKeptToThirtyOneAndShownToTwentyThree) {
    const std::string forty = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
    const struct {
        std::string name;
        std::string stored;
        std::string shown;
    } cases[] = {
        {"", "", ""},
        {"Lead", "Lead", "Lead"},
        {forty.substr(0, 23), forty.substr(0, 23), forty.substr(0, 23)},
        {forty, forty.substr(0, 31), forty.substr(0, 23)},
    };
    for (const auto& c : cases) {
        TestEffect effect;
        effect.setProgram(4);
        effect.setProgramName(const_cast<char*>(c.name.c_str()));
        EXPECT_EQ(effect.Program(4)->GetName(), c.stored);

        char field[40];
        std::memset(field, '#', sizeof(field));
        effect.getProgramName(field);
        EXPECT_EQ(std::string(field), c.shown);
        EXPECT_EQ(field[c.shown.size() + 1], '#');

        std::memset(field, '#', sizeof(field));
        EXPECT_TRUE(effect.getProgramNameIndexed(0, 4, field));
        EXPECT_EQ(std::string(field), c.shown);
        EXPECT_EQ(field[c.shown.size() + 1], '#');
        EXPECT_STREQ(effect.Program(3)->GetName(), "Defaults");
    }
}

} // namespace
