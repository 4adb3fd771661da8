// UTF-8 <-> CP866, the single-byte code of every text in the archive.
// Bytes 0x01..0x1F (but 0x0A, the line break) and 0x7F read as the PC
// graphic symbols (smileys, arrows, ...), so that every text byte has a
// character of its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wdl {

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

}  // namespace wdl
