// Writes one JSON document to a stream, indented, with commas and escaping taken care of.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace orke::host {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out)
        : m_out(out) {}

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The next value belongs to this key of the enclosing object.
    void Key(const std::string& key);

    void
    String(const std::string& text); // bytes that are not UTF-8 are kept as the code points of their values
    void Number(double value);       // up to 9 significant digits; not-finite values as null
    void Integer(int64_t value);
    void Bool(bool value);
    void Null();

    template <typename T>
    void Field(const std::string& key, const T& value) {
        Key(key);
        Value(value);
    }

private:
    void Value(const std::string& text) { String(text); }
    void Value(const char* text) { String(text); }
    void Value(bool value) { Bool(value); }
    void Value(double value) { Number(value); }
    void Value(float value) { Number(value); }
    void Value(int32_t value) { Integer(value); }
    void Value(int64_t value) { Integer(value); }
    void Value(uint64_t value) { Integer(static_cast<int64_t>(value)); }

    void BeforeValue();
    void Open(char bracket);
    void Close(char bracket);
    void NewLine();

    std::ostream& m_out;
    std::vector<bool> m_hasItems; // per open container: whether an item was written
    bool m_afterKey = false;
};

} // namespace orke::host
