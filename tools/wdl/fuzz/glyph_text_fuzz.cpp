// libFuzzer target: the glyph text parser either reports an error or gives
// a font that writes back to text parsing to the same font.
#include "host/error.h"
#include "host/glyph_text.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    try {
        const host::FontBytes font = host::parse_glyph_text(text, "fuzz.txt");
        if (host::parse_glyph_text(host::write_glyph_text(font), "again.txt") != font)
            std::abort();
    } catch (const host::Error &) {
    }
    return 0;
}
