// The font as editable text: glyph blocks of 8x8 characters.
//
//   # comment lines (outside a glyph) and blank lines are ignored
//   @41 any comment after the code (a blank before it is optional)
//   ..####..      exactly 8 lines of exactly 8 characters,
//   .##..##.      '#' ink, '.' background (blank lines between them are
//   ...           ignored too)
//
// Trailing blanks are ignored. A code appears at most once, in any order; a
// whole font has every CP866 code 00..FF. The binary form is the archive's
// 2048-byte font: 8 bytes per glyph, one per row from the top, bit 7 the
// leftmost pixel.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "archive/format.h"

namespace host {

using FontBytes = std::array<uint8_t, font_size>;
using GlyphComments = std::array<std::string, 256>;

// A glyph file that need not define every code, e.g. hand-drawn glyphs that
// complete another font.
struct GlyphSet {
    FontBytes font{};                // glyphs not present stay blank
    std::array<bool, 256> present{};
    GlyphComments comments;          // the text after each "@XX"
};

// Both throw Error "FILE:LINE: ..." naming the offending line.
GlyphSet parse_glyph_set(const std::string &text, const std::string &file);
// A whole font: all 256 codes must be present.
FontBytes parse_glyph_text(const std::string &text, const std::string &file);

// Glyphs in code order after `header`, whose lines become '#' comments; each
// glyph's "@XX" line carries its comment, if any.
std::string write_glyph_text(const FontBytes &font, const GlyphComments &comments, const std::string &header);
// With a short description of the format as header and each glyph headed by
// the character it shows.
std::string write_glyph_text(const FontBytes &font);

}  // namespace host
