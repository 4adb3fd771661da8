// Checks of text a tool takes in: well-formed UTF-8, hex digits.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace host {

// The offset of the first byte that is not part of well-formed UTF-8
// (overlong forms, surrogates and code points past U+10FFFF included);
// npos when all of it is.
size_t invalid_utf8_at(std::string_view s);

// Exactly `digits` lower-case hex digits (a session ID, a CRC-32).
bool is_lower_hex(std::string_view s, size_t digits);

// The longest prefix of UTF-8 text of at most `bytes` bytes that ends on a
// character boundary.
std::string utf8_prefix(std::string_view text, size_t bytes);

}  // namespace host
