// The tools' code pages: UTF-8 <-> CP866, the single-byte code of every
// text in the archive (its table is the runner's, base/cp866.h: bytes
// 0x01..0x1F but 0x0A, the line break, and 0x7F read as the PC graphic
// symbols, so that every text byte has a character of its own), and the
// result files' Windows-1251 (RESULT-W.TXT) to UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace host {

// The byte for a character, or -1 when CP866 has none. '\n' is 0x0A.
int cp866_from_unicode(char32_t c);
// The character shown for a byte (0x0A gives '\n', 0x00 gives U+0000).
char32_t cp866_to_unicode(uint8_t b);

// Converts UTF-8 text; throws Error "FILE:LINE:COLUMN: ..." for the first
// bad UTF-8 or character CP866 cannot hold (text_convert.h reports them
// all). The line starts at `line` and, when `count_lines`, advances at every
// '\n' of the text.
std::string utf8_to_cp866(std::string_view text, const std::string &file, int line, bool count_lines = true);
std::string cp866_to_utf8(std::string_view bytes);

// Appends the UTF-8 form of one character.
void append_utf8(std::string &out, char32_t c);
// Decodes the character at text[i] into c: its length in bytes, or 0 when
// the bytes there are not valid UTF-8.
size_t decode_utf8(std::string_view text, size_t i, char32_t &c);
// "'«' (U+00AB)", "no-break space (U+00A0)" for an invisible one, or
// "(U+0009)" for a control character.
std::string describe_character(char32_t c);

enum class Codepage { cp1251, cp866 };

std::string cp1251_to_utf8(std::string_view bytes);
std::string to_utf8(std::string_view bytes, Codepage cp);

// Which of the two the bytes are more likely in, from the share of bytes
// that are letters in one and box drawing or rare symbols in the other.
Codepage guess_codepage(std::string_view bytes);

}  // namespace host
