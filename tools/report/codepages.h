// The result files' single-byte code pages to UTF-8: Windows-1251
// (RESULT-W.TXT) and CP866 (RESULT-D.TXT, the archive's own texts).
#pragma once

#include <string>
#include <string_view>

namespace report {

enum class Codepage { cp1251, cp866 };

std::string cp1251_to_utf8(std::string_view bytes);
std::string cp866_to_utf8(std::string_view bytes);
std::string to_utf8(std::string_view bytes, Codepage cp);

// Which of the two the bytes are more likely in, from the share of bytes
// that are letters in one and box drawing or rare symbols in the other.
Codepage guess_codepage(std::string_view bytes);

}  // namespace report
