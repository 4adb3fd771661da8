// Helpers for the graphics tests: a fixture with an open headless display,
// pixel access, a reference screen to compare against, and builders for
// fonts and pictures (copied into blocks of exactly their length, so that
// the sanitizers see any read past them).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/memory.h"
#include "graphics/gfx.h"
#include "platform/platform.h"
#include "frontend/screen_memory.h"
#include "headless/headless.h"

namespace gfxtest {

using Bytes = std::vector<uint8_t>;
using Pixel = std::pair<int, int>;  // (x, y)
using PixelSet = std::set<Pixel>;

// The screen as a plain array of 38,400 bytes, for building expectations.
struct Model {
    Bytes bytes = Bytes(screen_size, 0);

    bool get(int x, int y) const { return bytes[size_t(y * 80 + x / 8)] & (0x80 >> (x % 8)); }
    void set(int x, int y, bool white)
    {
        if (x < 0 || y < 0 || x >= 640 || y >= 480)
            return;
        uint8_t bit = uint8_t(0x80 >> (x % 8));
        uint8_t &b = bytes[size_t(y * 80 + x / 8)];
        b = white ? uint8_t(b | bit) : uint8_t(b & ~bit);
    }
};

inline bool pixel(int x, int y) { return screen_bits[y * 80 + x / 8] & (0x80 >> (x % 8)); }

inline Model screen_now()
{
    Model m;
    std::memcpy(m.bytes.data(), screen_bits, screen_size);
    return m;
}

// The white pixels of the screen (for drawings in white on black).
inline PixelSet white_pixels()
{
    PixelSet s;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            if (pixel(x, y))
                s.insert({x, y});
    return s;
}

inline std::string describe(const PixelSet &s)
{
    std::ostringstream o;
    for (const Pixel &p : s)
        o << "(" << p.first << "," << p.second << ")";
    return o.str();
}

// "" when the screen equals the model, else the first differing pixels.
inline std::string diff(const Model &want)
{
    std::ostringstream o;
    int shown = 0, total = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            if (pixel(x, y) != want.get(x, y)) {
                if (shown++ < 12)
                    o << "(" << x << "," << y << ") is " << pixel(x, y) << " ";
                total++;
            }
    if (total)
        o << "[" << total << " pixels differ]";
    return o.str();
}

// A deterministic byte pattern that differs from byte to byte.
inline uint8_t noise(uint32_t i)
{
    i = i * 2654435761u + 0x9E37u;
    return uint8_t(i >> 13 ^ i >> 24);
}

inline void fill_screen_with_noise(uint32_t seed)
{
    for (uint32_t i = 0; i < screen_size; i++)
        screen_bits[i] = noise(i + seed);
}

// A block from mem_alloc holding exactly the given bytes.
inline uint8_t *block_of(const Bytes &b)
{
    uint8_t *p = static_cast<uint8_t *>(mem_alloc(uint32_t(b.size())));
    if (p && !b.empty())
        std::memcpy(p, b.data(), b.size());
    return p;
}

// A font whose every glyph is a distinct pattern with ink in its top-left,
// top-right and bottom-left corners (so that a shifted cell shows); glyph
// 0xDB is solid and 0x20 blank.
inline Bytes font_bytes()
{
    Bytes f(font_size);
    for (int c = 0; c < 256; c++)
        for (int r = 0; r < 8; r++) {
            uint8_t v = uint8_t((c * 29 + r * 71) ^ (c >> 3) ^ (r << 4));
            if (r == 0)
                v |= 0x81;
            if (r == 7)
                v |= 0x80;
            f[size_t(c * 8 + r)] = v;
        }
    for (int r = 0; r < 8; r++) {
        f[0xDB * 8 + size_t(r)] = 0xFF;
        f[0x20 * 8 + size_t(r)] = 0x00;
    }
    return f;
}

// Draws text into the model the way the glyph cells are defined: character
// i in the cell at (x + 8i, y), set bits in the given colour, clear bits left.
inline void model_text(Model &m, const Bytes &font, int x, int y, const std::string &text, bool white,
                       size_t glyphs = 256)
{
    for (size_t i = 0; i < text.size(); i++) {
        unsigned c = uint8_t(text[i]);
        if (c >= glyphs)
            continue;
        for (int r = 0; r < 8; r++)
            for (int k = 0; k < 8; k++)
                if (font[c * 8 + size_t(r)] & (0x80 >> k))
                    m.set(x + 8 * int(i) + k, y + r, white);
    }
}

// A picture: header with width and height (the unread header bytes are
// filled with junk, the high halves of width and height included), rows
// bottom row first, row bytes from row_byte(stored_row, byte), padding junk.
template <class RowByte>
Bytes picture_bytes(unsigned width, unsigned height, RowByte row_byte)
{
    unsigned row_length = (width + 7) / 8;
    unsigned stride = (row_length + 3) & ~3u;
    Bytes b(bitmap_header_size + size_t(stride) * height);
    for (size_t i = 0; i < bitmap_header_size; i++)
        b[i] = uint8_t(0xA5 ^ i);
    b[bitmap_width_at] = uint8_t(width);
    b[bitmap_width_at + 1] = uint8_t(width >> 8);
    b[bitmap_height_at] = uint8_t(height);
    b[bitmap_height_at + 1] = uint8_t(height >> 8);
    for (unsigned i = 0; i < height; i++)
        for (unsigned k = 0; k < stride; k++)
            b[bitmap_header_size + size_t(i) * stride + k] = k < row_length ? uint8_t(row_byte(i, k)) : uint8_t(0x5A);
    return b;
}

// Expected result of placing a picture: stored row i at screen row
// y + height - 1 - i from byte column floor(x / 8); only bytes that lie on
// the screen, and only rows wholly inside the picture block.
inline void model_put(Model &m, int x, int y, const Bytes &pic, size_t block_size)
{
    if (block_size < bitmap_header_size)
        return;
    unsigned width = pic[bitmap_width_at] | pic[bitmap_width_at + 1] << 8;
    unsigned height = pic[bitmap_height_at] | pic[bitmap_height_at + 1] << 8;
    unsigned row_length = (width + 7) / 8, stride = (row_length + 3) & ~3u;
    int64_t column = x >= 0 ? x / 8 : -((-int64_t(x) + 7) / 8);
    for (unsigned i = 0; i < height; i++) {
        size_t at = bitmap_header_size + size_t(i) * stride;
        if (at + row_length > block_size)
            break;
        int64_t sy = int64_t(y) + height - 1 - i;
        for (unsigned k = 0; k < row_length; k++) {
            int64_t sc = column + k;
            if (sy >= 0 && sy < 480 && sc >= 0 && sc < 80)
                m.bytes[size_t(sy * 80 + sc)] = pic[at + k];
        }
    }
}

// An open headless display, black screen, black ink, no font, repaint
// counter at zero. Checks afterwards that every block was released.
class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::reset();
        ASSERT_EQ(video_open(), 1);
        ASSERT_EQ(video_is_open, 1);
        ASSERT_NE(screen_bits, nullptr);
        headless::current().repaints = 0;
    }
    void TearDown() override
    {
        gfx_set_font(nullptr, 0);
        video_close();
        EXPECT_EQ(headless::current().live_blocks, 0) << "a block was not released";
    }
    unsigned repaints() const { return headless::current().repaints; }
    void white() { gfx_set_colour(1); }
};

}  // namespace gfxtest
