// Four-character codes: the 32-bit integer whose most significant byte is the first character, whatever the
// processor's byte order.
#pragma once

#include <cstdint>

namespace orke {

constexpr int32_t fourCharCode(const char (&code)[5]) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
                                static_cast<uint32_t>(static_cast<uint8_t>(code[3])));
}

} // namespace orke
