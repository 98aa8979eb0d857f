// The JSON writer: indentation, commas, escapes, and numbers that JSON can hold.
#include "JsonWriter.h"

#include <cmath>
#include <cstdio>

namespace orke::host {
namespace {

// The length of the valid UTF-8 sequence at `p` (at most `left` bytes), or 0 when there is none.
size_t utf8SequenceLength(const unsigned char* p, size_t left) {
    size_t length = 0;
    uint32_t lowest = 0;
    if (p[0] >= 0xC2 && p[0] <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (length > left) {
        return 0;
    }
    uint32_t codePoint = p[0] & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    }
    if (codePoint < lowest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

} // namespace

void JsonWriter::NewLine() {
    m_out << '\n';
    for (size_t i = 0; i < m_hasItems.size(); ++i) {
        m_out << "  ";
    }
}

void JsonWriter::BeforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasItems.empty()) {
        if (m_hasItems.back()) {
            m_out << ',';
        }
        m_hasItems.back() = true;
        NewLine();
    }
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    m_out << bracket;
    m_hasItems.push_back(false);
}

void JsonWriter::Close(char bracket) {
    const bool hadItems = m_hasItems.back();
    m_hasItems.pop_back();
    if (hadItems) {
        NewLine();
    }
    m_out << bracket;
    if (m_hasItems.empty()) {
        m_out << '\n';
    }
}

void JsonWriter::BeginObject() {
    Open('{');
}
void JsonWriter::EndObject() {
    Close('}');
}
void JsonWriter::BeginArray() {
    Open('[');
}
void JsonWriter::EndArray() {
    Close(']');
}

void JsonWriter::Key(const std::string& key) {
    String(key);
    m_out << ": ";
    m_afterKey = true;
}

void JsonWriter::String(const std::string& text) {
    BeforeValue();
    m_out << '"';
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    for (size_t i = 0; i < size;) {
        const unsigned char c = bytes[i];
        if (c == '"' || c == '\\') {
            m_out << '\\' << static_cast<char>(c);
        } else if (c == '\n') {
            m_out << "\\n";
        } else if (c == '\t') {
            m_out << "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
            m_out << escaped;
        } else if (c >= 0x80) {
            const size_t length = utf8SequenceLength(bytes + i, size - i);
            if (length == 0) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
                m_out << escaped;
            } else {
                m_out.write(text.data() + i, static_cast<std::streamsize>(length));
                i += length;
                continue;
            }
        } else {
            m_out << static_cast<char>(c);
        }
        ++i;
    }
    m_out << '"';
}

void JsonWriter::Number(double value) {
    if (!std::isfinite(value)) {
        Null();
        return;
    }
    BeforeValue();
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    m_out << text;
}

void JsonWriter::Integer(int64_t value) {
    BeforeValue();
    m_out << value;
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    m_out << (value ? "true" : "false");
}

void JsonWriter::Null() {
    BeforeValue();
    m_out << "null";
}

} // namespace orke::host
