// Well-formed UTF-8: what every text a tool takes in must be.
#pragma once

#include <cstddef>
#include <string_view>

namespace host {

// The offset of the first byte that is not part of well-formed UTF-8
// (overlong forms, surrogates and code points past U+10FFFF included);
// npos when all of it is.
size_t invalid_utf8_at(std::string_view s);

}  // namespace host
