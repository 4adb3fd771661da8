// libFuzzer target: the glyph text parser either reports an error or gives
// a font that writes back to text parsing to the same font.
#include "tools/wdl/error.h"
#include "tools/wdl/glyph_text.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    try {
        const wdl::FontBytes font = wdl::parse_glyph_text(text, "fuzz.txt");
        if (wdl::parse_glyph_text(wdl::write_glyph_text(font), "again.txt") != font)
            std::abort();
    } catch (const wdl::Error &) {
    }
    return 0;
}
