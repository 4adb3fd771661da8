#include "tools/fontconv/cp866.h"

#include "host/codepages.h"

namespace fontconv {

uint32_t glyph_code_point(uint8_t c)
{
    if (c == 0x0A)
        return 0x25D9;  // inverse white circle
    return uint32_t(host::cp866_to_unicode(c));
}

const uint32_t *cp866_fallbacks(uint8_t c)
{
    static const uint32_t none[] = {0};
    static const uint32_t bullet_op[] = {0x00B7, 0x2022, 0};
    static const uint32_t middle_dot[] = {0x2219, 0x2022, 0};
    static const uint32_t nbsp[] = {0x0020, 0};
    static const uint32_t square[] = {0x25AE, 0};
    switch (c) {
    case 0xF9: return bullet_op;
    case 0xFA: return middle_dot;
    case 0xFE: return square;
    case 0xFF: return nbsp;
    default: return none;
    }
}

}  // namespace fontconv
