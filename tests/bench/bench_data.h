// Content for the benchmarks, made up here: item pictures like the test's
// (white 352x190 one-bit pictures with black line drawings in a 3x3 grid of
// cells), a CP866 text of some length and a font.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/format.h"

namespace bench {

using Bytes = std::vector<uint8_t>;

// A MonoBitmap of width x height: BMP-style header, rows bottom up, white
// ground with black frames, diagonals and discs per 112x50 cell.
inline Bytes item_picture(unsigned width, unsigned height, unsigned seed)
{
    unsigned row = (width + 7) / 8, stride = (row + 3) & ~3u;
    Bytes b(bitmap_header_size + size_t(stride) * height, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[10] = bitmap_header_size;
    b[14] = 40;
    b[bitmap_width_at] = uint8_t(width);
    b[bitmap_width_at + 1] = uint8_t(width >> 8);
    b[bitmap_height_at] = uint8_t(height);
    b[bitmap_height_at + 1] = uint8_t(height >> 8);
    b[26] = 1;
    b[bitmap_bits_at] = 1;
    b[58] = b[59] = b[60] = 0xFF;
    for (unsigned y = 0; y < height; y++) {
        uint8_t *dst = &b[bitmap_header_size + size_t(height - 1 - y) * stride];
        for (unsigned x = 0; x < row * 8; x++) {
            int cx = int(x % 120), cy = int(y % 70), cell = int(x / 120 + 3 * (y / 70));
            bool black = false;
            if (cx < 112 && cy < 50) {
                black = cx == 0 || cx == 111 || cy == 0 || cy == 49;  // frame
                int kind = (cell + int(seed)) % 3;
                int dx = cx - 56, dy = cy - 25, rr = 8 + 3 * ((cell + int(seed)) % 5);
                if (kind == 0)
                    black |= std::abs(dx * dx + dy * dy - rr * rr) < rr;  // circle
                else if (kind == 1)
                    black |= std::abs(cx * 50 - cy * 112) < 90;  // diagonal
                else
                    black |= (std::abs(dx) < rr && std::abs(dy) < rr / 2);  // block
            }
            if (!black && x < width)
                dst[x / 8] |= uint8_t(0x80 >> (x % 8));
            if (x >= width)
                dst[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    }
    return b;
}

// About `size` bytes of instruction-like text: words from a small list of
// Cyrillic (CP866) and Latin words, lines of up to 70 characters.
inline Bytes cp866_text(size_t size)
{
    static const char *const words[] = {
        "\xa2\xa0\xa6\xad\xae", "\xe2\xa5\xe1\xe2", "\xe0\xa8\xe1\xe3\xad\xae\xaa", "\xef\xe7\xa5\xa9\xaa\xa0",
        "\xae\xe2\xa2\xa5\xe2", "\xad\xa0\xa6\xac\xa8\xe2\xa5", "\xaa\xab\xa0\xa2\xa8\xe8\xe3", "Enter",
        "\xe6\xa8\xe4\xe0\xe3", "\xa8", "\xa2", "\xad\xa0", "\xe1", "Esc", "\x8f\xae\xe1\xac\xae\xe2\xe0\xa8\xe2\xa5",
        "\xaf\xa5\xe0\xa2\xeb\xa9", "\xe2\xe0\xa8", "\xa7\xa0\xa4\xa0\xad\xa8\xef", "1", "9"};
    Bytes out;
    uint32_t state = 12345;
    size_t line = 0;
    while (out.size() < size) {
        state = state * 1103515245u + 12345u;
        const char *w = words[(state >> 16) % (sizeof words / sizeof *words)];
        size_t n = std::strlen(w);
        if (line + n + 1 > 70) {
            out.push_back('\r');
            out.push_back('\n');
            line = 0;
        } else if (line) {
            out.push_back(' ');
            line++;
        }
        out.insert(out.end(), w, w + n);
        line += n;
        if ((state >> 8) % 11 == 0) {
            out.push_back('.');
            line++;
        }
    }
    out.resize(size);
    return out;
}

// 256 glyphs of 8 rows with some ink in each.
inline Bytes font()
{
    Bytes f(font_size);
    for (size_t c = 0; c < font_glyphs; c++)
        for (size_t r = 0; r < font_glyph_size; r++)
            f[c * font_glyph_size + r] = c == ' ' ? 0 : uint8_t((c * 29 + r * 71) ^ (c >> 3) ^ (r << 4));
    return f;
}

}  // namespace bench
