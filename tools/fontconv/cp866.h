// Code page 866 (DOS Cyrillic) to Unicode: the character code of the font
// and of every text in the archive.
#pragma once

#include <cstdint>

namespace fontconv {

// Unicode code point of CP866 byte c. Bytes 0x00 to 0x1F and 0x7F map to the
// graphic symbols the DOS screen shows for them; 0x00 maps to U+0000.
uint32_t cp866_to_unicode(uint8_t c);

// Fallback code points tried when a font lacks the first choice (0 ends the
// list): e.g. the bullet operator U+2219 may be drawn as the middle dot.
const uint32_t *cp866_fallbacks(uint8_t c);

}  // namespace fontconv
