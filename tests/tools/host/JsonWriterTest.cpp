#include "JsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

std::string asJson(const std::string& text) {
    std::ostringstream out;
    orke::host::JsonWriter json(out);
    json.String(text);
    return out.str();
}

} // namespace

TEST(JsonWriter, EscapesWhatJsonForbidsAndKeepsOnlyValidUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c", R"("a\"b\\c")"},
        {"line\nand\ttab", R"("line\nand\ttab")"},
        {std::string("nul\0x", 5), R"("nul\u0000x")"},
        {"\x1b[2J\x7f", R"("\u001B[2J\u007F")"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb9",
         "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb9\""},     // é € 🎹 kept
        {"\xff", R"("\u00FF")"},                               // never UTF-8
        {"\xc0\x80", R"("\u00C0\u0080")"},                     // overlong NUL
        {"\xed\xa0\x80", R"("\u00ED\u00A0\u0080")"},           // a surrogate
        {"\xe2\x82", R"("\u00E2\u0082")"},                     // cut short at the end
        {"\xf4\x90\x80\x80", R"("\u00F4\u0090\u0080\u0080")"}, // beyond U+10FFFF
    };
    for (const auto& [text, json] : cases) {
        EXPECT_EQ(asJson(text), json);
    }
}

TEST(JsonWriter, PlacesCommasAndIndentsNestedContainers) {
    std::ostringstream out;
    orke::host::JsonWriter json(out);
    json.BeginObject();
    json.Field("n", int32_t{-3});
    json.Field("x", 0.1f);
    json.Field("bad", std::nan(""));
    json.Key("empty");
    json.BeginArray();
    json.EndArray();
    json.Key("list");
    json.BeginArray();
    json.Bool(true);
    json.BeginObject();
    json.Field("k", "v");
    json.EndObject();
    json.EndArray();
    json.EndObject();
    EXPECT_EQ(out.str(), "{\n  \"n\": -3,\n  \"x\": 0.100000001,\n  \"bad\": null,\n  \"empty\": [],\n"
                         "  \"list\": [\n    true,\n    {\n      \"k\": \"v\"\n    }\n  ]\n}\n");
}
