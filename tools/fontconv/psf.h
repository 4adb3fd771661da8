// Linux console fonts (PSF version 1 and 2, plain or gzip-packed) with their
// Unicode tables.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fontconv {

struct PsfFont {
    unsigned width = 0, height = 0;
    unsigned bytes_per_row = 0;
    std::vector<std::vector<uint8_t>> glyphs;  // height * bytes_per_row each
    std::map<uint32_t, unsigned> glyph_of;     // code point -> glyph index
};

// Reads the file (gzip or not). Returns false and sets `error` on failure,
// including a font without a Unicode table.
bool load_psf(const std::string &path, PsfFont &font, std::string &error);

// Parses a PSF image already in memory.
bool parse_psf(const std::vector<uint8_t> &data, PsfFont &font, std::string &error);

}  // namespace fontconv
