// The glyph text format of the font source: '#' lines are comments, blank
// lines are ignored, and each glyph is a line "@XX" (two hex digits, the
// CP866 code; the rest of the line is a free comment) followed by exactly
// eight lines of eight characters, '#' for ink and '.' for background.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace fontconv {

// 256 glyphs of 8 rows, bit 7 the leftmost pixel: the font table as the
// program loads it.
struct Font {
    std::array<std::array<uint8_t, 8>, 256> rows{};
    std::array<std::string, 256> comments;  // rest of each "@XX" line
};

// Parses a whole file. When `complete`, every code must be present; a code
// given twice is always an error. On failure returns false and sets
// `error` to "line N: ...".
bool parse_glyph_text(const std::string &text, bool complete, Font &font,
                      std::array<bool, 256> &present, std::string &error);

// Writes all 256 glyphs in code order after the given comment block
// (each of its lines gets a "# " prefix).
std::string format_glyph_text(const Font &font, const std::string &header);

// The 2048-byte table: glyph c at bytes 8c to 8c + 7.
std::string font_table(const Font &font);

}  // namespace fontconv
