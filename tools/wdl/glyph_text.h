// The font as editable text: 256 glyph blocks of 8x8 characters.
//
//   # comment lines and blank lines are ignored (also inside a glyph)
//   @41 any comment after the code
//   ..####..      exactly 8 lines of exactly 8 characters,
//   .##..##.      '#' ink, '.' background
//   ...
//
// Trailing blanks are ignored. Every CP866 code 00..FF appears exactly
// once, in any order. The binary
// form is the archive's 2048-byte font: 8 bytes per glyph, one per row from
// the top, bit 7 the leftmost pixel.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace wdl {

using FontBytes = std::array<uint8_t, 2048>;

// Throws Error "FILE:LINE: ..." naming the offending line.
FontBytes parse_glyph_text(const std::string &text, const std::string &file);

// Glyphs in code order, each headed by its code and the character it shows.
std::string write_glyph_text(const FontBytes &font);

}  // namespace wdl
