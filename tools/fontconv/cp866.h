// Which Unicode characters a font glyph of each CP866 code shows, for
// picking glyphs out of a console font by its Unicode table. The code page
// itself is host::cp866_to_unicode.
#pragma once

#include <cstdint>

namespace fontconv {

// The character the glyph of byte c shows: wdl's CP866 table, except that
// 0x0A, a line break in texts, still gets the inverse circle a DOS screen
// shows for it.
uint32_t glyph_code_point(uint8_t c);

// Fallback code points tried when a font lacks the first choice (0 ends the
// list): e.g. the bullet operator U+2219 may be drawn as the middle dot.
const uint32_t *cp866_fallbacks(uint8_t c);

}  // namespace fontconv
